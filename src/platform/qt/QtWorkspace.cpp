#include "platform/qt/QtWorkspace.h"

#include "base/Log.h"
#include "base/Paths.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

namespace orvane {

namespace {

QUrl fileUrl(const std::string& path) {
    return QUrl::fromLocalFile(QFile::decodeName(path.c_str()));
}

// Says where the item is when nothing could show it, with its path ready to copy.
void showUnopenedAlert(const QString& path) {
    auto* box = new QMessageBox(QMessageBox::Information, "No application could open the item",
                                path, QMessageBox::Ok, QApplication::activeWindow());
    box->setObjectName("unopenedAlert");
    box->setInformativeText("Open it from your file manager; its path is above.");
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton* copy = box->addButton("&Copy Path", QMessageBox::ActionRole);
    QObject::connect(copy, &QPushButton::clicked, box,
                     [path] { QApplication::clipboard()->setText(path); });
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

// Runs the opener and waits for its answer off the interface thread's way: `xdg-open`
// exits non-zero when no application took the item.
void openWithFallback(const QString& opener, const QString& path) {
    auto* process = new QProcess();
    process->setProgram(opener);
    process->setArguments({path});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process,
                     [process, path](int code, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || code != 0) {
                             logMessage(LOG_DEBUG, "Nothing opened the item (exit %d)", code);
                             showUnopenedAlert(path);
                         }
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, path](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         showUnopenedAlert(path);
                         process->deleteLater();
                     });
    process->start();
}

} // namespace

void QtWorkspace::noteFileSystemChanged() {
    logMessage(LOG_DEBUG, "File system changed; file managers notice it themselves");
}

bool QtWorkspace::openURL(const std::string& url) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

bool QtWorkspace::openPath(const std::string& path) {
    openWithFallback(opener_, QFile::decodeName(path.c_str()));
    return true;
}

bool QtWorkspace::showInFolder(const std::string& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const std::string folder = deletingLastPathComponent(path);
    if (!bus.isConnected())
        return openPath(folder);
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1",
                                                       "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList{fileUrl(path).toString(QUrl::FullyEncoded)} << QString();
    // Answered later, so that a slow file manager does not hold the window.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [this, folder](QDBusPendingCallWatcher* done) {
                         if (done->isError()) {
                             logMessage(LOG_DEBUG, "No file manager showed the item (%s)",
                                        done->error().message().toUtf8().constData());
                             openPath(folder);
                         }
                         done->deleteLater();
                     });
    return true;
}

} // namespace orvane
