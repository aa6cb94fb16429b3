#include "app/PowerCallback.h"
#include "base/Log.h"
#include "base/RunStatus.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(PowerCallback, SleepIsRefusedInEveryRunStateButIdle) {
    test::LogCapture log;
    EXPECT_EQ(powerCallback(kIOMessageCanSystemSleep, kMergeIdle), PowerAnswer::kAllow);
    EXPECT_TRUE(log.contains(" DEBUG: Allowing sleep because merge state is 0\n"));
    for (int state : {kMergeRunning, kMergeCancelRequested, kMergeCancelled}) {
        EXPECT_EQ(powerCallback(kIOMessageCanSystemSleep, state), PowerAnswer::kCancel);
        EXPECT_TRUE(log.contains(" DEBUG: Cancelling sleep because merge state is " +
                                 std::to_string(state) + "\n"));
    }
}

TEST(PowerCallback, AnnouncementsAreLoggedAndAllowed) {
    test::LogCapture log;
    // A sleep that is announced rather than asked for cannot be refused, even during a run.
    EXPECT_EQ(powerCallback(kIOMessageSystemWillSleep, kMergeRunning), PowerAnswer::kAllow);
    EXPECT_TRUE(log.contains(" DEBUG: System will sleep\n"));

    EXPECT_EQ(powerCallback(kIOMessageSystemHasPoweredOn, kMergeRunning), PowerAnswer::kNone);
    EXPECT_TRUE(log.contains(" DEBUG: System is back\n"));

    // The announcement that the system will power on, and a small value: eight hex digits.
    EXPECT_EQ(powerCallback(0xE0000320, kMergeRunning), PowerAnswer::kAllow);
    EXPECT_TRUE(log.contains(" DEBUG: System power state change. Code = e0000320\n"));
    EXPECT_EQ(powerCallback(0x10, kMergeIdle), PowerAnswer::kAllow);
    EXPECT_TRUE(log.contains(" DEBUG: System power state change. Code = 00000010\n"));
}

} // namespace
} // namespace orvane
