#pragma once

// PNG and WebP say where their EXIF block is: a chunk of its own ("eXIf", "EXIF") in a list
// of chunks whose headers give their lengths. Walking those headers finds the block without
// the rest of the file's metadata being parsed (text chunks inflated, XMP read), and tells a
// file that has no EXIF anywhere from one whose EXIF may hide in a text chunk.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace orvane {

struct ExifChunk {
    enum class Found {
        kBlock,   // the EXIF block is at `offset`, `length` bytes
        kNone,    // the file has no EXIF: no chunk could hold one
        kUnknown, // not such a file, damaged, or EXIF may sit in a text chunk: ask exiv2
    };
    Found found = Found::kUnknown;
    uint64_t offset = 0;
    uint64_t length = 0;
    // With kUnknown, a PNG text chunk whose raw profile holds EXIF: its type ("tEXt", "zTXt",
    // "iTXt") and where its data lies, worth decoding before exiv2 is asked.
    char textType[4] = {};
    uint64_t textOffset = 0;
    uint64_t textLength = 0;
};

// Reads up to `size` bytes at `offset` into `buffer`, answering how many it read.
using ReadAt = std::function<size_t(uint64_t offset, unsigned char* buffer, size_t size)>;

// Reads from `length` bytes in memory, which must outlive the reader.
ReadAt readFromMemory(const unsigned char* bytes, size_t length);

// Up to `size` bytes at `offset`: fewer where the file ends before.
std::vector<unsigned char> readSpan(const ReadAt& read, uint64_t offset, size_t size);

// Where the EXIF block of the PNG or WebP file of `fileSize` bytes is; kUnknown for other
// files. Reads only chunk headers (and the keywords of PNG text chunks), at most a bounded
// number of them.
ExifChunk findExifChunk(const ReadAt& read, uint64_t fileSize);

} // namespace orvane
