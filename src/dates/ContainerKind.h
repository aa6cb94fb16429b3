#pragma once

#include <cstddef>

namespace orvane {

// What a file is, judged by its first bytes (never by its name), as far as dating goes.
enum class ContainerKind {
    ExifMagic,  // JPEG or TIFF: the EXIF reader's own business
    StillImage, // HEIF/AVIF, CR3, CRW, RAF, ORF, RW2, MRW, PNG, WebP, JPEG XL: exiv2
    SigmaX3f,   // X3F: its EXIF lives only in the embedded JPEG preview
    Movie,      // QuickTime, MP4, M4V, 3GP and other ISO-BMFF movies, AVI: their headers
    MpegTs,     // MTS/M2TS (AVCHD): the recording date in the H.264 stream
    Unknown,
};

// Bytes to read from the start of a file for containerKind().
inline constexpr size_t kContainerSniffLength = 256;

ContainerKind containerKind(const unsigned char* bytes, size_t length);

} // namespace orvane
