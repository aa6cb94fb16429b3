#include "naming/FileKind.h"

#include "base/AsciiText.h"

#include <algorithm>
#include <array>
#include <string>

namespace orvane {
namespace {

constexpr std::array<std::string_view, 41> kPhotoExtensions = {
    "jpg",  "jpeg", "jpe", "heic", "heif", "hif", "avif", "png", "tif", "tiff", "gif",
    "webp", "jxl",  "bmp", "3fr",  "arw",  "cr2", "cr3",  "crw", "dcr", "dng",  "erf",
    "iiq",  "kdc",  "mef", "mos",  "mrw",  "nef", "nrw",  "orf", "pef", "raf",  "raw",
    "rw2",  "rwl",  "sr2", "srf",  "srw",  "x3f", "gpr",  "insp"};
constexpr std::array<std::string_view, 19> kVideoExtensions = {
    "mov", "mp4", "m4v", "avi",  "mts", "m2ts", "mpg", "mpeg", "3gp", "mkv",
    "wmv", "mod", "tod", "webm", "lrv", "insv", "mxf", "vob",  "3g2"};

} // namespace

const char* fileKindOf(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || name.size() - dot > 6)
        return kOtherKind;
    const std::string extension = asciiLowered(name.substr(dot + 1));
    auto among = [&](const auto& list) {
        return std::find(list.begin(), list.end(), extension) != list.end();
    };
    if (among(kPhotoExtensions))
        return kPhotosKind;
    if (among(kVideoExtensions))
        return kVideosKind;
    return kOtherKind;
}

} // namespace orvane
