#pragma once

// Panasonic RW2 and Fujifilm RAF files say in their headers where their EXIF is: an RW2 file
// is a TIFF structure of its own magic, whose first IFD points to an EXIF IFD and holds the
// embedded JPEG, and a RAF file's header gives the place of its JPEG, whose EXIF block
// follows the first twelve bytes. Reading those few bytes dates the file without exiv2
// decoding all of it (every maker note, and an RW2's embedded JPEG opened as an image of its
// own).

#include "dates/ExifChunk.h"

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace orvane {

// Whether the bytes begin as an RW2 file ("IIU\0") or a RAF file ("FUJIFILMCCD-RAW").
bool isRw2(const unsigned char* bytes, size_t length);
bool isRaf(const unsigned char* bytes, size_t length);

// The capture date of an RW2 or RAF file of `fileSize` bytes, as exiv2 would give it, or -1
// when these bytes give none or are not as expected: the caller then asks exiv2. Reads a
// bounded number of bytes at offsets the file names.
time_t rw2ExifDate(const ReadAt& read, uint64_t fileSize);
time_t rafExifDate(const ReadAt& read, uint64_t fileSize);

} // namespace orvane
