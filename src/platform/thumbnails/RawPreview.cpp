#include "platform/thumbnails/RawPreview.h"

#include "base/Log.h"
#include "platform/Exiv2Setup.h"

#include <algorithm>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#pragma GCC diagnostic ignored "-Wdeprecated-declarations" // Image::AutoPtr is an auto_ptr

namespace orvane {
namespace {

// A preview larger than this is not a preview a camera wrote.
constexpr uint32_t kLargestPreview = 64 * 1024 * 1024;

int orientationOf(const Exiv2::ExifData& exif) {
    const auto it = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (it == exif.end() || it->count() == 0)
        return 1;
    const long value = it->toLong();
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
}

// The JPEG previews by size, the one to show first: the smallest that is large enough,
// else the largest. Previews of unknown size count by their bytes, after those of known.
const Exiv2::PreviewProperties* choose(const Exiv2::PreviewPropertiesList& list, int size) {
    const Exiv2::PreviewProperties* best = nullptr;
    auto side = [](const Exiv2::PreviewProperties& p) {
        return static_cast<int>(std::max(p.width_, p.height_));
    };
    for (const Exiv2::PreviewProperties& properties : list) {
        if (properties.mimeType_ != "image/jpeg" || properties.size_ == 0 ||
            properties.size_ > kLargestPreview)
            continue;
        if (!best) {
            best = &properties;
            continue;
        }
        const bool bigEnough = side(properties) >= size;
        const bool bestBigEnough = side(*best) >= size;
        if (bigEnough != bestBigEnough ? bigEnough
            : bigEnough                ? side(properties) < side(*best)
                                       : side(properties) > side(*best) ||
                              (side(properties) == side(*best) && properties.size_ > best->size_))
            best = &properties;
    }
    return best;
}

} // namespace

std::optional<Thumbnail> rawPreview(const std::string& path, int size) {
    initialiseExiv2();
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path);
        if (!image.get())
            return std::nullopt;
        image->readMetadata();
        Exiv2::PreviewManager previews(*image);
        const Exiv2::PreviewPropertiesList list = previews.getPreviewProperties();
        const Exiv2::PreviewProperties* chosen = choose(list, size);
        if (!chosen)
            return std::nullopt;
        const Exiv2::PreviewImage preview = previews.getPreviewImage(*chosen);
        if (preview.size() == 0)
            return std::nullopt;
        Thumbnail thumbnail;
        thumbnail.encoded.assign(reinterpret_cast<const char*>(preview.pData()), preview.size());
        thumbnail.width = static_cast<int>(preview.width());
        thumbnail.height = static_cast<int>(preview.height());
        thumbnail.orientation = orientationOf(image->exifData());
        return thumbnail;
    } catch (const std::exception& e) {
        logMessage(LOG_DEBUG, "exiv2 couldn't read a preview: %s", e.what());
    } catch (...) {
        logMessage(LOG_DEBUG, "exiv2 couldn't read a preview");
    }
    return std::nullopt;
}

} // namespace orvane
