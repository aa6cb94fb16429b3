#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace orvane {

// An entry that needs no copy: the reason the report gives and the item that stands for it.
struct PriorCopy {
    std::string reason;
    std::string path;
};

// What a run asks before it copies a regular file: whether its contents were imported
// before (by an earlier run's record, or found elsewhere in the destination).
class PriorImports {
  public:
    virtual ~PriorImports() = default;
    // Asked in list order on the merge thread; `status` is the source's as the plan read it.
    virtual std::optional<PriorCopy> priorCopy(size_t entry, const std::string& source,
                                               const struct stat& status) = 0;
};

} // namespace orvane
