#include "base/Log.h"
#include "dates/DateReadAhead.h"
#include "support/TestSupport.h"

#include <atomic>
#include <gtest/gtest.h>
#include <sstream>

namespace orvane {
namespace {

// Dates come out in list order, each with its log lines written when it is taken; the
// threads never read further ahead than the window; a file changed after it was read is
// left to the caller.
TEST(DateReadAhead, InListOrderWithinTheWindow) {
    test::TempDir tmp;
    PathList list;
    for (int i = 0; i < 40; ++i) {
        list.push_back(tmp / ("f" + std::to_string(i)));
        test::writeFile(list.back(), std::string(i, 'x'));
    }
    constexpr size_t kWindow = 4;
    std::atomic<size_t> promised{0}; // entries the test has begun to take
    std::atomic<size_t> started{0};
    std::atomic<bool> beyondWindow{false};
    test::LogCapture log;
    std::string expectedLog;
    {
        DateReadAhead<time_t> readAhead(
            list,
            [&](const std::string& path, const struct stat& status) {
                if (++started > promised + kWindow)
                    beyondWindow = true;
                logMessage(LOG_DEBUG, "read %s", path.c_str());
                return static_cast<time_t>(status.st_size);
            },
            kWindow, 2);
        for (size_t i = 0; i < list.size(); ++i) {
            promised = i + 1;
            if (i == 20)
                test::writeFile(list[i], "changed");
            struct stat status;
            ASSERT_EQ(::stat(list[i].c_str(), &status), 0);
            const std::optional<time_t> date = readAhead.take(i, status);
            if (date) {
                // Entry 20 may have been read ahead only after it changed: then as it is now.
                EXPECT_EQ(*date, static_cast<time_t>(i == 20 ? 7 : i)) << i;
                expectedLog += "read " + list[i] + "\n";
            }
            EXPECT_TRUE(date || i == 20 || started <= i) << "entry " << i << " not read ahead";
            logMessage(LOG_DEBUG, "took %zu", i);
            expectedLog += "took " + std::to_string(i) + "\n";
        }
    }
    EXPECT_FALSE(beyondWindow);
    std::string messages;
    std::istringstream lines(log.text());
    for (std::string line; std::getline(lines, line);)
        messages += line.substr(line.find("DEBUG: ") + 7) + "\n";
    EXPECT_EQ(messages, expectedLog);
}

// Files read in the state their listing found them: one changed since is left to the caller.
TEST(DateReadAhead, FromTheListedStateOnlyWhileTheFileIsSo) {
    test::TempDir tmp;
    PathList list;
    ListedStatuses listed;
    for (int i = 0; i < 3; ++i) {
        list.push_back(tmp / ("f" + std::to_string(i)));
        test::writeFile(list.back(), std::string(i + 1, 'x'));
        listed.push_back(ListedStatus::of(test::statOf(list.back())));
    }
    test::writeFile(list[1], "changed since it was listed");
    DateReadAhead<time_t> readAhead(
        list,
        [](const std::string&, const struct stat& status) {
            return static_cast<time_t>(status.st_size);
        },
        4, 2, &listed);
    for (size_t i = 0; i < list.size(); ++i) {
        const std::optional<time_t> date = readAhead.take(i, test::statOf(list[i]));
        if (i == 1) {
            EXPECT_FALSE(date) << "read in the state it was listed in, which it is no more";
        } else if (date) {
            EXPECT_EQ(*date, static_cast<time_t>(i + 1));
        }
    }
}

} // namespace
} // namespace orvane
