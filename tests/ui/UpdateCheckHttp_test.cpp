// The update check over real HTTP on the loopback interface: a Python http.server serving a
// folder for the site, a bound socket that refuses connections for a site that is down, and
// a listening socket that never answers.
#include "app/SiteAddress.h"
#include "app/UpdateChecker.h"
#include "app/UpdateFakes.h"
#include "platform/UserDefaults.h"
#include "platform/qt/QtHttpClient.h"
#include "prefs/PrefKeys.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <QWidget>
#include <arpa/inet.h>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane {
namespace {

using namespace std::chrono_literals;

// A TCP socket on 127.0.0.1 with a port of its own. Bound only, it refuses connections;
// listening, the kernel completes connections that nobody ever answers.
class LoopbackSocket {
  public:
    explicit LoopbackSocket(bool listening) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        if (listening)
            EXPECT_EQ(::listen(fd_, 8), 0);
    }
    ~LoopbackSocket() { ::close(fd_); }
    std::string baseAddress() const { return "http://127.0.0.1:" + std::to_string(port_); }

  private:
    int fd_ = -1;
    int port_ = 0;
};

// Python's http.server serving a folder on a port of its choosing.
class PythonSite {
  public:
    PythonSite() {
        const QString python =
            std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
        server_.setProgram(python);
        server_.setArguments({"-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory",
                              QString::fromStdString(root.path())});
        server_.start();
        EXPECT_TRUE(server_.waitForStarted(10000)) << "python3 is needed (scripts/deps.sh)";
        static const QRegularExpression serving("port (\\d+)");
        QByteArray output;
        while (server_.state() == QProcess::Running && server_.waitForReadyRead(10000)) {
            output += server_.readAllStandardOutput();
            auto match = serving.match(QString::fromUtf8(output));
            if (match.hasMatch()) {
                port_ = match.captured(1).toInt();
                break;
            }
        }
        EXPECT_NE(port_, 0) << output.toStdString();
    }
    ~PythonSite() {
        server_.kill();
        server_.waitForFinished();
    }
    void publish(const std::string& sitePath, const std::string& content) {
        test::writeFile(root.path() + sitePath, content);
    }
    std::string baseAddress() const { return "http://127.0.0.1:" + std::to_string(port_); }

    test::TempDir root;

  private:
    QProcess server_;
    int port_ = 0;
};

class UpdateCheckHttp : public ::testing::Test {
  protected:
    UpdateCheckHttp() : defaults(tmp / "prefs.json"), checker(defaults, alerts, workspace, http) {
        checker.setVersion("0.9.0");
        checker.setClock([] { return std::time_t{1700000000}; });
        defaults.setInteger(keys::kLastUpdateCheck, 1000);
    }
    ~UpdateCheckHttp() override { unsetenv(site::kBaseAddressVariable); }

    void pointAt(const std::string& base) { setenv(site::kBaseAddressVariable, base.c_str(), 1); }
    std::string onlyAlertTitle() const {
        return alerts.calls.size() == 1 ? alerts.calls[0].title
                                        : "(" + std::to_string(alerts.calls.size()) + " alerts)";
    }
    long storedLastCheck() const {
        return UserDefaults(tmp / "prefs.json").integerForKey(keys::kLastUpdateCheck);
    }

    test::TempDir tmp;
    UserDefaults defaults;
    test::RecordingAlerts alerts;
    test::RecordingWorkspace workspace;
    QtHttpClient http{2000ms};
    UpdateChecker checker;
};

TEST_F(UpdateCheckHttp, SiteDownGivesTheFailureAlertAndStillCountsTheCheck) {
    LoopbackSocket refusing(false);
    pointAt(refusing.baseAddress());
    checker.doUpdateCheck();
    EXPECT_EQ(onlyAlertTitle(), "Couldn't check for updates");
    EXPECT_EQ(storedLastCheck(), 1700000000);
}

TEST_F(UpdateCheckHttp, PingWithoutVersionFileIsUpToDate) {
    PythonSite site;
    site.publish("/Orvane/updates/ping", "");
    site.publish("/Orvane/updates/0.8.0", "older versions are announced, not ours");
    pointAt(site.baseAddress());
    checker.doUpdateCheck();
    EXPECT_EQ(onlyAlertTitle(), "Orvane is up to date");
    EXPECT_EQ(storedLastCheck(), 1700000000);
}

TEST_F(UpdateCheckHttp, PingAndVersionFileAnnounceANewVersion) {
    PythonSite site;
    site.publish("/Orvane/updates/ping", "ping");
    site.publish("/Orvane/updates/0.9.0", "");
    pointAt(site.baseAddress() + "/");
    alerts.answers = {0};
    checker.doUpdateCheck();
    EXPECT_EQ(onlyAlertTitle(), "A new version is available");
    EXPECT_EQ(workspace.opened, std::vector<std::string>{site.baseAddress() + "/Orvane/"});
}

TEST_F(UpdateCheckHttp, ServerThatNeverAnswersFailsAfterTheTimeLimit) {
    LoopbackSocket silent(true);
    pointAt(silent.baseAddress());
    QtHttpClient quick(300ms);
    UpdateChecker quickChecker(defaults, alerts, workspace, quick);
    quickChecker.doUpdateCheck();
    EXPECT_EQ(onlyAlertTitle(), "Couldn't check for updates");
}

TEST(QtHttpClient, AnswersTheExactContentOrNothing) {
    PythonSite site;
    const std::string binary("a\0b\r\n\xff", 6);
    site.publish("/file.bin", binary);
    QtHttpClient http(5000ms);
    EXPECT_EQ(http.fetch(site.baseAddress() + "/file.bin"), binary);
    EXPECT_EQ(http.fetch(site.baseAddress() + "/missing"), std::nullopt) << "404";
    EXPECT_EQ(http.fetch("not a url"), std::nullopt);
    EXPECT_EQ(http.fetch("http://127.0.0.1:0/x"), std::nullopt);
}

TEST(QtHttpClient, KeepsTheEventLoopTurningWhileItWaits) {
    LoopbackSocket silent(true);
    QtHttpClient http(400ms);
    int ticks = 0;
    QTimer painter;
    QObject::connect(&painter, &QTimer::timeout, [&] { ++ticks; });
    painter.start(10);
    EXPECT_EQ(http.fetch(silent.baseAddress() + "/Orvane/updates/ping"), std::nullopt);
    EXPECT_GT(ticks, 0) << "timers (and so painting) ran during the fetch";
}

// Counts the key presses and clicks it receives.
class InputCounter : public QWidget {
  public:
    int received = 0;

  protected:
    void keyPressEvent(QKeyEvent*) override { ++received; }
    void mousePressEvent(QMouseEvent*) override { ++received; }
};

TEST(QtHttpClient, SwallowsInputMadeWhileItWaits) {
    LoopbackSocket silent(true);
    QtHttpClient http(300ms);
    InputCounter widget;
    widget.show();
    auto press = [&] {
        QCoreApplication::postEvent(
            &widget, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
        QCoreApplication::postEvent(
            &widget, new QMouseEvent(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1),
                                     Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    };
    QTimer::singleShot(50, press);
    EXPECT_EQ(http.fetch(silent.baseAddress() + "/Orvane/updates/ping"), std::nullopt);
    QCoreApplication::processEvents();
    EXPECT_EQ(widget.received, 0) << "neither handled during the wait nor replayed after it";

    press();
    QCoreApplication::processEvents();
    EXPECT_EQ(widget.received, 2) << "input works again once the fetch is over";
}

TEST(QtHttpClient, DefaultTimeLimitIsFifteenSeconds) {
    EXPECT_EQ(QtHttpClient().timeLimit(), 15000ms);
}

} // namespace
} // namespace orvane
