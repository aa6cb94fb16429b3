#pragma once

#include "history/RunHistory.h"

#include <cstddef>
#include <optional>
#include <string>

namespace orvane {

// A run that freed its sources relying on copies an earlier run made (it found their bytes
// there already, or knew them from the import history): those copies are all that is left of
// the originals it removed, until its own undo puts them back.
struct RelyingRun {
    std::string id;
    std::string started;  // as its journal says, "2026-12-08T14:02:11Z"
    size_t originals = 0; // removed, relying on the copies, and not back at their places
};

// The latest run of `run`'s journal folder begun after it, not undone, that removed
// originals relying on copies `run` made which are still there (in the destination, or in a
// backup that the later run found holding them already); only originals not back at their
// places count. None when there is none: undoing `run` then loses nothing.
std::optional<RelyingRun> runRelyingOn(const RunRecord& run);

// "The originals of 20 files were removed by the run of 8 Dec 14:02 (ID); undo that run
// first"
std::string relyingRunProblem(const RelyingRun& relying);

} // namespace orvane
