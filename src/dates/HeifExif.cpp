#include "dates/HeifExif.h"

#include "base/Log.h"
#include "dates/ExifDate.h"
#include "platform/HeifLibrary.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace orvane {
namespace {

// An EXIF block larger than this is not one a camera wrote.
constexpr size_t kExifBlockLimit = 4 * 1024 * 1024;

using Context = std::unique_ptr<heif_context, decltype(HeifLibrary::context_free)>;
using Handle = std::unique_ptr<heif_image_handle, decltype(HeifLibrary::image_handle_release)>;

time_t primaryImageDate(const HeifLibrary& heif, heif_context* context) {
    heif_image_handle* raw = nullptr;
    if (heif.context_get_primary_image_handle(context, &raw).code != heif_error_Ok || !raw)
        return -1;
    const Handle handle(raw, heif.image_handle_release);
    const int count = heif.image_handle_get_number_of_metadata_blocks(raw, "Exif");
    if (count <= 0)
        return -1;
    std::vector<heif_item_id> ids(static_cast<size_t>(count));
    const int listed =
        heif.image_handle_get_list_of_metadata_block_IDs(raw, "Exif", ids.data(), count);
    for (int i = 0; i < listed; ++i) {
        const size_t size = heif.image_handle_get_metadata_size(raw, ids[i]);
        if (size == 0 || size > kExifBlockLimit)
            continue;
        std::vector<unsigned char> item(size);
        if (heif.image_handle_get_metadata(raw, ids[i], item.data()).code != heif_error_Ok)
            continue;
        if (const time_t seconds = heifExifItemDate(item.data(), item.size()); seconds != -1)
            return seconds;
    }
    return -1;
}

template <typename Read> time_t dateRead(Read read) {
    const HeifLibrary* heif = heifLibrary();
    if (!heif)
        return -1;
    const Context context(heif->context_alloc(), heif->context_free);
    if (!context)
        return -1;
    const heif_error error = read(*heif, context.get());
    if (error.code != heif_error_Ok) {
        logMessage(LOG_DEBUG, "libheif couldn't read the file: %s",
                   error.message ? error.message : "");
        return -1;
    }
    return primaryImageDate(*heif, context.get());
}

} // namespace

time_t heifExifItemDate(const unsigned char* item, size_t size) {
    if (size < 4)
        return -1;
    const uint32_t offset =
        (uint32_t{item[0]} << 24) | (uint32_t{item[1]} << 16) | (uint32_t{item[2]} << 8) | item[3];
    if (offset > size - 4)
        return -1;
    const unsigned char* tiff = item + 4 + offset;
    size_t length = size - 4 - offset;
    if (length >= 6 && std::memcmp(tiff, "Exif\0\0", 6) == 0) {
        tiff += 6;
        length -= 6;
    }
    if (length < 8 || !(std::memcmp(tiff, "II*\0", 4) == 0 || std::memcmp(tiff, "MM\0*", 4) == 0))
        return -1;
    return exifDateForBytes(tiff, static_cast<uint32_t>(std::min<size_t>(length, UINT32_MAX)));
}

bool isHeif(const unsigned char* bytes, size_t length) {
    if (length < 16 || std::memcmp(bytes + 4, "ftyp", 4) != 0)
        return false;
    static const char* const kBrands[] = {"heic", "heix", "heim", "heis", "hevc",
                                          "hevx", "mif1", "msf1", "avif", "avis"};
    const size_t boxSize =
        (size_t{bytes[0]} << 24) | (size_t{bytes[1]} << 16) | (size_t{bytes[2]} << 8) | bytes[3];
    const size_t end = std::min(boxSize, length);
    // The major brand, then the compatible ones after the minor version.
    for (size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4)
        for (const char* brand : kBrands)
            if (std::memcmp(bytes + at, brand, 4) == 0)
                return true;
    return false;
}

time_t heifExifDate(const char* path) {
    return dateRead([&](const HeifLibrary& heif, heif_context* context) {
        return heif.context_read_from_file(context, path, nullptr);
    });
}

time_t heifExifDateForBytes(const unsigned char* bytes, size_t length) {
    return dateRead([&](const HeifLibrary& heif, heif_context* context) {
        return heif.context_read_from_memory_without_copy(context, bytes, length, nullptr);
    });
}

} // namespace orvane
