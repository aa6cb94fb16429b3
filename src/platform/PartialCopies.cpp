#include "platform/PartialCopies.h"

#include "platform/FileCopier.h"

#include <mutex>
#include <sys/stat.h>
#include <unordered_set>

namespace orvane {

bool isPartialCopyName(std::string_view name) {
    return name.substr(0, kPartialCopyPrefix.size()) == kPartialCopyPrefix;
}

namespace partial_copies {
namespace {

std::mutex gMutex;
// Not ordered: the paths share long prefixes, which a tree compares again at every level.
std::unordered_set<std::string> gPaths;
bool gClosed = false;

} // namespace

void remember(const std::string& path) {
    std::lock_guard guard(gMutex);
    if (!gClosed)
        gPaths.insert(path);
}

void forget(const std::string& path) {
    std::lock_guard guard(gMutex);
    gPaths.erase(path);
}

size_t discardAll() {
    std::lock_guard guard(gMutex);
    gClosed = true;
    size_t removed = 0;
    for (const std::string& path : gPaths) {
        // A folder copy may still be adding entries while it is removed: try a few times.
        struct stat status;
        for (int attempt = 0; attempt < 3 && ::lstat(path.c_str(), &status) == 0; ++attempt)
            (void)removeTree(path);
        if (::lstat(path.c_str(), &status) != 0)
            ++removed;
    }
    gPaths.clear();
    return removed;
}

} // namespace partial_copies
} // namespace orvane
