// Copies of an entry that an earlier run made under another {seq} number: a run that counted
// other files (another computer's history, a shared video folder) gives the same file a new
// number, and the name clash alone would copy it again beside its earlier copy.
#pragma once

#include "naming/NameSequence.h"

#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <unordered_map>
#include <vector>

namespace orvane {

// The names of the date folders a run looks into, each listed once a run (names the run
// publishes itself are not seen: they are its own new copies).
class NumberedCopies {
  public:
    // The name of a regular file in `folder` that the template gives the entry under some
    // number (`shape`) and that holds exactly the bytes of `contents` (the entry, read as
    // `status` tells); none when there is none, or when `planned` holds a file of the
    // entry's size already, which the name clash decides about as before.
    std::optional<std::string> find(const std::string& contents, const struct stat& status,
                                    const std::string& folder, const std::string& planned,
                                    const SequencedName& shape);

  private:
    struct Listed {
        std::string name;
        bool statted = false;
        bool regular = false;
        off_t size = 0;
    };
    std::vector<Listed>& listing(const std::string& folder);

    std::unordered_map<std::string, std::vector<Listed>> folders_;
};

} // namespace orvane
