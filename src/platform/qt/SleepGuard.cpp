#include "platform/qt/SleepGuard.h"

#include "base/Log.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace orvane {
namespace {
const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
} // namespace

SleepGuard::SleepGuard(std::function<int()> mergeState, PowerCallback powerCallback,
                       QDBusConnection bus, QObject* parent)
    : QObject(parent), mergeState_(std::move(mergeState)), powerCallback_(std::move(powerCallback)),
      bus_(std::move(bus)) {
    if (!bus_.isConnected() || !bus_.interface())
        return;
    const QDBusReply<bool> present = bus_.interface()->isServiceRegistered(kService);
    if (!present.isValid() || !present.value())
        return;
    registered_ = true;
    bus_.connect(kService, kPath, kManager, QStringLiteral("PrepareForSleep"), this,
                 SLOT(prepareForSleep(bool)));
}

void SleepGuard::mergeStateChanged(int state) {
    if (!registered_ || (state != 0) == wanted_)
        return;
    wanted_ = powerCallback_(kIOMessageCanSystemSleep, state) == PowerAnswer::kCancel;
    if (wanted_)
        requestInhibitor();
    else
        inhibitor_ = QDBusUnixFileDescriptor(); // closing our descriptor releases the lock
}

void SleepGuard::requestInhibitor() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kManager, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QStringLiteral("Orvane")
         << QStringLiteral("Organizing files") << QStringLiteral("block");
    const quint64 request = ++request_;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, request](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *finished;
                if (reply.isError()) {
                    logMessage(LOG_DEBUG, "Couldn't hold off sleep: %s",
                               reply.error().message().toUtf8().constData());
                    return;
                }
                // A run that ended before logind answered wants no lock any more.
                if (wanted_ && request == request_)
                    inhibitor_ = reply.value();
            });
}

void SleepGuard::prepareForSleep(bool start) {
    const int state = mergeState_ ? mergeState_() : 0;
    powerCallback_(start ? kIOMessageSystemWillSleep : kIOMessageSystemHasPoweredOn, state);
}

} // namespace orvane
