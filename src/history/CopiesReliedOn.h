#pragma once

#include "history/RunHistory.h"

#include <cstddef>
#include <optional>
#include <string>

namespace orvane {

// A run that freed its sources after an earlier run copied them, or relying on copies an
// earlier run made (it found their bytes there already, or knew them from the import
// history): those copies may be all that is left of the originals it removed, until its own
// undo puts them back.
struct RelyingRun {
    std::string id;
    std::string started;  // as its journal says, "2026-12-08T14:02:11Z"
    size_t originals = 0; // removed, relying on the copies, and not back at their places
};

// The latest run of `run`'s journal folder begun after it, not undone, that removed
// originals of which copies `run` made may be all that is left: copies of the same sources, or
// copies the later run relied on (in the destination, or in a backup that it found holding
// them already). Only originals not back at their places count. None when there is none:
// undoing `run` then takes no original's last copy.
std::optional<RelyingRun> runRelyingOn(const RunRecord& run);

// "The originals of 20 files were removed by the run of 8 Dec 14:02 (ID); undo that run
// first"
std::string relyingRunProblem(const RelyingRun& relying);

} // namespace orvane
