#pragma once

#include "platform/HttpClient.h"

#include <QNetworkAccessManager>
#include <chrono>

namespace orvane {

// Fetches over HTTP and HTTPS (Qt's TLS backend) while a local event loop keeps the windows
// painting and swallows the user's input. A fetch that takes longer than the time limit is
// abandoned and counts as failed, so an unresponsive server cannot hold the program.
class QtHttpClient : public HttpClient {
  public:
    static constexpr std::chrono::milliseconds kDefaultTimeLimit{15000};

    explicit QtHttpClient(std::chrono::milliseconds timeLimit = kDefaultTimeLimit);

    std::optional<std::string> fetch(const std::string& url) override;

    std::chrono::milliseconds timeLimit() const { return timeLimit_; }

    // While a fetch waits, a small modal dialog shows this text with a Cancel button; a
    // cancelled fetch counts as failed. Empty (the default): no dialog.
    void setWaitText(QString text) { waitText_ = std::move(text); }

  private:
    QNetworkAccessManager manager_;
    std::chrono::milliseconds timeLimit_;
    QString waitText_;
};

} // namespace orvane
