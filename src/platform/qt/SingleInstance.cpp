#include "platform/qt/SingleInstance.h"

#include "base/Log.h"
#include "platform/UserDefaults.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <algorithm>
#include <memory>
#include <unistd.h>

namespace orvane {
namespace {

constexpr quint32 kMagic = 0x4F52564E; // "ORVN"
constexpr char kAccepted = 'K';
// Far above any real list of paths; a request that grows beyond it is dropped.
constexpr qint64 kMaxRequestBytes = 64 * 1024 * 1024;
// Unix socket addresses hold at most 108 bytes with their terminator.
constexpr int kMaxSocketPath = 100;

void appendNumber(QByteArray& data, quint32 number) {
    for (int shift = 24; shift >= 0; shift -= 8)
        data.append(static_cast<char>((number >> shift) & 0xFF));
}

// A request: the magic number, the number of paths, then each path as its length and bytes,
// numbers as four bytes, most significant first.
QByteArray encodeRequest(const std::vector<std::string>& paths) {
    QByteArray data;
    appendNumber(data, kMagic);
    appendNumber(data, static_cast<quint32>(paths.size()));
    for (const std::string& path : paths) {
        appendNumber(data, static_cast<quint32>(path.size()));
        data.append(path.data(), static_cast<qsizetype>(path.size()));
    }
    return data;
}

enum class Parse { kIncomplete, kInvalid, kComplete };

Parse decodeRequest(const QByteArray& data, std::vector<std::string>& paths) {
    qsizetype at = 0;
    auto number = [&](quint32& value) {
        if (data.size() - at < 4)
            return false;
        value = 0;
        for (int i = 0; i < 4; ++i)
            value = (value << 8) | static_cast<unsigned char>(data[at++]);
        return true;
    };
    quint32 magic = 0;
    quint32 count = 0;
    if (!number(magic))
        return Parse::kIncomplete;
    if (magic != kMagic)
        return Parse::kInvalid;
    if (!number(count))
        return Parse::kIncomplete;
    paths.clear();
    for (quint32 i = 0; i < count; ++i) {
        quint32 length = 0;
        if (!number(length))
            return Parse::kIncomplete;
        if (length > kMaxRequestBytes)
            return Parse::kInvalid;
        if (data.size() - at < static_cast<qsizetype>(length))
            return Parse::kIncomplete;
        paths.emplace_back(data.constData() + at, length);
        at += length;
    }
    return at == data.size() ? Parse::kComplete : Parse::kInvalid;
}

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), socketPath_(std::move(socketPath)) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

QString SingleInstance::defaultSocketPath() {
    std::filesystem::path folder = UserDefaults::defaultDirectory().lexically_normal();
    if (!folder.has_filename())
        folder = folder.parent_path(); // "a/b/" and "a/b" are one folder
    const QByteArray settings(folder.c_str());
    const QString name =
        QStringLiteral("orvane-%1-%2.socket")
            .arg(getuid())
            .arg(QString::fromLatin1(
                QCryptographicHash::hash(settings, QCryptographicHash::Sha1).toHex().left(12)));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) {
        const QString path = QDir(runtime).filePath(name);
        if (QFile::encodeName(path).size() <= kMaxSocketPath)
            return path;
    }
    return QDir(QDir::tempPath()).filePath(name);
}

std::optional<std::string> SingleInstance::sendRequest(const QString& socketPath,
                                                       const std::vector<std::string>& paths,
                                                       int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return "couldn't reach the running Orvane: " + socket.errorString().toStdString();
    return deliver(socket, paths, timeoutMs);
}

std::optional<std::string> SingleInstance::deliver(QLocalSocket& socket,
                                                   const std::vector<std::string>& paths,
                                                   int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    auto left = [&] { return std::max(0, timeoutMs - static_cast<int>(clock.elapsed())); };
    socket.write(encodeRequest(paths));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(left()))
            return "couldn't pass the paths to the running Orvane: " +
                   socket.errorString().toStdString();
    // The answer comes once the running instance has taken the paths.
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(left()))
            return "the running Orvane did not confirm that it received the paths";
    char answer = 0;
    socket.getChar(&answer);
    if (answer != kAccepted)
        return "the running Orvane did not accept the paths";
    return std::nullopt;
}

SingleInstance::Role SingleInstance::start(const std::vector<std::string>& paths) {
    // Two instances starting together must not both find no one and both listen: the
    // decision is made under a lock file beside the socket.
    QLockFile lock(socketPath_ + QStringLiteral(".lock"));
    const bool locked = lock.tryLock(10000);

    QLocalSocket running;
    running.connectToServer(socketPath_);
    if (running.waitForConnected(2000)) {
        if (auto failure = deliver(running, paths)) {
            error_ = *failure;
            return Role::kFailed;
        }
        return Role::kHandedOver;
    }

    // No one answers: what is left at the path belongs to an instance that ended. Without
    // the lock another starting instance may own it, so it is left alone then.
    if (locked)
        QLocalServer::removeServer(socketPath_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(socketPath_)) {
        error_ = server_.errorString().toStdString();
        logMessage(LOG_WARN, "Couldn't listen for the requests of other instances at '%s': %s",
                   QFile::encodeName(socketPath_).constData(), error_.c_str());
    }
    return Role::kPrimary;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        auto received = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket, received] { readRequest(socket, *received); });
        if (socket->bytesAvailable() > 0)
            readRequest(socket, *received);
    }
}

void SingleInstance::readRequest(QLocalSocket* socket, QByteArray& received) {
    received.append(socket->readAll());
    std::vector<std::string> paths;
    const Parse parse = decodeRequest(received, paths);
    if (parse == Parse::kIncomplete && received.size() <= kMaxRequestBytes)
        return; // the rest is still on its way
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    received.clear();
    if (parse != Parse::kComplete) {
        socket->abort();
        return;
    }
    socket->putChar(kAccepted);
    socket->flush();
    socket->disconnectFromServer();
    if (handler_)
        handler_(paths);
}

} // namespace orvane
