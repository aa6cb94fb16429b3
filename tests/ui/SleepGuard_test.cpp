#include "app/Controller.h"
#include "app/PowerCallback.h"
#include "base/Log.h"
#include "base/RunStatus.h"
#include "platform/ManualTimerService.h"
#include "platform/UserDefaults.h"
#include "platform/qt/SleepGuard.h"
#include "prefs/Defaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "report/ReportController.h"
#include "support/EntryGate.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <condition_variable>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>

namespace orvane {
namespace {

using test::PrivateBus;
using test::waitUntil;

class SleepGuardTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new test::TempDir;
        bus_ = new PrivateBus(folder_->path());
        ASSERT_FALSE(bus_->address.isEmpty()) << "dbus-daemon did not start";
        logind_ = new test::FakeService("fake_logind.py", bus_->address);
        ASSERT_TRUE(logind_->ready) << "the fake logind did not start";
        // What the program's own system-bus connection will use.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus_->address.toUtf8());
    }
    static void TearDownTestSuite() {
        delete logind_;
        delete bus_;
        delete folder_;
    }

    // A connection of the test's own, to ask the fake what it holds.
    static QDBusConnection observer() {
        return QDBusConnection::connectToBus(bus_->address, QStringLiteral("observer"));
    }
    static QDBusMessage callFake(const QString& interface, const QString& method,
                                 const QVariantList& arguments = {}) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            "org.freedesktop.login1", "/org/freedesktop/login1", interface, method);
        call.setArguments(arguments);
        return observer().call(call);
    }
    // The inhibitors that logind holds, as "what/who/mode" each.
    static QStringList inhibitors() {
        QDBusMessage reply = callFake("org.freedesktop.login1.Manager", "ListInhibitors");
        QStringList list;
        if (reply.type() != QDBusMessage::ReplyMessage)
            return {"error: " + reply.errorMessage()};
        const QDBusArgument arg = reply.arguments().at(0).value<QDBusArgument>();
        arg.beginArray();
        while (!arg.atEnd()) {
            QString what, who, why, mode;
            uint uid = 0, pid = 0;
            arg.beginStructure();
            arg >> what >> who >> why >> mode >> uid >> pid;
            arg.endStructure();
            list << what + "/" + who + "/" + mode;
        }
        arg.endArray();
        return list;
    }
    static uint issued() {
        return callFake("org.orvane.FakeLogin1", "Issued").arguments().value(0).toUInt();
    }

    static inline test::TempDir* folder_ = nullptr;
    static inline PrivateBus* bus_ = nullptr;
    static inline test::FakeService* logind_ = nullptr;
};

const QStringList kHeld = {"sleep:idle/Orvane/block"};

TEST_F(SleepGuardTest, HeldExactlyWhileARunIsInProgress) {
    test::TempDir dir;
    test::writeFile(dir / "src/one.txt", "1", test::localTime(2005, 3, 17));
    test::writeFile(dir / "src/two.txt", "2", test::localTime(2005, 3, 18));
    std::filesystem::create_directories(dir / "out");
    UserDefaults defaults(dir / "prefs.json");
    registerDefaults(defaults);
    defaults.setObject(keys::kMatchingMode, std::string(kAllExceptMatching));
    ReportController report(defaults);
    ManualTimerService timers;
    PlatformServices services;
    services.timers = &timers;
    Controller controller(defaults, report, services);
    test::LogCapture log;

    SleepGuard guard([&] { return controller.mergeState(); }, powerCallback);
    ASSERT_TRUE(guard.registered());
    controller.setMergeStateObserver([&](int state) { guard.mergeStateChanged(state); });
    EXPECT_EQ(inhibitors(), QStringList());

    // A run that is aborted: running, cancel requested, cancelled, then the ending tick.
    test::EntryGate gate;
    controller.setMergeHooks(gate.hooks());
    controller.setFromPaths({dir / "src/one.txt", dir / "src/two.txt"});
    controller.setToPath(dir / "out");
    controller.goClicked();
    ASSERT_TRUE(waitUntil([&] { return guard.holdsInhibitor(); }));
    EXPECT_EQ(inhibitors(), kHeld);
    EXPECT_TRUE(log.contains(" DEBUG: Cancelling sleep because merge state is 1\n"));

    controller.goClicked();
    EXPECT_EQ(controller.mergeState(), kMergeCancelRequested);
    gate.open();
    ASSERT_TRUE(waitUntil([&] { return controller.mergeState() == kMergeCancelled; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(guard.holdsInhibitor());
    EXPECT_EQ(inhibitors(), kHeld);
    EXPECT_FALSE(log.contains("Allowing sleep"));

    timers.fireAll();
    EXPECT_EQ(controller.mergeState(), kMergeIdle);
    EXPECT_FALSE(guard.holdsInhibitor());
    EXPECT_TRUE(waitUntil([&] { return inhibitors().isEmpty(); }));
    EXPECT_TRUE(log.contains(" DEBUG: Allowing sleep because merge state is 0\n"));

    // A run that completes: still held after the worker's end until the tick sees it.
    controller.setMergeHooks({});
    std::filesystem::remove_all(dir / "out");
    std::filesystem::create_directories(dir / "out");
    controller.goClicked();
    const int target = 3;
    ASSERT_TRUE(waitUntil([&] { return controller.filesDone() == target; }));
    ASSERT_TRUE(waitUntil([&] { return guard.holdsInhibitor(); }));
    EXPECT_EQ(controller.mergeState(), kMergeRunning);
    EXPECT_EQ(inhibitors(), kHeld);
    timers.fireAll();
    EXPECT_TRUE(waitUntil([&] { return inhibitors().isEmpty(); }));
}

TEST_F(SleepGuardTest, AnAnswerThatComesAfterTheRunEndedIsNotKept) {
    test::LogCapture log;
    SleepGuard guard([] { return 0; }, powerCallback);
    ASSERT_TRUE(guard.registered());
    const uint before = issued();
    guard.mergeStateChanged(kMergeRunning);
    guard.mergeStateChanged(kMergeIdle);
    ASSERT_TRUE(waitUntil([&] { return issued() == before + 1; }));
    EXPECT_TRUE(waitUntil([&] { return inhibitors().isEmpty(); }));
    EXPECT_FALSE(guard.holdsInhibitor());

    // Only changes between idle and not idle are logged and acted on.
    guard.mergeStateChanged(kMergeRunning);
    guard.mergeStateChanged(kMergeCancelRequested);
    guard.mergeStateChanged(kMergeCancelled);
    ASSERT_TRUE(waitUntil([&] { return guard.holdsInhibitor(); }));
    EXPECT_EQ(issued(), before + 2);
    EXPECT_EQ(inhibitors(), kHeld);
    EXPECT_EQ(log.text().find("merge state is 2"), std::string::npos);
    guard.mergeStateChanged(kMergeIdle);
    EXPECT_TRUE(waitUntil([&] { return inhibitors().isEmpty(); }));
}

TEST_F(SleepGuardTest, SleepAndWakeUpAreLogged) {
    test::LogCapture log;
    SleepGuard guard([] { return kMergeRunning; }, powerCallback);
    ASSERT_TRUE(guard.registered());
    callFake("org.orvane.FakeLogin1", "EmitPrepareForSleep", {true});
    EXPECT_TRUE(waitUntil([&] { return log.contains(" DEBUG: System will sleep\n"); }));
    callFake("org.orvane.FakeLogin1", "EmitPrepareForSleep", {false});
    EXPECT_TRUE(waitUntil([&] { return log.contains(" DEBUG: System is back\n"); }));
    // Announcements are answered by no lock of ours.
    EXPECT_FALSE(guard.holdsInhibitor());
}

TEST_F(SleepGuardTest, NoBusOrNoLogindMeansNoGuardAndNoWord) {
    test::LogCapture log;
    {
        SleepGuard guard([] { return kMergeRunning; }, powerCallback,
                         QDBusConnection::connectToBus(
                             QStringLiteral("unix:path=/nonexistent/orvane-bus"), "nowhere"));
        EXPECT_FALSE(guard.registered());
        guard.mergeStateChanged(kMergeRunning);
        guard.mergeStateChanged(kMergeIdle);
    }
    test::TempDir emptyBusFolder;
    PrivateBus empty(emptyBusFolder.path());
    ASSERT_FALSE(empty.address.isEmpty());
    {
        SleepGuard guard([] { return kMergeRunning; }, powerCallback,
                         QDBusConnection::connectToBus(empty.address, "without-logind"));
        EXPECT_FALSE(guard.registered());
        guard.mergeStateChanged(kMergeRunning);
        QCoreApplication::processEvents();
        EXPECT_FALSE(guard.holdsInhibitor());
    }
    EXPECT_EQ(log.text(), "");
}

} // namespace
} // namespace orvane
