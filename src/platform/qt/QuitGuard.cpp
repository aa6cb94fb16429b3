#include "platform/qt/QuitGuard.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QSessionManager>
#include <QWidget>

namespace orvane {

QuitGuard::QuitGuard(std::function<bool()> mayQuit, QObject* parent)
    : QObject(parent), mayQuit_(std::move(mayQuit)) {
    // QCoreApplication::quit() sends QEvent::Quit to the application before it closes any
    // window, so refusing it here keeps every window as it is.
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::commitDataRequest, this, &QuitGuard::commitData,
            Qt::DirectConnection);
}

void QuitGuard::watchMainWindow(QWidget* window) {
    mainWindow_ = window;
    window->installEventFilter(this);
}

bool QuitGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Quit && watched == qApp) {
        if (!mayQuit_())
            return true;
    } else if (event->type() == QEvent::Close && watched == mainWindow_) {
        // The window's close button: the same question as quitting, and the same ending.
        // (Closes made by the quit itself come after the question was answered yes.)
        if (!mayQuit_()) {
            event->ignore();
            return true;
        }
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void QuitGuard::commitData(QSessionManager& manager) {
    if (!mayQuit_() && manager.allowsInteraction()) {
        manager.cancel();
        manager.release();
    }
}

} // namespace orvane
