#pragma once

#include "merge/RunResult.h"
#include "selection/Selection.h"

namespace orvane {

// A drop well as the controller sees it: it keeps the dropped paths and shows their icon.
class WellView {
  public:
    virtual ~WellView() = default;
    virtual const PathList& filenames() const = 0;
    // Keeps the list and shows its icon; an equal list changes nothing.
    virtual void setFilenames(const PathList& filenames) = 0;
};

// Asked by a well whether it may take a drop of `paths`.
class WellDelegate {
  public:
    virtual ~WellDelegate() = default;
    virtual bool well(DropWell which, const PathList& paths) = 0;
};

} // namespace orvane
