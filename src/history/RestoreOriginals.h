#pragma once

#include "base/RunResult.h"
#include "history/RunHistory.h"

#include <optional>
#include <string>

namespace orvane {

// What putting back the originals of a run that freed its sources gave: the originals back
// at their places (put back now, or found there already with the same contents), or the
// problem that stops the undo before any copy is removed.
struct RestoredOriginals {
    PathList restored;
    std::optional<std::string> problem;
};

// Puts each original the run removed back at its place from the copy that stands for it,
// before undo takes the copies away: through a temporary beside it, never replacing
// anything, with its permission bits and times, made durable and read back from the disk to
// match the copy. Everything is checked before anything is written: the original's folder
// must be there (else the card is gone) and each copy must be the very file recorded, below
// the run's destination. With `dryRun` only the checks are made.
RestoredOriginals restoreOriginals(const RunRecord& run, bool dryRun);

} // namespace orvane
