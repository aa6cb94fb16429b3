#include "app/UncaughtException.h"
#include "base/Log.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace orvane {
namespace {

struct Unusual {};

TEST(UncaughtException, LogsNameReasonAndDetailsAtWarn) {
    test::LogCapture log;
    configureLogging(0); // WARN passes the default threshold
    logUncaughtException(std::make_exception_ptr(std::runtime_error("disk on fire")));
    EXPECT_TRUE(log.contains(
        " WARN: UNCAUGHT EXCEPTION: std::runtime_error (disk on fire) (userinfo='{}')\n"));

    logUncaughtException(
        std::make_exception_ptr(std::system_error(ENOSPC, std::generic_category(), "write")));
    EXPECT_TRUE(log.contains("UNCAUGHT EXCEPTION: std::system_error (write: "));
    EXPECT_TRUE(log.contains("(userinfo='{code = 28; category = generic;}')\n"));

    logUncaughtException(std::make_exception_ptr(std::filesystem::filesystem_error(
        "copy", "/a/b\xff", std::make_error_code(std::errc::no_such_file_or_directory))));
    EXPECT_TRUE(log.contains("path1 = \"/a/b\\x"));

    logUncaughtException(std::make_exception_ptr(Unusual{}));
    EXPECT_TRUE(log.contains("UNCAUGHT EXCEPTION: orvane::(anonymous namespace)::Unusual () "
                             "(userinfo='{}')\n"));
}

TEST(UncaughtExceptionDeathTest, TerminateLogsBeforeTheProcessEnds) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            setLogStream(stderr);
            installUncaughtExceptionHandler();
            // An exception escaping a thread of its own, as one escaping the worker would.
            std::thread([] { throw std::out_of_range("index 7"); }).join();
        },
        "WARN: UNCAUGHT EXCEPTION: std::out_of_range \\(index 7\\) \\(userinfo='\\{\\}'\\)");
}

} // namespace
} // namespace orvane
