#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>

namespace orvane {

// Reads up to `size` bytes at `offset` into `buffer`; answers how many it read (0 at the end
// or on an error).
using ByteReader = std::function<size_t(uint64_t offset, unsigned char* buffer, size_t size)>;

// The recording date of a QuickTime-family movie (MOV, MP4, M4V, 3GP) or an AVI, or -1. A
// com.apple.quicktime.creationdate that carries a zone offset is the wall-clock time as written;
// else the movie header's creation time, which is UTC; for AVI the IDIT date as written. Only box
// and chunk headers are followed; at most the movie header (up to 16 MiB) or the first MiB of an
// AVI is read.
// `utcInstant`, when given, tells whether the date is the movie header's UTC time.
time_t videoDate(const ByteReader& read, uint64_t fileSize, bool* utcInstant = nullptr);

// The recording date that AVCHD cameras put into the H.264 stream of an MTS/M2TS file (the
// "MDPM" user data), as written, or -1. `bytes` is the start of the file.
time_t avchdDate(const unsigned char* bytes, size_t length);

} // namespace orvane
