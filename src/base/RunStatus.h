#pragma once

#include <mutex>

namespace orvane {

// The run states.
enum MergeState : int {
    kMergeIdle = 0,
    kMergeRunning = 1,
    kMergeCancelRequested = 2,
    kMergeCancelled = 3,
};

// The two numbers the worker and the main thread share, and the lock that guards them.
// Every read and write of either holds statusLock.
struct RunStatus {
    std::mutex statusLock;
    int mergeState = kMergeIdle;
    int filesDone = 0;

    int lockedMergeState() {
        std::lock_guard guard(statusLock);
        return mergeState;
    }
};

} // namespace orvane
