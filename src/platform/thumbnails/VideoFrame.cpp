#include "platform/thumbnails/VideoFrame.h"

#include "base/Log.h"

#include <cstdarg>
#include <libffmpegthumbnailer/videothumbnailerc.h>
#include <memory>
#include <mutex>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

namespace orvane {
namespace {

using VideoThumbnailer = std::unique_ptr<video_thumbnailer, decltype(&video_thumbnailer_destroy)>;
using ImageData = std::unique_ptr<image_data, decltype(&video_thumbnailer_destroy_image_data)>;

// A frame of a video of this many pixels is not one a camera recorded.
constexpr long kLargestFrame = 16384L * 16384L;

// The decoders' complaints about the files they read (deprecated pixel formats, damaged
// packets) go to the debug log, not to standard error.
void logDecoderMessage(void* context, int level, const char* format, va_list values) {
    if (level > AV_LOG_WARNING)
        return;
    char line[512];
    int prefix = 1;
    av_log_format_line2(context, level, format, values, line, sizeof line, &prefix);
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    logMessage(LOG_DEBUG, "ffmpeg: %s", text.c_str());
}

} // namespace

std::optional<Thumbnail> videoFrame(const std::string& path, int size) {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(logDecoderMessage); });
    const VideoThumbnailer thumbnailer(video_thumbnailer_create(), video_thumbnailer_destroy);
    const ImageData frame(video_thumbnailer_create_image_data(),
                          video_thumbnailer_destroy_image_data);
    if (!thumbnailer || !frame)
        return std::nullopt;
    thumbnailer->thumbnail_image_type = Rgb;
    thumbnailer->maintain_aspect_ratio = 1;
    thumbnailer->prefer_embedded_metadata = 1;
    // Sprocket holes down the left edge tell a video from a photo at a glance.
    thumbnailer->overlay_film_strip = 1;
    video_thumbnailer_set_size(thumbnailer.get(), size, 0);
    if (video_thumbnailer_generate_thumbnail_to_buffer(thumbnailer.get(), path.c_str(),
                                                       frame.get()) != 0) {
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
