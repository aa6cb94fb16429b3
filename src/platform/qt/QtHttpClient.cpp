#include "platform/qt/QtHttpClient.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProgressDialog>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <memory>

namespace orvane {

namespace {

// Swallows the user's input for its lifetime, so that clicks and keys made while a fetch is
// waiting neither act nor come back afterwards (a deferred click could land on the alert
// that follows). Painting, timers and the network go on.
class InputBlocker : public QObject {
  public:
    // Input to `allowed` (the wait dialog) goes through.
    explicit InputBlocker(QWidget* allowed = nullptr) : allowed_(allowed) {
        if (QCoreApplication* app = QCoreApplication::instance())
            app->installEventFilter(this);
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
            QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
            cursorSet_ = true;
        }
    }
    ~InputBlocker() override {
        if (cursorSet_)
            QGuiApplication::restoreOverrideCursor();
    }

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (allowed_ && receiver->isWidgetType() &&
            (receiver == allowed_ || allowed_->isAncestorOf(static_cast<QWidget*>(receiver))))
            return false;
        if (allowed_ && receiver->isWindowType() &&
            static_cast<QObject*>(allowed_->windowHandle()) == receiver)
            return false;
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Accepted, the key is taken as the focus widget's own, so no shortcut fires.
            event->accept();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::InputMethod:
            return true;
        default:
            return false;
        }
    }

  private:
    QWidget* allowed_;
    bool cursorSet_ = false;
};

} // namespace

QtHttpClient::QtHttpClient(std::chrono::milliseconds timeLimit) : timeLimit_(timeLimit) {}

std::optional<std::string> QtHttpClient::fetch(const std::string& url) {
    QNetworkRequest request(QUrl(QString::fromStdString(url)));
    // Answers must come from the site, not from a cache along the way.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    std::unique_ptr<QNetworkReply> reply(manager_.get(request));

    bool cancelled = false;
    if (!reply->isFinished()) {
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        deadline.start(timeLimit_);
        // Shown only when the answer takes a moment; Cancel gives up at once.
        std::unique_ptr<QProgressDialog> waiting;
        if (!waitText_.isEmpty() && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
            waiting = std::make_unique<QProgressDialog>(waitText_, QObject::tr("Cancel"), 0, 0);
            waiting->setWindowTitle(QStringLiteral("Orvane"));
            waiting->setWindowModality(Qt::ApplicationModal);
            waiting->setMinimumDuration(400);
            waiting->setAutoClose(false);
            waiting->setAutoReset(false);
            QObject::connect(waiting.get(), &QProgressDialog::canceled, &loop, [&] {
                cancelled = true;
                loop.quit();
            });
        }
        InputBlocker blocker(waiting.get());
        loop.exec();
    }

    if (cancelled || !reply->isFinished()) {
        // Out of time (or the application is quitting): the fetch has failed.
        reply->abort();
        return std::nullopt;
    }
    if (reply->error() != QNetworkReply::NoError)
        return std::nullopt;
    // Redirects are followed; any status still outside 2xx is not the file.
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
        return std::nullopt;
    return reply->readAll().toStdString();
}

} // namespace orvane
