#include "merge/FolderPlaces.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;

std::optional<FolderPlace::Id> idOf(const std::string& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return FolderPlace::Id{status.st_dev, status.st_ino};
}

} // namespace

FolderPlace folderPlaceOf(const std::string& path) {
    std::error_code error;
    fs::path named = fs::absolute(path, error);
    if (error)
        named = path;
    // The nearest folder of the name that exists is resolved by the kernel; what follows it
    // is taken as written, but for a link that points nowhere yet, which is followed by hand:
    // the folder made there later is the one the name reaches.
    fs::path rest;
    fs::path existing = named;
    char resolved[PATH_MAX] = "/";
    for (int links = 0; !::realpath(existing.c_str(), resolved);) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(existing.c_str(), target, sizeof target - 1);
        if (length > 0 && ++links <= 40) {
            target[length] = '\0';
            existing = existing.parent_path() / fs::path(target);
            continue;
        }
        if (!existing.has_relative_path()) {
            resolved[0] = '/', resolved[1] = '\0';
            break;
        }
        const fs::path last = existing.filename();
        if (!last.empty())
            rest = rest.empty() ? last : last / rest;
        existing = existing.parent_path();
    }
    FolderPlace place;
    fs::path whole = (fs::path(resolved) / rest).lexically_normal();
    std::string text = whole.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    place.path = text;
    if (rest.empty())
        place.id = idOf(place.path);
    // Every folder above, by identity: a bind mount shows one folder under two paths.
    for (fs::path level = place.path;; level = level.parent_path()) {
        if (const std::optional<FolderPlace::Id> id = idOf(level.string()))
            place.idsUpward.push_back(*id);
        if (!level.has_relative_path())
            break;
    }
    return place;
}

bool liesWithin(const FolderPlace& inner, const FolderPlace& outer) {
    const std::string& in = inner.path;
    const std::string& out = outer.path;
    if (in == out || (in.size() > out.size() && in.compare(0, out.size(), out) == 0 &&
                      (out == "/" || in[out.size()] == '/')))
        return true;
    return outer.id && std::find(inner.idsUpward.begin(), inner.idsUpward.end(), *outer.id) !=
                           inner.idsUpward.end();
}

} // namespace orvane
