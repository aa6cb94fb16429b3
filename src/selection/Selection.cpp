#include "selection/Selection.h"

#include "base/Paths.h"
#include "base/RunStatus.h"

#include <sys/stat.h>

namespace orvane {

std::string fromPathDescriptionIncludingPrefix(const PathList& fromPaths, bool includingPrefix) {
    if (fromPaths.empty())
        return "";
    if (fromPaths.size() == 1)
        return includingPrefix ? fromPaths.front() : lastPathComponent(fromPaths.front());
    return std::to_string(fromPaths.size()) + " files";
}

bool well(int mergeState, WellRole which, const PathList& paths) {
    if (mergeState != kMergeIdle)
        return false;
    if (which == WellRole::From)
        return true;
    if (paths.size() != 1)
        return false;
    struct stat status;
    return ::stat(paths.front().c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace orvane
