#include "platform/qt/DBusNotifier.h"

#include "base/Log.h"
#include "platform/qt/Translation.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace orvane {

namespace {
constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
} // namespace

DBusNotifier::DBusNotifier(QObject* parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(kService, kPath, kService, "ActionInvoked", this,
                SLOT(actionInvoked(uint, QString)));
    bus.connect(kService, kPath, kService, "NotificationClosed", this,
                SLOT(notificationClosed(uint, uint)));
}

void DBusNotifier::notify(const std::string& title, const std::string& body,
                          std::function<void()> activated) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, "Notify");
    call << QString("Orvane") << uint(0) << QString("org.orvane.Orvane") << windowText(title)
         << windowText(body) << QStringList{"default", tr("Show Report")} << QVariantMap{}
         << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, activated = std::move(activated)](QDBusPendingCallWatcher* done) {
                QDBusPendingReply<uint> reply = *done;
                if (reply.isError())
                    logMessage(LOG_DEBUG, "No notification shown (%s)",
                               reply.error().message().toUtf8().constData());
                else
                    pending_[reply.value()] = activated;
                done->deleteLater();
            });
}

void DBusNotifier::actionInvoked(uint id, const QString& action) {
    auto it = pending_.find(id);
    if (it == pending_.end() || action != "default")
        return;
    std::function<void()> activated = std::move(it->second);
    pending_.erase(it);
    if (activated)
        activated();
}

void DBusNotifier::notificationClosed(uint id, uint) {
    pending_.erase(id);
}

} // namespace orvane
