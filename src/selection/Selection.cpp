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

std::string sourceFieldText(const PathList& fromPaths) {
    if (fromPaths.empty())
        return "";
    if (fromPaths.size() == 1) {
        // "DCIM" alone says nothing of which card: its parent names it ("TESTCARD ▸ DCIM").
        const std::string parent = lastPathComponent(deletingLastPathComponent(fromPaths.front()));
        const std::string name = lastPathComponent(fromPaths.front());
        return parent.empty() || parent == "/" ? name : parent + " \u25b8 " + name;
    }
    std::string text = std::to_string(fromPaths.size()) + " items: ";
    for (size_t i = 0; i < fromPaths.size(); ++i)
        text += (i ? ", " : "") + lastPathComponent(fromPaths[i]);
    return text;
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
