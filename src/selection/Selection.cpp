#include "selection/Selection.h"

#include "app/Controller.h"
#include "merge/RunStatus.h"
#include "platform/Paths.h"

#include <sys/stat.h>

namespace orvane {

std::string fromPathDescriptionIncludingPrefix(const PathList& fromPaths, bool includingPrefix) {
    if (fromPaths.empty())
        return "";
    if (fromPaths.size() == 1)
        return includingPrefix ? fromPaths.front() : lastPathComponent(fromPaths.front());
    return std::to_string(fromPaths.size()) + " files";
}

bool well(int mergeState, DropWell which, const PathList& paths) {
    if (mergeState != kMergeIdle)
        return false;
    if (which == DropWell::From)
        return true;
    if (paths.size() != 1)
        return false;
    struct stat status;
    return ::stat(paths.front().c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string Controller::fromPathDescriptionIncludingPrefix(bool includingPrefix) const {
    return orvane::fromPathDescriptionIncludingPrefix(fromPaths_, includingPrefix);
}

bool Controller::well(DropWell which, const PathList& paths) {
    return orvane::well(mergeState(), which, paths);
}

} // namespace orvane
