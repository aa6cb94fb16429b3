#include "platform/qt/UDisksMonitor.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QVariantMap>

namespace orvane {
namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kRoot = QStringLiteral("/org/freedesktop/UDisks2");
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kFilesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");

// The first mount point of a Filesystem's MountPoints (aay: NUL-terminated byte strings).
QString firstMountPoint(const QVariant& value) {
    QList<QByteArray> points;
    if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument arg = value.value<QDBusArgument>();
        arg.beginArray();
        while (!arg.atEnd()) {
            QByteArray point;
            arg >> point;
            points << point;
        }
        arg.endArray();
    } else {
        points = value.value<QList<QByteArray>>();
    }
    if (points.isEmpty())
        return {};
    QByteArray point = points.first();
    if (point.endsWith('\0'))
        point.chop(1);
    return QFile::decodeName(point);
}

// a{sa{sv}}: interface name -> its properties.
QHash<QString, QVariantMap> interfaceMap(const QVariant& value) {
    QHash<QString, QVariantMap> interfaces;
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return interfaces;
    const QDBusArgument arg = value.value<QDBusArgument>();
    arg.beginMap();
    while (!arg.atEnd()) {
        QString name;
        QVariantMap properties;
        arg.beginMapEntry();
        arg >> name >> properties;
        arg.endMapEntry();
        interfaces.insert(name, properties);
    }
    arg.endMap();
    return interfaces;
}

QString objectPathOf(const QVariant& value) {
    return value.value<QDBusObjectPath>().path();
}

} // namespace

UDisksMonitor::UDisksMonitor(VolumeListener& listener, QDBusConnection bus, QObject* parent)
    : QObject(parent), listener_(listener), bus_(std::move(bus)) {
    if (!bus_.isConnected())
        return;
    watching_ = true;
    bus_.connect(kService, kRoot, kObjectManager, QStringLiteral("InterfacesAdded"), this,
                 SLOT(interfacesAdded(QDBusMessage)));
    bus_.connect(kService, kRoot, kObjectManager, QStringLiteral("InterfacesRemoved"), this,
                 SLOT(interfacesRemoved(QDBusMessage)));
    // Mounting an already known file system changes its MountPoints; the path is any
    // block device's.
    bus_.connect(kService, QString(), kProperties, QStringLiteral("PropertiesChanged"), this,
                 SLOT(propertiesChanged(QDBusMessage)));
}

void UDisksMonitor::interfacesAdded(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2)
        return;
    const QString object = objectPathOf(args.at(0));
    const QHash<QString, QVariantMap> interfaces = interfaceMap(args.at(1));
    if (!interfaces.contains(kFilesystem))
        return;
    Known& known = known_[object];
    const QString label = interfaces.value(kBlock).value(QStringLiteral("IdLabel")).toString();
    if (!label.isEmpty())
        known.label = label;
    mountPointsChanged(object, firstMountPoint(interfaces.value(kFilesystem).value("MountPoints")));
}

void UDisksMonitor::interfacesRemoved(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2)
        return;
    const QString object = objectPathOf(args.at(0));
    if (!args.at(1).toStringList().contains(kFilesystem) || !known_.contains(object))
        return;
    mountPointsChanged(object, QString());
    known_.remove(object);
}

void UDisksMonitor::propertiesChanged(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2 || args.at(0).toString() != kFilesystem)
        return;
    QVariantMap changed = args.at(1).toMap();
    if (args.at(1).userType() == qMetaTypeId<QDBusArgument>())
        args.at(1).value<QDBusArgument>() >> changed;
    if (!changed.contains(QStringLiteral("MountPoints")))
        return;
    mountPointsChanged(message.path(), firstMountPoint(changed.value("MountPoints")));
}

void UDisksMonitor::mountPointsChanged(const QString& object, const QString& mountPoint) {
    Known& known = known_[object];
    if (known.mountPoint == mountPoint)
        return;
    if (!known.mountPoint.isEmpty())
        listener_.volumeUnmounted(QFile::encodeName(known.mountPoint).toStdString());
    known.mountPoint = mountPoint;
    if (mountPoint.isEmpty())
        return;
    // Desktops mount a volume under its label; a volume without one is named by its folder.
    const QString label = known.label.isEmpty()
                              ? mountPoint.section('/', -1, -1, QString::SectionSkipEmpty)
                              : known.label;
    listener_.volumeMounted({label.toStdString(), QFile::encodeName(mountPoint).toStdString()});
}

} // namespace orvane
