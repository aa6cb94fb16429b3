#include "platform/thumbnails/FileThumbnailer.h"

#include "base/Paths.h"
#include "platform/thumbnails/HeifThumbnail.h"
#include "platform/thumbnails/RawPreview.h"
#include "platform/thumbnails/VideoFrame.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace orvane {
namespace {

enum class Reader { kNone, kHeif, kRaw, kVideo };

constexpr std::array<std::string_view, 6> kHeif = {"avif", "heic", "heics", "heif", "hif", "hej2"};
constexpr std::array<std::string_view, 27> kRaw = {"3fr", "arw", "cr2", "cr3", "crw", "dcr", "dng",
                                                   "erf", "iiq", "kdc", "mef", "mos", "mrw", "nef",
                                                   "nrw", "orf", "pef", "raf", "raw", "rw2", "rwl",
                                                   "sr2", "srf", "srw", "x3f", "gpr", "ori"};
constexpr std::array<std::string_view, 16> kVideo = {"3g2", "3gp", "avi",  "m2t", "m2ts", "m4v",
                                                     "mkv", "mod", "mov",  "mp4", "mpeg", "mpg",
                                                     "mts", "tod", "webm", "wmv"};

template <size_t N> bool among(const std::array<std::string_view, N>& list, std::string_view s) {
    return std::find(list.begin(), list.end(), s) != list.end();
}

Reader readerOf(const std::string& path) {
    // Files only: the decoders take other names as addresses to fetch (exiv2 and ffmpeg
    // both read from the network), and a camera's files are not files here.
    if (path.empty() || path.front() != '/')
        return Reader::kNone;
    const std::string name = lastPathComponent(path);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return Reader::kNone;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (among(kHeif, extension))
        return Reader::kHeif;
    if (among(kRaw, extension))
        return Reader::kRaw;
    if (among(kVideo, extension))
        return Reader::kVideo;
    return Reader::kNone;
}

} // namespace

bool FileThumbnailer::reads(const std::string& path) const {
    return readerOf(path) != Reader::kNone;
}

std::optional<Thumbnail> FileThumbnailer::read(const std::string& path, int size) const {
    switch (readerOf(path)) {
    case Reader::kHeif:
        return heifThumbnail(path, size);
    case Reader::kRaw:
        return rawPreview(path, size);
    case Reader::kVideo:
        return videoFrame(path, size);
    case Reader::kNone:
        break;
    }
    return std::nullopt;
}

} // namespace orvane
