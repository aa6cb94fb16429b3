#pragma once

#include "merge/MergeEngine.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

namespace orvane::test {

// A gate the merge worker waits at, inside the copy of one entry (or of any entry), until
// the test opens it; so a test can act while an entry is under way.
class EntryGate {
  public:
    MergeHooks hooks(const std::string& entry = std::string()) {
        MergeHooks hooks;
        hooks.beforePublish = [this, entry](const std::string& source, const std::string&) {
            if (entry.empty() || source == entry)
                wait();
        };
        return hooks;
    }
    void wait() {
        std::unique_lock lock(mutex_);
        reached_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    // False when the worker never got there.
    bool waitUntilReached() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [this] { return reached_; });
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool reached_ = false;
    bool open_ = false;
};

} // namespace orvane::test
