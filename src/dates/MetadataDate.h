#pragma once

#include <cstddef>
#include <ctime>
#include <vector>

namespace orvane {

// The capture date of a still image in a container that the EXIF reader does not read (HEIF,
// AVIF, CR3, CRW, RAF, ORF, RW2, MRW, PNG, WebP, JPEG XL), read with exiv2: DateTimeOriginal,
// else IFD 0 DateTime, as local wall-clock time; -1 when there is none. Never throws: a file
// exiv2 cannot read has no date; `unreadable` then tells that exiv2 gave up on it.
time_t metadataDateForFile(const char* path, bool& unreadable);
time_t metadataDateForBytes(const unsigned char* bytes, size_t length);

// Whether the bytes begin as a Canon CRW (CIFF) file, which exiv2 must read from memory.
bool isCrw(const unsigned char* bytes, size_t length);

// The date in an EXIF block as a container's EXIF chunk holds it: a TIFF header and its
// IFDs, with or without the "Exif\0\0" before them; -1 when it has none.
time_t exifBlockDate(const unsigned char* bytes, size_t length);

// The date in a JPEG XL "Exif" box: a big-endian offset to the TIFF header, then the block.
time_t jxlExifBoxDate(const unsigned char* box, size_t length);

// The date in a CR3 file's EXIF IFD ("CMT2") and IFD 0 ("CMT1") boxes, each a TIFF
// structure of its own, either possibly empty.
time_t cr3ExifDate(const std::vector<unsigned char>& exifIfd,
                   const std::vector<unsigned char>& ifd0);

// The date in the first EXIF block ("Exif\0\0" and a TIFF header) found in `bytes`, or -1:
// for containers that hold their EXIF only inside an embedded JPEG (X3F previews), and for
// files whose other metadata exiv2 refuses before it reaches the EXIF item.
time_t embeddedExifDate(const unsigned char* bytes, size_t length);

} // namespace orvane
