#pragma once

#include "merge/FileStamp.h"

#include <cstddef>
#include <ctime>
#include <string>
#include <sys/types.h>

namespace orvane {

// An original about to be removed once its copy is safe (a run that frees its sources): what
// the run's record keeps so that a crash can be finished and undo can put the original back
// as it was, from the copy it left.
struct OriginalRemoval {
    size_t entry = 0;
    std::string source;
    FileStamp sourceStamp;       // the original as it was before it went
    mode_t mode = 0;             // its permission bits
    struct timespec accessed {}; // its access time (the modification time is in the stamp)
    std::string copy;            // the intact copy that stands for it
    FileStamp copyStamp;
};

} // namespace orvane
