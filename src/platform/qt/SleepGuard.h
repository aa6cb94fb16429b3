#pragma once

#include "platform/PowerMessages.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <functional>

namespace orvane {

// Holds off the system's sleep while a run is in progress, through a "sleep:idle" block
// inhibitor of systemd-logind, and logs logind's announcements of sleep and wake-up.
// Without a system bus or without logind there is no guard and nothing is logged.
class SleepGuard : public QObject {
    Q_OBJECT
  public:
    // Answers a power message given the run state; it decides whether sleep is held off.
    using PowerCallback = std::function<PowerAnswer(uint32_t messageType, int mergeState)>;

    // `mergeState` reads the run state (under its lock) for the announcements' answers.
    SleepGuard(std::function<int()> mergeState, PowerCallback powerCallback,
               QDBusConnection bus = QDBusConnection::systemBus(), QObject* parent = nullptr);

    // Whether logind was found on the bus at creation.
    bool registered() const { return registered_; }
    // Whether logind has handed us an inhibitor that we still hold.
    bool holdsInhibitor() const { return inhibitor_.isValid(); }

    // Called on the main thread when a run starts and after the tick that ends it.
    void mergeStateChanged(int state);

  private slots:
    void prepareForSleep(bool start);

  private:
    void requestInhibitor();

    std::function<int()> mergeState_;
    PowerCallback powerCallback_;
    QDBusConnection bus_;
    bool registered_ = false;
    bool wanted_ = false;
    // Answers to earlier requests that arrive after a newer one was made are dropped.
    quint64 request_ = 0;
    QDBusUnixFileDescriptor inhibitor_;
};

} // namespace orvane
