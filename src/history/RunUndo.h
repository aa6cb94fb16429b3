#pragma once

#include "base/RunResult.h"
#include "base/WindowText.h"
#include "history/RunHistory.h"

#include <string>
#include <utility>
#include <vector>

namespace orvane {

// Taking a run back: each copy the run published is removed when the file at its place is
// still that copy as the run left it (same inode, size, modification and change time);
// anything changed, moved or replaced since is kept, with the reason. Then the folders the
// run created are removed where they are empty. Links are never followed, nothing outside
// the run's destination root is touched, and a source never is.
struct UndoResult {
    enum class Status {
        kDone,          // or, in a dry run, what would be done
        kAlreadyUndone, // `undone` says when
        kNotEnded,      // the run is still going (or its journal is locked)
        kUnreadable,
        // The run freed its sources and an original could not be put back; `problem` says
        // why. No copy was removed.
        kOriginalsNotRestored,
        // A later run removed originals relying on this run's copies (it found their bytes
        // there), and they are not back: `problem` names that run, to be undone first.
        // Nothing was changed.
        kOriginalsRemovedLater,
    };
    Status status = Status::kDone;
    std::string undone;
    std::string problem;
    // The originals put back first, for a run that freed its sources.
    PathList restored;
    PathList removed;
    std::vector<std::pair<std::string, std::string>> kept; // path, reason
    PathList foldersRemoved;
    // The journal could not record the undo; a second undo would not know of this one.
    bool journalNotUpdated = false;
};

// The reasons a copy is kept.
namespace kept {
inline constexpr const char* kGone = ORVANE_TRANSLATE_NOOP("Orvane", "No longer there");
inline constexpr const char* kChanged =
    ORVANE_TRANSLATE_NOOP("Orvane", "Changed since it was copied");
inline constexpr const char* kMoved =
    ORVANE_TRANSLATE_NOOP("Orvane", "Moved or replaced since it was copied");
inline constexpr const char* kOutside =
    ORVANE_TRANSLATE_NOOP("Orvane", "Not inside the destination folder");
inline constexpr const char* kRootReplaced =
    ORVANE_TRANSLATE_NOOP("Orvane", "The destination folder was replaced since the run");
inline constexpr const char* kOriginalGone = ORVANE_TRANSLATE_NOOP(
    "Orvane", "Its original is no longer where it was copied from: this may be the only copy");
inline constexpr const char* kUnrecorded =
    ORVANE_TRANSLATE_NOOP("Orvane", "Its contents were not recorded");
// Followed by the system's error text.
inline constexpr const char* kCouldNotRemove = "Couldn't remove: ";
} // namespace kept

// A run that removed its originals gets them back from its copies first (history/
// RestoreOriginals.h); only then are the copies removed. A copy that another run's removed
// original relies on stops the undo before anything changes (history/CopiesReliedOn.h).
// Undoes the run of a journal, or with `dryRun` answers what undo would do, changing nothing.
// A done undo is recorded in the journal, so that a run is undone once.
UndoResult undoRun(const std::string& journalPath, bool dryRun);

} // namespace orvane
