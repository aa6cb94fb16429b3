#pragma once

#include "platform/Thumbnailer.h"

#include <optional>
#include <string>

namespace orvane {

// One frame of a video, a tenth of the way in, through ffmpegthumbnailer (the cover picture
// the container carries where it has one), `size` pixels wide, with a film strip down its
// left edge.
std::optional<Thumbnail> videoFrame(const std::string& path, int size);

} // namespace orvane
