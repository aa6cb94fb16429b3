#pragma once

// CIFF, the container of Canon CRW files, keeps its capture time in a record of its own. The
// records are found through directories at the ends of their heaps, so only those few places
// of the file are read, not the whole raw image.

#include "dates/ExifChunk.h"

#include <cstdint>
#include <ctime>

namespace orvane {

// The capture time (record 0x180E) of the CIFF file of `fileSize` bytes as local wall-clock
// time, or -1 when the records hold none or cannot be followed.
time_t ciffCaptureDate(const ReadAt& read, uint64_t fileSize);

} // namespace orvane
