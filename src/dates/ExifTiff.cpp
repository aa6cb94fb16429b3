#include "dates/ExifTiff.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <libexif/exif-utils.h>

namespace orvane {
namespace {

constexpr unsigned char kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr size_t kHeaderSize = sizeof kExifHeader;

} // namespace

ExifData* newExifDataWithoutFixes() {
    ExifData* data = exif_data_new();
    if (data) {
        exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
        exif_data_set_option(data, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    }
    return data;
}

ExifData* loadExifFromTiff(const unsigned char* bytes, uint32_t length) {
    ExifData* data = newExifDataWithoutFixes();
    exif_data_load_tiff_part(data, bytes, length);
    return data;
}

void exif_data_load_tiff_part(ExifData* data, const unsigned char* bytes, uint32_t length) {
    if (!data || !bytes || length == 0)
        return;
    const uint32_t n = std::min(length, kTiffExifBound);
    if (n < 12)
        return;

    ExifByteOrder order;
    if (bytes[0] == 'I' && bytes[1] == 'I')
        order = EXIF_BYTE_ORDER_INTEL;
    else if (bytes[0] == 'M' && bytes[1] == 'M')
        order = EXIF_BYTE_ORDER_MOTOROLA;
    else
        return;
    exif_data_set_byte_order(data, order);
    if (exif_get_short(bytes + 2, order) != 42)
        return;

    // n is at most 0xfffe, so none of the sums below can wrap.
    const uint32_t ifd0 = exif_get_long(bytes + 4, order);
    if (ifd0 > n || ifd0 + 2 > n)
        return;

    // Where IFD 0 ends, the offset of IFD 1 follows; decide here whether IFD 1 may load.
    const uint32_t entries = exif_get_short(bytes + ifd0, order);
    const uint32_t linkAt = ifd0 + 2 + 12 * entries;
    bool linkInBounds = ifd0 + 12 * entries + 6 <= n;
    bool loadIfd1 = false;
    if (linkInBounds) {
        const uint32_t ifd1 = exif_get_long(bytes + linkAt, order);
        loadIfd1 = ifd1 != 0 && ifd1 <= n && ifd1 + 6 <= n;
    }

    // libexif loads a TIFF structure from behind an APP1 "Exif\0\0" header, bounded by the
    // length it is given: hand it a copy of the first n bytes behind that header.
    auto* buffer = static_cast<unsigned char*>(std::malloc(kHeaderSize + n));
    if (!buffer)
        return;
    std::memcpy(buffer, kExifHeader, kHeaderSize);
    std::memcpy(buffer + kHeaderSize, bytes, n);
    if (linkInBounds && !loadIfd1)
        std::memset(buffer + kHeaderSize + linkAt, 0, 4); // libexif would take it otherwise
    exif_data_load_data(data, buffer, static_cast<unsigned int>(kHeaderSize + n));
    std::free(buffer);
}

} // namespace orvane
