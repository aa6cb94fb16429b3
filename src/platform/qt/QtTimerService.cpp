#include "platform/qt/QtTimerService.h"

#include <QTimer>
#include <cmath>

namespace orvane {

QtTimerService::~QtTimerService() {
    for (auto& [id, timer] : timers_)
        delete timer;
}

TimerService::TimerId QtTimerService::startRepeating(double intervalSeconds,
                                                     std::function<void()> callback) {
    auto* timer = new QTimer;
    timer->setInterval(static_cast<int>(std::lround(intervalSeconds * 1000)));
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer,
                     [callback = std::move(callback)] { callback(); });
    timers_[++lastId_] = timer;
    timer->start();
    return lastId_;
}

void QtTimerService::stop(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    it->second->stop();
    // The timer may be stopped from its own timeout: delete it once that has returned.
    it->second->deleteLater();
    timers_.erase(it);
}

} // namespace orvane
