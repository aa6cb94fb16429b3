#pragma once

#include "platform/Services.h"

#include <QObject>
#include <map>

namespace orvane {

// Desktop notifications through org.freedesktop.Notifications on the session bus. Where no
// notification service runs the call fails quietly; a click on a notification (its default
// action) runs the function given with it.
class DBusNotifier : public QObject, public Notifier {
    Q_OBJECT

  public:
    explicit DBusNotifier(QObject* parent = nullptr);
    void notify(const std::string& title, const std::string& body,
                std::function<void()> activated) override;

  private slots:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);

  private:
    std::map<uint, std::function<void()>> pending_;
};

} // namespace orvane
