#pragma once

#include <string>
#include <string_view>

// Copies under way are written under a temporary name beginning with kPartialCopyPrefix and
// moved to their final name only when complete. The names in use are kept here so that a
// process told to stop at once can remove them before it exits.
namespace orvane {

inline constexpr std::string_view kPartialCopyPrefix = ".orvane-partial-";

// Whether a file name is one of our temporaries (of this or of an earlier, interrupted run).
bool isPartialCopyName(std::string_view name);

namespace partial_copies {

// Records a temporary that is being written; forget() once it is renamed or removed.
void remember(const std::string& path);
void forget(const std::string& path);

// Removes every remembered temporary (whole trees for folders, links never followed), while
// a worker may still be writing into them, and answers how many are gone. For a process
// about to exit: after it, no further temporary is remembered.
size_t discardAll();

// Remembers `path` for its own lifetime.
class Scope {
  public:
    explicit Scope(std::string path) : path_(std::move(path)) { remember(path_); }
    ~Scope() { forget(path_); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

  private:
    std::string path_;
};

} // namespace partial_copies
} // namespace orvane
