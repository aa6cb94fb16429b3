#pragma once

#include "platform/Services.h"

#include <map>

namespace orvane {

// Timers that fire only when their owner says so: the command line's loop fires them
// every interval, tests fire them one tick at a time.
class ManualTimerService : public TimerService {
  public:
    TimerId startRepeating(double intervalSeconds, std::function<void()> callback) override {
        timers_[++lastId_] = {intervalSeconds, std::move(callback)};
        return lastId_;
    }
    void stop(TimerId id) override { timers_.erase(id); }

    bool hasTimers() const { return !timers_.empty(); }
    double shortestInterval() const {
        double shortest = 1.0;
        for (const auto& [id, timer] : timers_)
            shortest = std::min(shortest, timer.interval);
        return shortest;
    }
    // Fires every timer once; timers may stop themselves meanwhile.
    void fireAll() {
        std::vector<TimerId> ids;
        for (const auto& [id, timer] : timers_)
            ids.push_back(id);
        for (TimerId id : ids)
            if (auto it = timers_.find(id); it != timers_.end()) {
                auto callback = it->second.callback;
                callback();
            }
    }

  private:
    struct Timer {
        double interval;
        std::function<void()> callback;
    };
    std::map<TimerId, Timer> timers_;
    TimerId lastId_ = 0;
};

} // namespace orvane
