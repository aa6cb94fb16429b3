// Recognises containers by their magic bytes. ISO-BMFF files are split between still
// images and movies by their brands: HEIF, AVIF and CR3 files name an image brand, and
// anything else with an ftyp box (or a bare QuickTime atom) is treated as a movie.

#include "dates/ContainerKind.h"

#include <cstring>

namespace orvane {
namespace {

bool startsWith(const unsigned char* bytes, size_t length, const char* magic, size_t size,
                size_t at = 0) {
    return length >= at + size && std::memcmp(bytes + at, magic, size) == 0;
}

bool isStillBrand(const unsigned char* brand) {
    static const char* const kStillBrands[] = {"heic", "heix", "heim", "heis", "hevc",
                                               "hevx", "mif1", "msf1", "avif", "avis",
                                               "crx ", "j2ki", "jxl "};
    for (const char* still : kStillBrands)
        if (std::memcmp(brand, still, 4) == 0)
            return true;
    return false;
}

ContainerKind isoBmffKind(const unsigned char* bytes, size_t length) {
    // Box size (4), "ftyp", major brand (4), minor version (4), compatible brands.
    size_t boxSize = (size_t{bytes[0]} << 24) | (size_t{bytes[1]} << 16) | (size_t{bytes[2]} << 8) |
                     size_t{bytes[3]};
    if (boxSize > length)
        boxSize = length;
    if (isStillBrand(bytes + 8))
        return ContainerKind::StillImage;
    for (size_t at = 16; at + 4 <= boxSize; at += 4)
        if (isStillBrand(bytes + at))
            return ContainerKind::StillImage;
    return ContainerKind::Movie;
}

bool isQuickTimeAtom(const unsigned char* bytes, size_t length) {
    static const char* const kAtoms[] = {"moov", "mdat", "wide", "free", "skip", "pnot"};
    if (length < 8)
        return false;
    for (const char* atom : kAtoms)
        if (std::memcmp(bytes + 4, atom, 4) == 0)
            return true;
    return false;
}

bool isTransportStream(const unsigned char* bytes, size_t length) {
    // 188-byte packets, or 192-byte ones behind a 4-byte time code (M2TS): sync byte 0x47.
    if (length >= 189 && bytes[0] == 0x47 && bytes[188] == 0x47)
        return true;
    return length >= 5 && bytes[4] == 0x47 && (length < 197 || bytes[196] == 0x47);
}

} // namespace

ContainerKind containerKind(const unsigned char* bytes, size_t length) {
    if (length < 4)
        return ContainerKind::Unknown;
    if (bytes[0] == 0xFF && bytes[1] == 0xD8)
        return ContainerKind::ExifMagic;
    if (startsWith(bytes, length, "II\x2A\0", 4) || startsWith(bytes, length, "MM\0\x2A", 4))
        return ContainerKind::ExifMagic;
    if (length >= 12 && startsWith(bytes, length, "ftyp", 4, 4))
        return isoBmffKind(bytes, length);
    if (startsWith(bytes, length, "\0\0\0\x0CJXL \x0D\x0A\x87\x0A", 12))
        return ContainerKind::StillImage;
    if (startsWith(bytes, length, "RIFF", 4)) {
        if (startsWith(bytes, length, "WEBP", 4, 8))
            return ContainerKind::StillImage;
        if (startsWith(bytes, length, "AVI ", 4, 8))
            return ContainerKind::Movie;
        return ContainerKind::Unknown;
    }
    if (startsWith(bytes, length, "\x89PNG\r\n\x1A\n", 8) ||
        startsWith(bytes, length, "HEAPCCDR", 8, 6) ||      // CRW (CIFF)
        startsWith(bytes, length, "FUJIFILMCCD-RAW", 15) || // RAF
        startsWith(bytes, length, "IIRO", 4) || startsWith(bytes, length, "IIRS", 4) ||
        startsWith(bytes, length, "MMOR", 4) ||  // ORF
        startsWith(bytes, length, "IIU\0", 4) || // RW2
        startsWith(bytes, length, "\0MRM", 4))   // MRW
        return ContainerKind::StillImage;
    if (startsWith(bytes, length, "FOVb", 4))
        return ContainerKind::SigmaX3f;
    if (isQuickTimeAtom(bytes, length))
        return ContainerKind::Movie;
    if (isTransportStream(bytes, length))
        return ContainerKind::MpegTs;
    return ContainerKind::Unknown;
}

} // namespace orvane
