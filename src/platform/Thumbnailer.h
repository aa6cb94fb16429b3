#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvane {

// A small picture of a file, as its reader found it: either the bytes of a picture file
// (the JPEG preview a raw file carries) for an image decoder, or rows of 8-bit RGB pixels.
// The window scales it to its own size.
struct Thumbnail {
    std::string encoded;            // a JPEG or PNG file's bytes; empty when `rgb` is given
    std::vector<unsigned char> rgb; // `height` rows of `width * 3` bytes
    int width = 0;
    int height = 0;
    int orientation = 1; // the EXIF orientation (1-8) still to apply; 1 when upright
};

// Pictures of the files the desktop's image decoder does not read itself: HEIF/AVIF, raw
// files, videos. Called on a worker thread, one file at a time; implementations keep no
// state between calls. Tests give their own.
class Thumbnailer {
  public:
    virtual ~Thumbnailer() = default;
    // Whether files of this name's kind are this reader's, by the name's extension.
    virtual bool reads(const std::string& path) const = 0;
    // A picture of the file, no smaller than `size` on its long side where the file holds
    // one that large and not much larger where it can be chosen; none when the file has
    // none or is damaged. Never throws.
    virtual std::optional<Thumbnail> read(const std::string& path, int size) const = 0;
};

} // namespace orvane
