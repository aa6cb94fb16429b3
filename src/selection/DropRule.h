#pragma once

#include "merge/RunResult.h"

namespace orvane {

enum class WellRole { From, To };

// Whether a well accepts a drop: nothing during a run (any state but idle); the source
// well any number of files and folders; the destination well exactly one path that is
// an existing folder (links followed).
bool shouldAllowDropOfPaths(int mergeState, WellRole role, const PathList& paths);

} // namespace orvane
