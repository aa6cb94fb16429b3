#pragma once

// ISO base media files (HEIF, AVIF, CR3, JPEG XL) say where their EXIF is: in an item the
// meta box lists with its place in the file, in a box of its own, or in Canon's metadata
// boxes. Walking the box headers finds those bytes without the rest of the file's metadata
// being parsed (XMP, every tile of a grid image, the movie's sample tables).

#include "dates/ExifChunk.h"

#include <cstdint>
#include <vector>

namespace orvane {

struct BoxExif {
    // The EXIF blocks found, in the order a reader should try them. HEIF and JPEG XL: the
    // item or box data (a 4-byte offset to the TIFF header, then the block); CR3: none, or
    // the TIFF structures of the EXIF IFD ("CMT2") and of IFD 0 ("CMT1"), either may be empty.
    std::vector<std::vector<unsigned char>> blocks;
};

// The Exif items of a HEIF or AVIF file that describe its primary image. Empty when there
// are none or the boxes are not as expected: the caller then asks a full reader.
BoxExif findHeifExif(const ReadAt& read, uint64_t fileSize);

// The "Exif" box of a JPEG XL container.
BoxExif findJxlExif(const ReadAt& read, uint64_t fileSize);

// The "CMT2" and "CMT1" boxes of a Canon CR3 file.
BoxExif findCr3Exif(const ReadAt& read, uint64_t fileSize);

// Whether the bytes begin as a JPEG XL container or a CR3 file.
bool isJxlContainer(const unsigned char* bytes, size_t length);
bool isCr3(const unsigned char* bytes, size_t length);

} // namespace orvane
