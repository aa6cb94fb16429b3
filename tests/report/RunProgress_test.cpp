#include "report/RunProgress.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(RunProgress, CountsAndTimesReadAsText) {
    const std::pair<long, const char*> counts[] = {
        {0, "0"},          {999, "999"},           {1000, "1,000"},
        {20000, "20,000"}, {1234567, "1,234,567"}, {-1234, "-1,234"}};
    for (const auto& [value, text] : counts)
        EXPECT_EQ(groupedCount(value), text);
    EXPECT_EQ(timeLeftText(0.2), "about 1 s left");
    EXPECT_EQ(timeLeftText(12.4), "about 12 s left");
    EXPECT_EQ(timeLeftText(250), "about 4 min left");
    EXPECT_EQ(timeLeftText(7500), "about 2 h 5 min left");
    EXPECT_EQ(durationText(6.54), "6.5 s");
    EXPECT_EQ(durationText(200), "3 min 20 s");
}

TEST(RunProgress, NoRateInTheFirstSecondsThenASmoothedOne) {
    RateEstimator estimator;
    estimator.start(100.0);
    ProgressStatus early = estimator.sample(500, 20000, 102.5, 4000);
    EXPECT_FALSE(early.rate);
    EXPECT_FALSE(early.byteRate);
    EXPECT_FALSE(early.secondsLeft);
    // 1,000 entries a second for the last five seconds, after a slow start.
    for (int second = 1; second <= 10; ++second)
        estimator.sample(second <= 5 ? 10 * second : 50 + 1000 * (second - 5), 20000,
                         100.0 + second, 2000000u * second);
    ProgressStatus later = estimator.sample(5050, 20000, 110.0, 20000000);
    ASSERT_TRUE(later.rate);
    EXPECT_NEAR(*later.rate, 1000.0, 1.0);
    ASSERT_TRUE(later.byteRate);
    EXPECT_NEAR(*later.byteRate, 2e6, 1.0);
    ASSERT_TRUE(later.secondsLeft);
    EXPECT_NEAR(*later.secondsLeft, 14.95, 0.05);
    EXPECT_DOUBLE_EQ(later.elapsed, 10.0);
}

TEST(RunProgress, WindowAndTerminalLines) {
    ProgressStatus status;
    status.done = 1234;
    status.total = 20000;
    status.currentPath = "/media/card/DCIM/IMG_0042.JPG";
    EXPECT_EQ(windowProgressText(status), "1,234 of 20,000 \u00b7 IMG_0042.JPG");
    EXPECT_EQ(consoleProgressText(status, 0), "1,234 / 20,000 \u00b7 6.2% \u00b7 IMG_0042.JPG");
    status.rate = 3070.4;
    status.secondsLeft = 12.2;
    status.byteRate = 41.23e6;
    EXPECT_EQ(windowProgressText(status), "1,234 of 20,000 \u00b7 3,070 files/s \u00b7 41.2 MB/s "
                                          "\u00b7 about 12 s left \u00b7 IMG_0042.JPG");
    status.byteRate.reset();
    EXPECT_EQ(consoleProgressText(status, 0), "1,234 / 20,000 \u00b7 6.2% \u00b7 3,070 files/s "
                                              "\u00b7 about 12 s left \u00b7 IMG_0042.JPG");
    // The name gives way in its middle first.
    EXPECT_EQ(consoleProgressText(status, 65), "1,234 / 20,000 \u00b7 6.2% \u00b7 3,070 files/s "
                                               "\u00b7 about 12 s left \u00b7 IMG\u2026JPG");
    status.done = status.total;
    status.elapsed = 6.5;
    EXPECT_EQ(consoleFinishedText(status),
              "20,000 / 20,000 \u00b7 3,077 files/s \u00b7 done in 6.5 s");
}

TEST(RunProgress, ElidingKeepsWholeCharacters) {
    EXPECT_EQ(elideMiddle("short", 10), "short");
    EXPECT_EQ(elideMiddle("abcdefghij", 5), "ab\u2026ij");
    EXPECT_EQ(elideMiddle("\u00e9t\u00e9-\u00e0-la-plage.jpg", 7), "\u00e9t\u00e9\u2026jpg");
}

} // namespace
} // namespace orvane
