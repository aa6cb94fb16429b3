#include "platform/qt/QtWorkspace.h"

#include "base/Log.h"

#include <QDesktopServices>
#include <QUrl>

namespace orvane {

void QtWorkspace::noteFileSystemChanged() {
    logMessage(LOG_DEBUG, "File system changed; file managers notice it themselves");
}

bool QtWorkspace::openURL(const std::string& url) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

} // namespace orvane
