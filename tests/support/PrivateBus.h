#pragma once

// A private message bus of the test's own, and a fake system service (a Python script of
// tests/ui/) on it, for the tests of what the program asks of system services.

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QThread>
#include <string>

namespace orvane::test {

// Lets the event loop run until `done` holds, for at most ten seconds.
template <typename Predicate> bool waitUntil(Predicate done) {
    for (int i = 0; i < 2000 && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
    return done();
}

struct PrivateBus {
    explicit PrivateBus(const std::string& folder) {
        daemon.setProcessChannelMode(QProcess::SeparateChannels);
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1",
                                     QString::fromStdString("--address=unix:tmpdir=" + folder)});
        if (daemon.waitForStarted(10000) && daemon.waitForReadyRead(10000))
            address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        daemon.kill();
        daemon.waitForFinished(10000);
    }
    QProcess daemon;
    QString address;
};

// tests/ui/SCRIPT run with the bus address; ready once it printed "ready".
struct FakeService {
    FakeService(const QString& script, const QString& address) {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start("/usr/bin/python3",
                      {QStringLiteral(ORVANE_REPO_DIR "/tests/ui/") + script, address});
        ready = process.waitForStarted(10000) && process.waitForReadyRead(10000) &&
                process.readLine().trimmed() == "ready";
    }
    ~FakeService() {
        process.closeWriteChannel();
        if (!process.waitForFinished(10000))
            process.kill();
        process.waitForFinished(10000);
    }
    QProcess process;
    bool ready = false;
};

} // namespace orvane::test
