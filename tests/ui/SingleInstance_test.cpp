#include "platform/qt/SingleInstance.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QThread>
#include <atomic>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using Paths = std::vector<std::string>;

template <typename Predicate> bool waitUntil(Predicate done) {
    for (int i = 0; i < 2000 && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
    return done();
}

// Runs `work` on a thread of its own while the main thread's event loop serves the running
// instance, and answers its result.
template <typename Work> auto whileServing(Work work) {
    auto result = std::async(std::launch::async, work);
    waitUntil(
        [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    return result.get();
}

class SingleInstanceTest : public ::testing::Test {
  protected:
    QString socketPath() const { return QString::fromStdString(dir_ / "orvane.socket"); }
    test::TempDir dir_;
};

TEST_F(SingleInstanceTest, ALaterStartHandsItsPathsToTheRunningOne) {
    SingleInstance running(socketPath());
    std::vector<Paths> received;
    running.setRequestHandler([&](const Paths& paths) { received.push_back(paths); });
    ASSERT_EQ(running.start({}), SingleInstance::Role::kPrimary);
    ASSERT_TRUE(running.listening()) << running.error();

    const Paths paths = {"/photos/b.jpg", "/photos/with space/a.jpg", "/bytes/\xff\xfe.jpg", ""};
    const auto role = whileServing([&] {
        SingleInstance second(socketPath());
        return second.start(paths);
    });
    EXPECT_EQ(role, SingleInstance::Role::kHandedOver);
    ASSERT_TRUE(waitUntil([&] { return received.size() == 1; }));
    EXPECT_EQ(received[0], paths);

    // Started again without paths: an empty request, so the running one can show itself.
    whileServing([&] { return SingleInstance::sendRequest(socketPath(), {}); });
    ASSERT_TRUE(waitUntil([&] { return received.size() == 2; }));
    EXPECT_TRUE(received[1].empty());
}

TEST_F(SingleInstanceTest, ARequestThatIsNotOneIsDroppedAndServingGoesOn) {
    SingleInstance running(socketPath());
    int requests = 0;
    running.setRequestHandler([&](const Paths&) { ++requests; });
    ASSERT_EQ(running.start({}), SingleInstance::Role::kPrimary);

    const bool closedOnUs = whileServing([&] {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        socket.waitForConnected(5000);
        socket.write("GET / HTTP/1.0\r\n\r\n");
        socket.waitForBytesWritten(5000);
        return socket.waitForDisconnected(5000) || socket.state() == QLocalSocket::UnconnectedState;
    });
    EXPECT_TRUE(closedOnUs);
    // A length beyond any real path is refused without waiting for its bytes.
    whileServing([&] {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        socket.waitForConnected(5000);
        socket.write(QByteArray::fromHex("4F52564E"
                                         "FFFFFFFF"
                                         "FFFFFFF0"));
        socket.waitForBytesWritten(5000);
        socket.disconnectFromServer();
        return true;
    });
    EXPECT_FALSE(whileServing([&] {
                     return SingleInstance::sendRequest(socketPath(), {"/x"});
                 }).has_value());
    EXPECT_TRUE(waitUntil([&] { return requests == 1; }));
    EXPECT_EQ(requests, 1);
}

TEST_F(SingleInstanceTest, WhatAnEndedInstanceLeftBehindIsTakenOver) {
    // A socket file nobody listens on any more, as a crash leaves it.
    {
        QLocalServer crashed;
        crashed.setSocketOptions(QLocalServer::UserAccessOption);
        ASSERT_TRUE(crashed.listen(socketPath()));
        std::filesystem::rename(dir_ / "orvane.socket", dir_ / "kept-name");
    }
    std::filesystem::rename(dir_ / "kept-name", dir_ / "orvane.socket");
    ASSERT_TRUE(test::exists(dir_ / "orvane.socket"));

    SingleInstance next(socketPath());
    EXPECT_EQ(next.start({"/a"}), SingleInstance::Role::kPrimary);
    EXPECT_TRUE(next.listening()) << next.error();

    // No one there at all: the request fails with a reason instead of waiting.
    auto failure =
        SingleInstance::sendRequest(QString::fromStdString(dir_ / "nobody"), {"/a"}, 2000);
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("couldn't reach the running Orvane"), std::string::npos);
}

TEST(SingleInstanceName, SettingsFolderAndRuntimeFolderNameTheSocket) {
    test::TempDir runtime;
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray savedConfig = qgetenv("ORVANE_CONFIG_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().c_str());
    qputenv("ORVANE_CONFIG_DIR", "/settings/one");
    const QString one = SingleInstance::defaultSocketPath();
    qputenv("ORVANE_CONFIG_DIR", "/settings/two");
    const QString two = SingleInstance::defaultSocketPath();
    EXPECT_TRUE(one.startsWith(QString::fromStdString(runtime.path() + "/orvane-")));
    EXPECT_NE(one, two);
    qputenv("ORVANE_CONFIG_DIR", "/settings/one/");
    EXPECT_EQ(SingleInstance::defaultSocketPath(), one);

    // A runtime folder whose name is too long for a socket address is passed over.
    const std::string deep = runtime / std::string(120, 'd');
    std::filesystem::create_directories(deep);
    qputenv("XDG_RUNTIME_DIR", deep.c_str());
    EXPECT_FALSE(SingleInstance::defaultSocketPath().startsWith(QString::fromStdString(deep)));
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    qputenv("ORVANE_CONFIG_DIR", savedConfig);
}

} // namespace
} // namespace orvane
