#include "platform/thumbnails/HeifThumbnail.h"

#include "base/Log.h"
#include "platform/HeifLibrary.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace orvane {
namespace {

using Context = std::unique_ptr<heif_context, decltype(HeifLibrary::context_free)>;
using Handle = std::unique_ptr<heif_image_handle, decltype(HeifLibrary::image_handle_release)>;
using Image = std::unique_ptr<heif_image, decltype(HeifLibrary::image_release)>;

// Larger primary images are not decoded for a thumbnail: one of these takes seconds and
// hundreds of megabytes (a 100-megapixel camera's image is decoded, in about 300 MB).
constexpr int kLargestSide = 16384;
constexpr long kLargestDecoded = 120'000'000;
// A decoded image is first brought to this many times the size asked for (by libheif's
// plain scaler, which keeps every n-th pixel) so that no full-sized copy is handed on; the
// window's smooth scaling from there hides the skipped pixels.
constexpr int kOversampling = 4;

Handle primaryHandle(const HeifLibrary& heif, heif_context* context) {
    heif_image_handle* raw = nullptr;
    if (heif.context_get_primary_image_handle(context, &raw).code != heif_error_Ok)
        raw = nullptr;
    return Handle(raw, heif.image_handle_release);
}

// The smallest stored thumbnail that is at least `size` on its long side.
Handle storedThumbnail(const HeifLibrary& heif, heif_image_handle* primary, int size) {
    const int count = heif.image_handle_get_number_of_thumbnails(primary);
    if (count <= 0)
        return Handle(nullptr, heif.image_handle_release);
    std::vector<heif_item_id> ids(static_cast<size_t>(count));
    const int listed = heif.image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
    Handle best(nullptr, heif.image_handle_release);
    int bestSide = 0;
    for (int i = 0; i < listed; ++i) {
        heif_image_handle* raw = nullptr;
        if (heif.image_handle_get_thumbnail(primary, ids[i], &raw).code != heif_error_Ok || !raw)
            continue;
        Handle candidate(raw, heif.image_handle_release);
        const int side =
            std::max(heif.image_handle_get_width(raw), heif.image_handle_get_height(raw));
        if (side >= size && (!best || side < bestSide)) {
            best = std::move(candidate);
            bestSide = side;
        }
    }
    return best;
}

// The image at most `side` pixels on its long side.
Image reduced(const HeifLibrary& heif, Image image, int side) {
    const int width = heif.image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif.image_get_height(image.get(), heif_channel_interleaved);
    if (std::max(width, height) <= side)
        return image;
    const double scale = double(side) / std::max(width, height);
    heif_image* raw = nullptr;
    if (heif.image_scale_image(image.get(), &raw, std::max(1, int(width * scale)),
                               std::max(1, int(height * scale)), nullptr)
                .code != heif_error_Ok ||
        !raw)
        return image;
    return Image(raw, heif.image_release);
}

std::optional<Thumbnail> decoded(const HeifLibrary& heif, heif_image_handle* handle, int size) {
    const int width = heif.image_handle_get_width(handle);
    const int height = heif.image_handle_get_height(handle);
    if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide ||
        long{width} * height > kLargestDecoded)
        return std::nullopt;
    heif_image* raw = nullptr;
    const heif_error error =
        heif.decode_image(handle, &raw, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
    if (error.code != heif_error_Ok || !raw) {
        logMessage(LOG_DEBUG, "libheif couldn't decode the image: %s",
                   error.message ? error.message : "");
        return std::nullopt;
    }
    // Some cameras code a thumbnail larger than it is shown and leave the rest to the item's
    // size (Canon's 320 by 214 in 320 by 320, the rest green): what lies beyond is cut off.
    const int decodedWidth = heif.image_get_width(raw, heif_channel_interleaved);
    const int decodedHeight = heif.image_get_height(raw, heif_channel_interleaved);
    if (decodedWidth > width || decodedHeight > height)
        (void)heif.image_crop(raw, 0, std::max(0, decodedWidth - width), 0,
                              std::max(0, decodedHeight - height));
    const Image image = reduced(heif, Image(raw, heif.image_release), size * kOversampling);
    int stride = 0;
    const uint8_t* pixels =
        heif.image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    // The decoded size, which the file's rotation may have swapped.
    Thumbnail thumbnail;
    thumbnail.width = heif.image_get_width(image.get(), heif_channel_interleaved);
    thumbnail.height = heif.image_get_height(image.get(), heif_channel_interleaved);
    const size_t row = static_cast<size_t>(thumbnail.width) * 3;
    if (!pixels || thumbnail.width <= 0 || thumbnail.height <= 0 || stride < 0 ||
        static_cast<size_t>(stride) < row)
        return std::nullopt;
    thumbnail.rgb.resize(row * static_cast<size_t>(thumbnail.height));
    for (int y = 0; y < thumbnail.height; ++y)
        std::memcpy(thumbnail.rgb.data() + row * static_cast<size_t>(y),
                    pixels + static_cast<size_t>(stride) * static_cast<size_t>(y), row);
    return thumbnail;
}

} // namespace

std::optional<Thumbnail> heifThumbnail(const std::string& path, int size) {
    const HeifLibrary* library = heifLibrary();
    if (!library)
        return std::nullopt;
    const HeifLibrary& heif = *library;
    const Context context(heif.context_alloc(), heif.context_free);
    if (!context)
        return std::nullopt;
    const heif_error error = heif.context_read_from_file(context.get(), path.c_str(), nullptr);
    if (error.code != heif_error_Ok) {
        logMessage(LOG_DEBUG, "libheif couldn't read the file: %s",
                   error.message ? error.message : "");
        return std::nullopt;
    }
    const Handle primary = primaryHandle(heif, context.get());
    if (!primary)
        return std::nullopt;
    if (const Handle stored = storedThumbnail(heif, primary.get(), size))
        if (std::optional<Thumbnail> thumbnail = decoded(heif, stored.get(), size))
            return thumbnail;
    return decoded(heif, primary.get(), size);
}

} // namespace orvane
