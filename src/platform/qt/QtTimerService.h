#pragma once

#include "platform/Services.h"

#include <QObject>
#include <map>

class QTimer;

namespace orvane {

// Repeating timers on the main thread's event loop.
class QtTimerService : public TimerService {
  public:
    ~QtTimerService() override;
    TimerId startRepeating(double intervalSeconds, std::function<void()> callback) override;
    // Safe from inside the timer's own callback.
    void stop(TimerId id) override;

  private:
    std::map<TimerId, QTimer*> timers_;
    TimerId lastId_ = 0;
};

} // namespace orvane
