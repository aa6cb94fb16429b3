#pragma once

#include <string>
#include <vector>

namespace orvane {

// A well that files can be dropped on: it keeps the dropped paths and shows their icon.
class DropWell {
  public:
    virtual ~DropWell() = default;
    virtual const std::vector<std::string>& filenames() const = 0;
    // Keeps the list and shows its icon; an equal list changes nothing.
    virtual void setFilenames(const std::vector<std::string>& filenames) = 0;
};

// Asked by a well whether it may take a drop of `paths`.
class DropWellDelegate {
  public:
    virtual ~DropWellDelegate() = default;
    virtual bool well(DropWell& well, const std::vector<std::string>& paths) = 0;
};

} // namespace orvane
