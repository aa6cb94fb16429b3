#include "history/CopiesReliedOn.h"

#include "base/Paths.h"
#include "history/RecordedPaths.h"

#include <map>
#include <set>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace orvane {
namespace {

using ItemKey = std::pair<dev_t, ino_t>;

// Whether the original is at its place again (put back, or never gone): a regular file of
// its size and modification time.
bool backAtItsPlace(const OriginalRemoval& original) {
    struct stat status;
    return ::lstat(original.source.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           status.st_size == original.sourceStamp.size &&
           status.st_mtim.tv_sec == original.sourceStamp.modified.tv_sec &&
           status.st_mtim.tv_nsec == original.sourceStamp.modified.tv_nsec;
}

// The run's copies still at their places as it made them, which its undo would remove, and
// the sources they were made from.
struct CopiesThere {
    std::map<ItemKey, FileStamp> items;
    std::set<std::string> sources;
};

CopiesThere copiesStillThere(const RunRecord& run) {
    CopiesThere copies;
    for (const RunRecord::Copy& copy : run.copies) {
        struct stat status;
        if (::lstat(copy.destination.c_str(), &status) != 0 ||
            !(FileStamp::of(status) == copy.stamp))
            continue;
        copies.items[{copy.stamp.device, copy.stamp.inode}] = copy.stamp;
        if (!copy.source.empty())
            copies.sources.insert(copy.source);
    }
    return copies;
}

// Whether one of `copies` may be all that is left of an original a later run removed: one
// made from the same source (the later run's own copy may be gone since), the copy that stood
// for the original as it was then (its change time tells it from a file given the same inode
// later), or the item at the same path below one of the run's other folders, where a backup
// found its copy already and so made none of its own.
bool reliesOn(const RunRecord& run, const OriginalRemoval& removal, const CopiesThere& copies) {
    if (copies.sources.count(removal.source))
        return true;
    if (auto copy = copies.items.find({removal.copyStamp.device, removal.copyStamp.inode});
        copy != copies.items.end() && copy->second == removal.copyStamp)
        return true;
    const std::vector<RecordedRoot> roots = run.roots();
    std::optional<std::vector<std::string>> below;
    size_t nearest = 0;
    for (const RecordedRoot& root : roots)
        if (auto components = componentsBelow(root.path, removal.copy);
            components && root.path.size() >= nearest) {
            below = std::move(components);
            nearest = root.path.size();
        }
    if (!below)
        return false;
    for (const RecordedRoot& root : roots) {
        std::string path = root.path;
        for (const std::string& component : *below)
            path = appendPathComponent(path, component);
        struct stat status;
        if (path != removal.copy && ::lstat(path.c_str(), &status) == 0 &&
            copies.items.count({status.st_dev, status.st_ino}))
            return true;
    }
    return false;
}

} // namespace

std::optional<RelyingRun> runRelyingOn(const RunRecord& run) {
    const CopiesThere copies = copiesStillThere(run);
    if (copies.items.empty())
        return std::nullopt;
    // Latest first: the run to undo first is named first. Only a run begun later can have
    // found the copies there (ids sort as the runs began).
    for (const RunRecord& summary : listRuns(deletingLastPathComponent(run.journalPath))) {
        if (summary.id <= run.id)
            break;
        if (summary.undone || summary.moving == false)
            continue;
        const std::optional<RunRecord> other = readRun(summary.journalPath, true);
        if (!other)
            continue;
        size_t originals = 0;
        for (const RunRecord::Removal& removal : other->removals) {
            if (!backAtItsPlace(removal.original) && reliesOn(*other, removal.original, copies))
                ++originals;
        }
        if (originals > 0)
            return RelyingRun{other->id, other->started, originals};
    }
    return std::nullopt;
}

std::string relyingRunProblem(const RelyingRun& relying) {
    const std::string started = runStartedText(relying.started);
    const std::string run =
        "the run of " + (started.empty() ? relying.started : started) + " (" + relying.id + ")";
    if (relying.originals == 1)
        return "The original of 1 file was removed by " + run + "; undo that run first";
    return "The originals of " + std::to_string(relying.originals) + " files were removed by " +
           run + "; undo that run first";
}

} // namespace orvane
