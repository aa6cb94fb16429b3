#include "platform/thumbnails/VideoFrame.h"

#include "base/Log.h"
#include "platform/LoadedLibrary.h"

#include <cstdarg>
#include <libffmpegthumbnailer/videothumbnailerc.h>
#include <memory>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

namespace orvane {
namespace {

// The decoder is loaded the first time a video's frame is wanted, not at start: with the
// hundred and more libraries it brings (every codec, filter and network protocol of ffmpeg)
// it would cost every run, most of which never show a video, tens of milliseconds to start
// and about 20 MB of memory.
struct Decoder {
    decltype(&video_thumbnailer_create) create = nullptr;
    decltype(&video_thumbnailer_destroy) destroy = nullptr;
    decltype(&video_thumbnailer_create_image_data) createImageData = nullptr;
    decltype(&video_thumbnailer_destroy_image_data) destroyImageData = nullptr;
    decltype(&video_thumbnailer_set_size) setSize = nullptr;
    decltype(&video_thumbnailer_generate_thumbnail_to_buffer) generate = nullptr;
    decltype(&av_log_set_callback) setLogCallback = nullptr;
    decltype(&av_log_format_line2) formatLogLine = nullptr;
};

const Decoder* decoder();

// A frame of a video of this many pixels is not one a camera recorded.
constexpr long kLargestFrame = 16384L * 16384L;

// The decoders' complaints about the files they read (deprecated pixel formats, damaged
// packets) go to the debug log, not to standard error.
void logDecoderMessage(void* context, int level, const char* format, va_list values) {
    if (level > AV_LOG_WARNING)
        return;
    char line[512];
    int prefix = 1;
    decoder()->formatLogLine(context, level, format, values, line, sizeof line, &prefix);
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    logMessage(LOG_DEBUG, "ffmpeg: %s", text.c_str());
}

// None when the library is not installed: videos then have no frame to show.
const Decoder* decoder() {
    static const Decoder* const loaded = []() -> const Decoder* {
        void* library = openLibrary("libffmpegthumbnailer.so.4", "Video thumbnails are off");
        if (!library)
            return nullptr;
        static Decoder decoder;
        // Its ffmpeg libraries are found through it.
        if (!loadFunction(library, "video_thumbnailer_create", decoder.create) ||
            !loadFunction(library, "video_thumbnailer_destroy", decoder.destroy) ||
            !loadFunction(library, "video_thumbnailer_create_image_data",
                          decoder.createImageData) ||
            !loadFunction(library, "video_thumbnailer_destroy_image_data",
                          decoder.destroyImageData) ||
            !loadFunction(library, "video_thumbnailer_set_size", decoder.setSize) ||
            !loadFunction(library, "video_thumbnailer_generate_thumbnail_to_buffer",
                          decoder.generate) ||
            !loadFunction(library, "av_log_set_callback", decoder.setLogCallback) ||
            !loadFunction(library, "av_log_format_line2", decoder.formatLogLine)) {
            logMessage(LOG_INFO, "Video thumbnails are off: the decoder library lacks a function");
            return nullptr;
        }
        decoder.setLogCallback(logDecoderMessage);
        return &decoder;
    }();
    return loaded;
}

} // namespace

std::optional<Thumbnail> videoFrame(const std::string& path, int size) {
    const Decoder* const library = decoder();
    if (!library)
        return std::nullopt;
    using VideoThumbnailer = std::unique_ptr<video_thumbnailer, decltype(library->destroy)>;
    using ImageData = std::unique_ptr<image_data, decltype(library->destroyImageData)>;
    const VideoThumbnailer thumbnailer(library->create(), library->destroy);
    const ImageData frame(library->createImageData(), library->destroyImageData);
    if (!thumbnailer || !frame)
        return std::nullopt;
    thumbnailer->thumbnail_image_type = Rgb;
    thumbnailer->maintain_aspect_ratio = 1;
    thumbnailer->prefer_embedded_metadata = 1;
    // Sprocket holes down the left edge tell a video from a photo at a glance.
    thumbnailer->overlay_film_strip = 1;
    library->setSize(thumbnailer.get(), size, 0);
    if (library->generate(thumbnailer.get(), path.c_str(), frame.get()) != 0) {
        logMessage(LOG_DEBUG, "ffmpegthumbnailer couldn't read a frame");
        return std::nullopt;
    }
    const long width = frame->image_data_width;
    const long height = frame->image_data_height;
    if (width <= 0 || height <= 0 || width * height > kLargestFrame ||
        frame->image_data_size < width * height * 3 || !frame->image_data_ptr)
        return std::nullopt;
    Thumbnail thumbnail;
    thumbnail.width = static_cast<int>(width);
    thumbnail.height = static_cast<int>(height);
    thumbnail.rgb.assign(frame->image_data_ptr, frame->image_data_ptr + width * height * 3);
    return thumbnail;
}

} // namespace orvane
