#include "platform/thumbnails/FileThumbnailer.h"

#include "base/Paths.h"
#include "platform/FileDescriptor.h"
#include "platform/thumbnails/HeifThumbnail.h"
#include "platform/thumbnails/RawPreview.h"
#include "platform/thumbnails/VideoFrame.h"

#include <algorithm>
#include <array>
#include <fcntl.h>
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
    const Reader reader = readerOf(path);
    if (reader == Reader::kNone)
        return std::nullopt;
    // The decoders open by name: they are given the file opened here, so that a link or a
    // FIFO under the name (which would hold the reader for ever) is never opened by them.
    const UniqueFd file = openSourceFile(AT_FDCWD, path.c_str());
    if (file.get() < 0)
        return std::nullopt;
    const std::string opened = pathOfOpenFile(file.get());
    switch (reader) {
    case Reader::kHeif:
        return heifThumbnail(opened, size);
    case Reader::kRaw:
        return rawPreview(opened, size);
    case Reader::kVideo:
        return videoFrame(opened, size);
    case Reader::kNone:
        break;
    }
    return std::nullopt;
}

} // namespace orvane
