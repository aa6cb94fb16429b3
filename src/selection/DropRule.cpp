#include "selection/DropRule.h"

#include "merge/RunStatus.h"

#include <sys/stat.h>

namespace orvane {

bool shouldAllowDropOfPaths(int mergeState, WellRole role, const PathList& paths) {
    if (mergeState != kMergeIdle)
        return false;
    if (role == WellRole::From)
        return true;
    if (paths.size() != 1)
        return false;
    struct stat status;
    return ::stat(paths.front().c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace orvane
