#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace orvane {

// The run states.
enum MergeState : int {
    kMergeIdle = 0,
    kMergeRunning = 1,
    kMergeCancelRequested = 2,
    kMergeCancelled = 3,
};

// The numbers the worker and the main thread share, and the lock that guards them.
// Every read and write of any holds statusLock.
struct RunStatus {
    std::mutex statusLock;
    int mergeState = kMergeIdle;
    int filesDone = 0;
    // The size of the files begun, for the copying speed: read by the progress display while
    // the lock may be held, hence atomic rather than guarded by it.
    std::atomic<uint64_t> bytesDone{0};
    // With a stop requested: copies with more than a few seconds left are abandoned rather
    // than finished (the process was told to end, not the user asked to stop).
    bool abandonLargeCopies = false;
    // Set under `endLock` (not statusLock, which the main thread may hold while it joins the
    // worker), and `workerEnded` told, once the worker thread is done with the run: a command
    // line waiting between its status ticks sees the end at once.
    std::mutex endLock;
    bool workerDone = false;
    std::condition_variable workerEnded;

    int lockedMergeState() {
        std::lock_guard guard(statusLock);
        return mergeState;
    }
};

} // namespace orvane
