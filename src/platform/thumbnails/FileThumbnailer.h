#pragma once

#include "platform/Thumbnailer.h"

namespace orvane {

// The thumbnail readers of the file kinds a desktop image decoder lacks, chosen by the
// name's extension: HEIF and AVIF through libheif, raw files through exiv2's previews,
// videos through ffmpegthumbnailer. Absolute paths of files only.
class FileThumbnailer : public Thumbnailer {
  public:
    bool reads(const std::string& path) const override;
    std::optional<Thumbnail> read(const std::string& path, int size) const override;
};

} // namespace orvane
