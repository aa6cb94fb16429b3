#include "cameras/DownloadAhead.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <unistd.h>

namespace orvane {
namespace {

// Items whose data is their number, written as text; item 3 fails and item 5 is large.
class DownloadAheadTest : public ::testing::Test {
  protected:
    ErrorText download(size_t item, int fd) {
        {
            std::lock_guard lock(lock_);
            ++downloads[item];
        }
        if (item == 3)
            return "item 3 failed";
        const std::string data = std::to_string(item);
        return ::write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size())
                   ? ErrorText()
                   : ErrorText("short write");
    }

    std::string take(DownloadAhead& ahead, size_t item) {
        const std::string path = tmp / ("item" + std::to_string(item));
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ErrorText error = ahead.take(item, fd);
        ::close(fd);
        return error ? *error : test::readFile(path);
    }

    test::TempDir tmp;
    std::mutex lock_;
    std::map<size_t, int> downloads;
};

TEST_F(DownloadAheadTest, AnswersEachItemInListOrderWhateverWasFetchedAhead) {
    DownloadAhead ahead(
        8, [this](size_t item, int fd) { return download(item, fd); },
        [](size_t item) { return item == 5 ? uint64_t{1} << 30 : uint64_t{1}; }, 2, 1024);
    EXPECT_EQ(take(ahead, 0), "0");
    EXPECT_EQ(take(ahead, 1), "1");
    EXPECT_EQ(take(ahead, 3), "item 3 failed"); // 2 skipped
    EXPECT_EQ(take(ahead, 5), "5");             // too large to hold: straight to the file
    EXPECT_EQ(take(ahead, 5), "5");             // asked again: downloaded again
    EXPECT_EQ(take(ahead, 7), "7");
    std::lock_guard lock(lock_);
    EXPECT_EQ(downloads[0], 1);
    EXPECT_EQ(downloads[5], 2);
}

} // namespace
} // namespace orvane
