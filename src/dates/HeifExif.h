#pragma once

#include <cstddef>
#include <ctime>

namespace orvane {

// The capture date in the Exif metadata block of a HEIF or AVIF file's primary image, found
// with libheif through the item references (where a grid image keeps it apart from its
// tiles) and read with the EXIF reader; -1 when there is none or libheif refuses the file.
// Never throws; reads no image data.
time_t heifExifDate(const char* path);
time_t heifExifDateForBytes(const unsigned char* bytes, size_t length);

// The date of the EXIF block as a HEIF Exif item stores it: a big-endian offset from the
// end of that field to the TIFF header, then the block (some writers keep "Exif\0\0" before
// the header); read with the EXIF reader.
time_t heifExifItemDate(const unsigned char* item, size_t size);

// Whether the bytes begin as a HEIF or AVIF file (an ISO-BMFF "ftyp" of such a brand).
bool isHeif(const unsigned char* bytes, size_t length);

} // namespace orvane
