#include "merge/NumberedCopies.h"

#include "base/Paths.h"
#include "merge/NameClash.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace orvane {

std::vector<NumberedCopies::Listed>& NumberedCopies::listing(const std::string& folder) {
    auto [it, added] = folders_.try_emplace(folder);
    if (!added)
        return it->second;
    // A folder that cannot be listed (not there yet, a file, a link) holds no earlier copy.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        return it->second;
    }
    while (const struct dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            it->second.push_back({std::string(name)});
    }
    ::closedir(dir);
    // Sorted, so that the names of one prefix are found together.
    std::sort(it->second.begin(), it->second.end(),
              [](const Listed& a, const Listed& b) { return a.name < b.name; });
    return it->second;
}

std::optional<std::string> NumberedCopies::find(const std::string& contents,
                                                const struct stat& status,
                                                const std::string& folder,
                                                const std::string& planned,
                                                const SequencedName& shape) {
    if (!S_ISREG(status.st_mode))
        return std::nullopt;
    struct stat existing;
    if (::lstat(appendPathComponent(folder, planned).c_str(), &existing) == 0 &&
        S_ISREG(existing.st_mode) && existing.st_size == status.st_size)
        return std::nullopt;
    std::vector<Listed>& names = listing(folder);
    auto it = std::lower_bound(
        names.begin(), names.end(), shape.prefix(),
        [](const Listed& listed, const std::string& prefix) { return listed.name < prefix; });
    for (; it != names.end() && it->name.compare(0, shape.prefix().size(), shape.prefix()) == 0;
         ++it) {
        if (it->name == planned || !shape.numberIn(it->name))
            continue;
        const std::string path = appendPathComponent(folder, it->name);
        if (!it->statted) {
            it->statted = true;
            it->regular = ::lstat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
            it->size = it->regular ? existing.st_size : 0;
        }
        if (it->regular && it->size == status.st_size && sameContents(contents, status, path))
            return it->name;
    }
    return std::nullopt;
}

} // namespace orvane
