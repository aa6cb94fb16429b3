#include "base/ErrorFormat.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/StringHelpers.h"
#include "merge/MergeEngine.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace orvane {
namespace {

// The names inside a folder, sorted, without "." and "..".
bool listFolder(const std::string& path, std::vector<std::string>& names) {
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return false;
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        names.emplace_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
}

} // namespace

ErrorText MergeEngine::copyAttributes(const struct stat& status, const std::string& source,
                                      const std::string& destination,
                                      const std::string& shownDestination) const {
    // Microsecond precision, the remainder dropped, as the times of a utimes call.
    struct timespec times[2];
    times[0].tv_sec = status.st_atim.tv_sec;
    times[0].tv_nsec = status.st_atim.tv_nsec / 1000 * 1000;
    times[1].tv_sec = status.st_mtim.tv_sec;
    times[1].tv_nsec = status.st_mtim.tv_nsec / 1000 * 1000;
    // A link inside a copied folder gets its own times: through it they would land on
    // whatever it points to, perhaps outside the copy.
    if (::utimensat(AT_FDCWD, destination.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0)
        return std::nullopt;
    const int err = errno;
    logMessage(LOG_WARN,
               "Couldn't restore file times for original file '%s' (fsr='%s'), destination file "
               "'%s' (fsr='%s'): %d-%s",
               safeCString(source).c_str(), source.c_str(), safeCString(shownDestination).c_str(),
               shownDestination.c_str(), err, std::strerror(err));
    return fillPlaceholders("Couldn't copy attributes to copied file '%@': %s",
                            errorDetailFileNameForDestPath(shownDestination), std::strerror(err));
}

ErrorText MergeEngine::recursivelyCopyAttributesFromTree(const std::string& sourceTree,
                                                         const std::string& copiedTree,
                                                         const std::string& shownTree) const {
    logMessage(LOG_DEBUG, "Recursively copying attributes from '%s' to '%s'.",
               safeCString(sourceTree).c_str(), safeCString(shownTree).c_str());
    ErrorText firstError;

    // Pre-order walk of the copy: each folder before its contents; links are not entered.
    std::vector<std::string> pending; // relative paths, popped from the back
    auto pushChildren = [&](const std::string& relative) {
        std::vector<std::string> names;
        const std::string folder =
            relative.empty() ? copiedTree : appendPathComponent(copiedTree, relative);
        if (!listFolder(folder, names))
            return;
        for (auto it = names.rbegin(); it != names.rend(); ++it)
            pending.push_back(relative.empty() ? *it : relative + "/" + *it);
    };
    pushChildren("");
    while (!pending.empty()) {
        const std::string relative = std::move(pending.back());
        pending.pop_back();
        const std::string sourceItem = appendPathComponent(sourceTree, relative);
        const std::string copiedItem = appendPathComponent(copiedTree, relative);
        struct stat status;
        if (::lstat(sourceItem.c_str(), &status) == 0) {
            ErrorText error = copyAttributes(status, sourceItem, copiedItem,
                                             appendPathComponent(shownTree, relative));
            if (error && !firstError)
                firstError = error;
        } else {
            const int err = errno;
            logMessage(LOG_WARN,
                       "In recursive attribute copy of '%s' to '%s': couldn't read attributes for "
                       "path '%s' (fsr='%s'): %d-%s",
                       safeCString(sourceTree).c_str(), safeCString(shownTree).c_str(),
                       safeCString(sourceItem).c_str(), sourceItem.c_str(), err,
                       std::strerror(err));
            if (!firstError)
                firstError = fillPlaceholders("Error reading attributes of  subfile '%@': %s",
                                              relative, std::strerror(err));
        }
        struct stat copiedStatus;
        if (::lstat(copiedItem.c_str(), &copiedStatus) == 0 && S_ISDIR(copiedStatus.st_mode))
            pushChildren(relative);
    }
    return firstError;
}

} // namespace orvane
