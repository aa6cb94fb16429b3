#pragma once

// ImageMagick and others keep a PNG's EXIF as a "Raw profile type exif" (or "APP1") text
// chunk: the bytes as hexadecimal text, often deflated. Only that chunk is decoded here; the
// file's other text chunks are never inflated.

#include <cstddef>
#include <string_view>
#include <vector>

namespace orvane {

// Whether a PNG text chunk's keyword names a profile that holds EXIF.
bool isExifRawProfile(std::string_view keyword);

// The EXIF block (from its "Exif\0\0" header on) held by the raw profile in the data of a
// "tEXt", "zTXt" or "iTXt" chunk; empty when it holds none or cannot be decoded.
std::vector<unsigned char> exifOfRawProfile(std::string_view chunkType, const unsigned char* data,
                                            size_t length);

} // namespace orvane
