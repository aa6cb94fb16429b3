#pragma once

#include "platform/Thumbnailer.h"

#include <optional>
#include <string>

namespace orvane {

// The picture of a HEIF or AVIF file's primary image through libheif: the thumbnail image
// the file carries when it is at least `size` pixels on its long side (phones store one of
// a few hundred pixels), else the primary image decoded whole. Upright: libheif applies the
// file's rotation and mirroring.
std::optional<Thumbnail> heifThumbnail(const std::string& path, int size);

} // namespace orvane
