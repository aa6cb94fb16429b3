#include "platform/qt/QtHttpClient.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace orvane {

QtHttpClient::QtHttpClient(std::chrono::milliseconds timeLimit) : timeLimit_(timeLimit) {}

std::optional<std::string> QtHttpClient::fetch(const std::string& url) {
    QNetworkRequest request(QUrl(QString::fromStdString(url)));
    // Answers must come from the site, not from a cache along the way.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    std::unique_ptr<QNetworkReply> reply(manager_.get(request));

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(timeLimit_);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (timedOut || !reply->isFinished()) {
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
