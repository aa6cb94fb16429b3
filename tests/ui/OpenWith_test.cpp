#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace orvane {
namespace {

template <typename Predicate> bool waitUntil(Predicate done) {
    for (int i = 0; i < 4000 && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
    return done();
}

size_t count(const std::string& text, const std::string& fragment) {
    size_t n = 0;
    for (size_t at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1))
        ++n;
    return n;
}

// The program itself, started twice in one session: the second start hands its paths to the
// first and ends. What the first did is read from its tracking-mode log file.
TEST(OpenWith, ASecondStartHandsItsPathsToTheRunningOrvane) {
    test::TempDir dir;
    const std::string config = dir / "config";
    const std::string runtime = dir / "runtime";
    const std::string home = dir / "home";
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(runtime);
    ::chmod(runtime.c_str(), 0700);
    std::filesystem::create_directories(home + "/Desktop");
    // Not a first start (no welcome), no update reminder, tracking mode for the log file.
    test::writeFile(config + "/preferences.json",
                    R"({"OVPreviousRuns": 4, "OVFirstRunTime": 1000000000,)"
                    R"( "OVCheckUpdateFrequency": 0, "debug": 1})");

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("ORVANE_CONFIG_DIR", QString::fromStdString(config));
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime));
    environment.insert("HOME", QString::fromStdString(home));
    environment.remove("XDG_CONFIG_HOME");
    environment.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/orvane-test-bus");
    const std::string logFile = home + "/Desktop/Orvane.log";
    auto log = [&] { return test::readFile(logFile); };

    QProcess first;
    first.setProcessEnvironment(environment);
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.setStandardOutputFile(QProcess::nullDevice());
    first.start(ORVANE_BINARY, {QString::fromStdString(dir / "launch.jpg")});
    ASSERT_TRUE(first.waitForStarted(10000));
    ASSERT_TRUE(waitUntil([&] {
        return log().find("processing source path requests") != std::string::npos;
    })) << log();
    EXPECT_NE(
        log().find("Application registering request for source path: '" + dir / "launch.jpg" + "'"),
        std::string::npos);

    // Relative paths are taken from the second start's own working folder.
    QProcess second;
    second.setProcessEnvironment(environment);
    second.setWorkingDirectory(QString::fromStdString(dir.path()));
    second.start(ORVANE_BINARY, {"camera/b.jpg", QString::fromStdString(dir / "a.jpg")});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);

    ASSERT_TRUE(waitUntil([&] { return count(log(), "processing source path requests") == 2; }))
        << log();
    const std::string text = log();
    EXPECT_NE(text.find("source path: '" + dir / "camera/b.jpg" + "'"), std::string::npos);
    EXPECT_NE(
        text.find("requests: '(\"" + dir / "camera/b.jpg" + "\", \"" + dir / "a.jpg" + "\")'"),
        std::string::npos)
        << text;
    // The second start left no trace of its own in the log.
    EXPECT_EQ(count(text, "Orvane starting"), 1u);
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill();
    first.waitForFinished(10000);
}

} // namespace
} // namespace orvane
