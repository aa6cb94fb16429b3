#pragma once

#include "base/RunResult.h"

#include <string>

namespace orvane {

// The two drop wells of the main window: the sources and the destination root.
enum class WellRole { From, To };

// The text that names the sources: "" for none, the last path component of a single source
// (its whole path with `includingPrefix`), "N files" for two or more.
std::string fromPathDescriptionIncludingPrefix(const PathList& fromPaths, bool includingPrefix);

// Whether a well accepts a drop of `paths`, given the run state: nothing while a run is going
// on; the sources well any files and folders; the destination well exactly one existing
// folder (links followed).
bool well(int mergeState, WellRole which, const PathList& paths);

} // namespace orvane
