#include "platform/thumbnails/FileThumbnailer.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace orvane {
namespace {

// Each reader gives a picture of a real file of its kind, when the shared samples are there.
TEST(FileThumbnailer, ReadsHeifRawAndVideoSamples) {
    const std::filesystem::path data = ORVANE_TESTDATA_DIR;
    if (!std::filesystem::exists(data / "formats") || !std::filesystem::exists(data / "exif"))
        GTEST_SKIP() << "no shared test data";
    const FileThumbnailer thumbnailer;
    EXPECT_FALSE(thumbnailer.reads("/card/DCIM/IMG_0001.JPG"));
    EXPECT_FALSE(thumbnailer.reads("http://example.com/clip.mp4"));
    for (const char* sample : {
             "formats/MikeKovarik/exifr/test/fixtures/heic-iphone7.heic",
             "exif/Exiv2/exiv2/test/data/Canon-R6-pruned.CR3",
             "formats/drewnoakes/metadata-extractor-images/mp4/uuid540.mp4",
         }) {
        SCOPED_TRACE(sample);
        const std::string path = (data / sample).string();
        ASSERT_TRUE(std::filesystem::exists(path));
        ASSERT_TRUE(thumbnailer.reads(path));
        const std::optional<Thumbnail> thumbnail = thumbnailer.read(path, 96);
        ASSERT_TRUE(thumbnail);
        EXPECT_GE(std::max(thumbnail->width, thumbnail->height), 96);
        EXPECT_TRUE(!thumbnail->encoded.empty() ||
                    thumbnail->rgb.size() == size_t(thumbnail->width) * thumbnail->height * 3);
    }
}

} // namespace
} // namespace orvane
