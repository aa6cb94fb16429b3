#include "platform/qt/QtWorkspace.h"

#include "base/Log.h"
#include "base/Paths.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFile>
#include <QUrl>

namespace orvane {

namespace {

QUrl fileUrl(const std::string& path) {
    return QUrl::fromLocalFile(QFile::decodeName(path.c_str()));
}

} // namespace

void QtWorkspace::noteFileSystemChanged() {
    logMessage(LOG_DEBUG, "File system changed; file managers notice it themselves");
}

bool QtWorkspace::openURL(const std::string& url) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

bool QtWorkspace::openPath(const std::string& path) {
    return QDesktopServices::openUrl(fileUrl(path));
}

bool QtWorkspace::showInFolder(const std::string& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QUrl folder = fileUrl(deletingLastPathComponent(path));
    if (!bus.isConnected())
        return QDesktopServices::openUrl(folder);
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1",
                                                       "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList{fileUrl(path).toString(QUrl::FullyEncoded)} << QString();
    // Answered later, so that a slow file manager does not hold the window.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder](QDBusPendingCallWatcher* done) {
                         if (done->isError()) {
                             logMessage(LOG_DEBUG, "No file manager showed the item (%s)",
                                        done->error().message().toUtf8().constData());
                             QDesktopServices::openUrl(folder);
                         }
                         done->deleteLater();
                     });
    return true;
}

} // namespace orvane
