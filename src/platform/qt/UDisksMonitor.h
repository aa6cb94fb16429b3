#pragma once

#include "platform/Volumes.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>

class QDBusMessage;

namespace orvane {

// Watches UDisks2 on the system bus for file systems being mounted and unmounted, and tells
// the listener. The offer of a card is the listener's business. Without a system bus there
// is nothing to watch and nothing is said; without UDisks2 no signal ever comes.
class UDisksMonitor : public QObject {
    Q_OBJECT
  public:
    explicit UDisksMonitor(VolumeListener& listener,
                           QDBusConnection bus = QDBusConnection::systemBus(),
                           QObject* parent = nullptr);

    // Whether the bus is there to watch.
    bool watching() const { return watching_; }

  private slots:
    void interfacesAdded(const QDBusMessage& message);
    void interfacesRemoved(const QDBusMessage& message);
    void propertiesChanged(const QDBusMessage& message);

  private:
    struct Known {
        QString label;
        QString mountPoint; // empty while not mounted
    };
    void mountPointsChanged(const QString& object, const QString& mountPoint);

    VolumeListener& listener_;
    QDBusConnection bus_;
    bool watching_ = false;
    QHash<QString, Known> known_; // by object path
};

} // namespace orvane
