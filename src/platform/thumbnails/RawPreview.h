#pragma once

#include "platform/Thumbnailer.h"

#include <optional>
#include <string>

namespace orvane {

// The picture a raw file carries (CR2, CR3, NEF, ARW, DNG, ORF, RAF, RW2 …) through exiv2's
// preview manager: the smallest JPEG preview that is at least `size` pixels on its long
// side, else the largest there is, with the raw file's orientation to apply (previews are
// stored as the sensor lies).
std::optional<Thumbnail> rawPreview(const std::string& path, int size);

} // namespace orvane
