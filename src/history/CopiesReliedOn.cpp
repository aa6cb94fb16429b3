#include "history/CopiesReliedOn.h"

#include "base/Paths.h"

#include <set>
#include <sys/stat.h>
#include <utility>

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

// The run's copies still at their places as it made them, which its undo would remove.
std::set<ItemKey> copiesStillThere(const RunRecord& run) {
    std::set<ItemKey> copies;
    for (const RunRecord::Copy& copy : run.copies) {
        struct stat status;
        if (::lstat(copy.destination.c_str(), &status) == 0 && status.st_dev == copy.stamp.device &&
            status.st_ino == copy.stamp.inode)
            copies.insert({copy.stamp.device, copy.stamp.inode});
    }
    return copies;
}

} // namespace

std::optional<RelyingRun> runRelyingOn(const RunRecord& run) {
    const std::set<ItemKey> copies = copiesStillThere(run);
    if (copies.empty())
        return std::nullopt;
    // Latest first: the run to undo first is named first.
    for (const RunRecord& summary : listRuns(deletingLastPathComponent(run.journalPath))) {
        if (summary.id == run.id || summary.undone || summary.moving == false)
            continue;
        const std::optional<RunRecord> other = readRun(summary.journalPath, true);
        if (!other)
            continue;
        size_t originals = 0;
        for (const RunRecord::Removal& removal : other->removals) {
            const FileStamp& copy = removal.original.copyStamp;
            if (copies.count({copy.device, copy.inode}) && !backAtItsPlace(removal.original))
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
