// Where a folder named by the user lies, also before it exists, so that two spellings of one
// folder (a link, "..", a trailing slash, a bind mount) are known to be one, and a folder is
// known to lie inside another before either is made.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace orvane {

struct FolderPlace {
    using Id = std::pair<dev_t, ino_t>;
    // The real path of the nearest folder of the name that exists, the rest of the name after
    // it ("." and ".." taken away).
    std::string path;
    // The device and inode of the folder itself, when it exists.
    std::optional<Id> id;
    // Those of the folder, when it exists, and of every folder above it.
    std::vector<Id> idsUpward;
};

FolderPlace folderPlaceOf(const std::string& path);

// Whether `inner` is `outer` or lies below it.
bool liesWithin(const FolderPlace& inner, const FolderPlace& outer);

} // namespace orvane
