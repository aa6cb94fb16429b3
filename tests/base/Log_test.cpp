#include "base/Log.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(Log, LevelsThresholdAndCut) {
    test::LogCapture log;
    configureLogging(0);
    logMessage(LOG_DEBUG, "hidden %d", 1);
    logMessage(LOG_WARN, "shown %s", "warn");
    logMessage(-1, "negative");
    logMessage(9, "too high");
    logMessage(LOG_NOTICE, "%s", std::string(5000, 'x').c_str());
    const std::string text = log.text();
    EXPECT_EQ(text.find("hidden"), std::string::npos);
    EXPECT_NE(text.find(" WARN: shown warn\n"), std::string::npos);
    EXPECT_NE(text.find(" UNKNOWN: negative\n"), std::string::npos);
    EXPECT_EQ(text.find("too high"), std::string::npos);
    EXPECT_NE(text.find(" NOTICE: " + std::string(4095, 'x') + "\n"), std::string::npos);
    // "Mon May  3 14:05:09 2004 Orvane[412] WARN: ..."
    const std::string pid = "Orvane[" + std::to_string(getpid()) + "] WARN";
    EXPECT_EQ(text.find(pid), 25u);
}

TEST(Log, DebugPreferenceTable) {
    configureLogging(1);
    EXPECT_EQ(logThreshold(), LOG_DEVEL);
    EXPECT_TRUE(trackingEnabled());
    configureLogging(2);
    EXPECT_EQ(logThreshold(), LOG_DEVEL);
    EXPECT_FALSE(trackingEnabled());
    configureLogging(3);
    EXPECT_EQ(logThreshold(), LOG_NOTICE);
    EXPECT_FALSE(trackingEnabled());
    resetLoggingForTesting();
}

TEST(Log, TrackingModeAppendsToTheDesktopLog) {
    test::TempDir home;
    const char* oldHome = getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", home.path().c_str(), 1);
    {
        // A home without a Desktop folder gets one.
        test::LogCapture capture;
        configureLogging(1);
        logMessage(LOG_DEBUG, "first");
        resetLoggingForTesting();
    }
    EXPECT_NE(test::readFile(home / "Desktop/Orvane.log").find(" DEBUG: first\n"),
              std::string::npos);
    test::writeFile(home / "Desktop/Orvane.log", "earlier run\n");
    {
        test::LogCapture capture;
        configureLogging(1);
        logMessage(LOG_DEBUG, "tracked %d", 42);
        logText(LOG_DEBUG, "raw text");
        resetLoggingForTesting();
    }
    const std::string file = test::readFile(home / "Desktop/Orvane.log");
    EXPECT_EQ(file.rfind("earlier run\n", 0), 0u);
    EXPECT_NE(file.find(" DEBUG: tracked 42\nraw text"), std::string::npos);

    // An unwritable desktop: the line still reaches the stream, and stderr explains.
    setenv("HOME", (home / "Desktop/Orvane.log").c_str(), 1); // a file where a folder belongs
    {
        test::LogCapture capture;
        configureLogging(1);
        testing::internal::CaptureStderr();
        logMessage(LOG_WARN, "still shown");
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("ORVANE ERROR: Couldn't open debug file "), std::string::npos);
        EXPECT_TRUE(capture.contains("WARN: still shown"));
        resetLoggingForTesting();
    }
    setenv("HOME", savedHome.c_str(), 1);
}

} // namespace
} // namespace orvane

#include "app/LoggingSetup.h"
#include "platform/UserDefaults.h"

namespace orvane {
namespace {

TEST(Log, TrackingModeStartupLinesDumpThePreferences) {
    test::TempDir home;
    const std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
    setenv("HOME", home.path().c_str(), 1);
    UserDefaults defaults(home / "p.json");
    defaults.setInteger("debug", 1);
    defaults.setObject("OVLastTarget", std::string("/photos"));
    {
        test::LogCapture capture;
        setUpLogging(defaults, "9.9");
        const std::string text = capture.text();
        EXPECT_NE(text.find(" NOTICE: Orvane starting. Version: 9.9\n"), std::string::npos);
        EXPECT_NE(text.find(" DEBUG: Preferences dictionary follows\n{\n"), std::string::npos);
        EXPECT_NE(text.find("OVLastTarget = \"/photos\";"), std::string::npos);
        resetLoggingForTesting();
    }
    defaults.setInteger("debug", 2);
    {
        test::LogCapture capture;
        setUpLogging(defaults, "9.9");
        EXPECT_EQ(capture.text().find("Orvane starting"), std::string::npos);
        resetLoggingForTesting();
    }
    setenv("HOME", savedHome.c_str(), 1);
}

} // namespace
} // namespace orvane
