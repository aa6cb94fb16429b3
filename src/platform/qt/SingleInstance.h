#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLocalSocket;

namespace orvane {

// One running Orvane per user session and settings folder: a later `orvane PATH...` hands
// its paths to the running one over a local socket and ends.
class SingleInstance : public QObject {
    Q_OBJECT
  public:
    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);

    // In the session's runtime folder (else the temporary folder), named after the user and
    // the settings folder, so that instances with other settings stay apart.
    static QString defaultSocketPath();

    enum class Role {
        kPrimary,    // this process is the running instance (and listens, when it could)
        kHandedOver, // the paths went to the running instance: this process should end
        kFailed,     // a running instance was found but did not take the paths
    };
    // `paths` must be absolute: the running instance has another working folder.
    Role start(const std::vector<std::string>& paths);

    // What went wrong, for kFailed and for a primary that could not listen.
    const std::string& error() const { return error_; }
    bool listening() const { return server_.isListening(); }
    const QString& socketPath() const { return socketPath_; }

    // Receives each request of another instance, on the main thread (no paths: the user
    // started Orvane again without any, and wants to see it).
    void setRequestHandler(std::function<void(const std::vector<std::string>&)> handler) {
        handler_ = std::move(handler);
    }

    // Sends one request to the instance listening at `socketPath`; none on success, else
    // why it failed. Blocks for at most about `timeoutMs` milliseconds.
    static std::optional<std::string> sendRequest(const QString& socketPath,
                                                  const std::vector<std::string>& paths,
                                                  int timeoutMs = 10000);

  private:
    static std::optional<std::string>
    deliver(QLocalSocket& socket, const std::vector<std::string>& paths, int timeoutMs = 10000);
    void acceptConnections();
    void readRequest(QLocalSocket* socket, QByteArray& received);

    QString socketPath_;
    QLocalServer server_;
    std::string error_;
    std::function<void(const std::vector<std::string>&)> handler_;
};

} // namespace orvane
