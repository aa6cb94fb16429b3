#pragma once

#include "base/RunResult.h"

#include <string>

namespace orvane {

// The two drop wells of the main window: the sources and the destination root.
enum class WellRole { From, To };

// The text that names the sources: "" for none, the last path component of a single source
// (its whole path with `includingPrefix`), "N files" for two or more.
std::string fromPathDescriptionIncludingPrefix(const PathList& fromPaths, bool includingPrefix);

// What the window's source field shows: "" for none, one source's name after its parent's
// ("TESTCARD ▸ DCIM"), or for several
// "3 items: DCIM, Camera, IMG_0001.JPG" (every name; the field shortens it to fit).
std::string sourceFieldText(const PathList& fromPaths);

// Whether a well accepts a drop of `paths`, given the run state: nothing while a run is going
// on; the sources well any files and folders; the destination well exactly one existing
// folder (links followed).

bool well(int mergeState, WellRole which, const PathList& paths);

} // namespace orvane
