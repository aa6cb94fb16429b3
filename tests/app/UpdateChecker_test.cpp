#include "app/SiteAddress.h"
#include "app/UpdateChecker.h"
#include "app/UpdateFakes.h"
#include "platform/UserDefaults.h"
#include "prefs/PrefKeys.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace orvane {
namespace {

constexpr std::time_t kNow = 1700000000;
constexpr int64_t kDay = 86400;

class UpdateCheckerTest : public ::testing::Test {
  protected:
    UpdateCheckerTest() : defaults(tmp / "prefs.json"), checker(defaults, alerts, workspace, http) {
        setenv(site::kBaseAddressVariable, "http://updates.test", 1);
        checker.setClock([] { return kNow; });
        checker.setVersion("2.5.1");
    }
    ~UpdateCheckerTest() override { unsetenv(site::kBaseAddressVariable); }

    // What another process would read from the store's file.
    UserDefaults onDisk() const { return UserDefaults(tmp / "prefs.json"); }

    test::TempDir tmp;
    UserDefaults defaults;
    test::RecordingAlerts alerts;
    test::RecordingWorkspace workspace;
    test::ScriptedHttp http;
    UpdateChecker checker;
};

// The reminder.

TEST_F(UpdateCheckerTest, ReminderComesOnlyOnceTheFrequencyIsStrictlyExceeded) {
    defaults.setInteger(keys::kCheckUpdateFrequency, 90);
    defaults.setInteger(keys::kLastUpdateCheck, kNow - 90 * kDay);
    checker.updateReminder();
    EXPECT_TRUE(alerts.calls.empty()) << "exactly 90 days is not yet due";

    defaults.setInteger(keys::kLastUpdateCheck, kNow - 90 * kDay - 1);
    alerts.answers = {2};
    checker.updateReminder();
    ASSERT_EQ(alerts.calls.size(), 1u);
    const auto& alert = alerts.calls[0];
    EXPECT_EQ(alert.title, "Time to check for updates");
    EXPECT_EQ(alert.message,
              "Orvane can check to see if a new version is available. You can also check for "
              "updates at any time using the item in the Orvane menu.\n\nDo you wish to check "
              "now?");
    EXPECT_EQ(alert.defaultButton, "Check now");
    EXPECT_EQ(alert.alternateButton, "Never ask this again");
    EXPECT_EQ(alert.otherButton, "Ask me next time");
}

TEST_F(UpdateCheckerTest, ReminderLogsItsFiguresBeforeDeciding) {
    defaults.setInteger(keys::kFirstRunTime, 1600000000);
    defaults.setInteger(keys::kCheckUpdateFrequency, 90);
    defaults.setInteger(keys::kLastUpdateCheck, kNow - 1000);
    test::LogCapture log;
    checker.updateReminder();
    EXPECT_TRUE(log.contains("DEBUG: Time is 1700000000, first run is 1600000000, last update "
                             "check is 1699999000 difference is 1000, threshold is 7776000\n"))
        << log.text();
    EXPECT_TRUE(alerts.calls.empty());
}

TEST_F(UpdateCheckerTest, NoReminderAndNoLogLineForAFrequencyOfZeroOrLess) {
    defaults.setInteger(keys::kLastUpdateCheck, 0);
    for (long frequency : {0L, -1L, -90L}) {
        defaults.setInteger(keys::kCheckUpdateFrequency, frequency);
        test::LogCapture log;
        checker.updateReminder();
        EXPECT_TRUE(alerts.calls.empty()) << frequency;
        EXPECT_FALSE(log.contains("Time is")) << frequency;
    }
}

TEST_F(UpdateCheckerTest, NoReminderWithoutAnyLastCheck) {
    // The first start registers no last check; a frequency alone does not remind.
    defaults.registerDefaults({{keys::kCheckUpdateFrequency, int64_t{90}}});
    test::LogCapture log;
    checker.updateReminder();
    EXPECT_TRUE(alerts.calls.empty());
    EXPECT_FALSE(log.contains("Time is"));
}

TEST_F(UpdateCheckerTest, RegisteredLastCheckCountsLikeAStoredOne) {
    defaults.registerDefaults({{keys::kCheckUpdateFrequency, int64_t{90}},
                               {keys::kLastUpdateCheck, int64_t{kNow - 91 * kDay}}});
    alerts.answers = {2};
    checker.updateReminder();
    EXPECT_EQ(alerts.calls.size(), 1u);
}

TEST_F(UpdateCheckerTest, NeverAskAgainStoresZeroOnDiskAndStopsTheReminder) {
    defaults.setInteger(keys::kCheckUpdateFrequency, 30);
    defaults.setInteger(keys::kLastUpdateCheck, kNow - 31 * kDay);
    alerts.answers = {1};
    checker.updateReminder();
    EXPECT_TRUE(http.requested.empty());
    EXPECT_EQ(onDisk().objectForKey(keys::kCheckUpdateFrequency), PrefValue(int64_t{0}));
    EXPECT_EQ(onDisk().integerForKey(keys::kLastUpdateCheck), kNow - 31 * kDay);

    checker.updateReminder();
    EXPECT_EQ(alerts.calls.size(), 1u) << "no reminder after never ask again";
}

TEST_F(UpdateCheckerTest, AskMeNextTimeChangesNothingAndAsksAgain) {
    defaults.setInteger(keys::kCheckUpdateFrequency, 90);
    defaults.setInteger(keys::kLastUpdateCheck, kNow - 100 * kDay);
    const auto before = defaults.dictionaryRepresentation();
    alerts.answers = {2, 2};
    checker.updateReminder();
    EXPECT_EQ(defaults.dictionaryRepresentation(), before);
    EXPECT_TRUE(http.requested.empty());
    checker.updateReminder();
    EXPECT_EQ(alerts.calls.size(), 2u);
}

TEST_F(UpdateCheckerTest, CheckNowRunsTheCheck) {
    defaults.setInteger(keys::kCheckUpdateFrequency, 90);
    defaults.setInteger(keys::kLastUpdateCheck, kNow - 100 * kDay);
    alerts.answers = {0, 0};
    checker.updateReminder();
    ASSERT_EQ(alerts.calls.size(), 2u);
    EXPECT_EQ(alerts.calls[1].title, "Couldn't check for updates");
    EXPECT_EQ(defaults.integerForKey(keys::kLastUpdateCheck), kNow);
}

// The check.

TEST_F(UpdateCheckerTest, SiteDownStillCountsAsACheck) {
    defaults.setInteger(keys::kLastUpdateCheck, 5);
    std::optional<long> storedAtFirstRequest;
    http.beforeAnswer = [&](const std::string&) {
        if (!storedAtFirstRequest)
            storedAtFirstRequest = onDisk().integerForKey(keys::kLastUpdateCheck);
    };
    test::LogCapture log;
    checker.doUpdateCheck();

    EXPECT_EQ(storedAtFirstRequest, kNow) << "stored and written before any request";
    EXPECT_EQ(http.requested, std::vector<std::string>{"http://updates.test/Orvane/updates/ping"});
    ASSERT_EQ(alerts.calls.size(), 1u);
    EXPECT_EQ(alerts.calls[0].title, "Couldn't check for updates");
    EXPECT_EQ(alerts.calls[0].message,
              "Orvane was not able to connect to the internet site to check for updates.\n\nThis "
              "could be because your internet connection is unavailable, or because the site is "
              "down. Please visit the Orvane website at http://updates.test/Orvane/ to see if "
              "updates are available.");
    EXPECT_EQ(alerts.calls[0].defaultButton, "OK");
    EXPECT_EQ(alerts.calls[0].alternateButton, "");
    EXPECT_TRUE(log.contains("DEBUG: Start checking for upgrade by accessing ping file: "
                             "'http://updates.test/Orvane/updates/ping'\n"));
    EXPECT_TRUE(log.contains("DEBUG: Ping file couldn't be accessed\n"));
    EXPECT_FALSE(log.contains("version file"));
}

TEST_F(UpdateCheckerTest, NoVersionFileMeansUpToDate) {
    http.contents["http://updates.test/Orvane/updates/ping"] = "";
    test::LogCapture log;
    checker.doUpdateCheck();
    EXPECT_EQ(http.requested,
              (std::vector<std::string>{"http://updates.test/Orvane/updates/ping",
                                        "http://updates.test/Orvane/updates/2.5.1"}));
    ASSERT_EQ(alerts.calls.size(), 1u);
    EXPECT_EQ(alerts.calls[0].title, "Orvane is up to date");
    EXPECT_EQ(alerts.calls[0].message, "Your version of Orvane is the most recent.");
    EXPECT_EQ(alerts.calls[0].defaultButton, "OK");
    EXPECT_TRUE(log.contains("DEBUG: Complete checking for upgrade by accessing version file: "
                             "'http://updates.test/Orvane/updates/2.5.1'\n"));
    EXPECT_TRUE(log.contains("DEBUG: Version file couldn't be accessed: we are current\n"));
    EXPECT_TRUE(workspace.opened.empty());
}

TEST_F(UpdateCheckerTest, AVersionFileOfAnyContentAnnouncesANewVersion) {
    http.contents["http://updates.test/Orvane/updates/ping"] = "ok";
    for (std::string content : {"", "0.0.1", "garbage\x01"}) {
        http.contents["http://updates.test/Orvane/updates/2.5.1"] = content;
        alerts.calls.clear();
        workspace.opened.clear();
        alerts.answers = {1};
        checker.doUpdateCheck();
        ASSERT_EQ(alerts.calls.size(), 1u);
        EXPECT_EQ(alerts.calls[0].title, "A new version is available");
        EXPECT_EQ(alerts.calls[0].message,
                  "A new version of Orvane has become available.\n\nWould you like to visit the "
                  "Orvane website to download this new version?");
        EXPECT_EQ(alerts.calls[0].defaultButton, "Visit Orvane website");
        EXPECT_EQ(alerts.calls[0].alternateButton, "No Thanks");
        EXPECT_TRUE(workspace.opened.empty()) << "No Thanks opens nothing";
    }
    alerts.answers = {0};
    checker.doUpdateCheck();
    EXPECT_EQ(workspace.opened, std::vector<std::string>{"http://updates.test/Orvane/"});
}

TEST_F(UpdateCheckerTest, ACheckResetsTheReminderClock) {
    defaults.setInteger(keys::kCheckUpdateFrequency, 90);
    defaults.setInteger(keys::kLastUpdateCheck, kNow - 200 * kDay);
    checker.doUpdateCheck();
    alerts.calls.clear();
    checker.setClock([] { return kNow + 90 * kDay; });
    checker.updateReminder();
    EXPECT_TRUE(alerts.calls.empty());
}

// The site's addresses.

TEST(SiteAddress, BuiltInAddressAndItsReplacement) {
    unsetenv(site::kBaseAddressVariable);
    EXPECT_EQ(site::pingFileURL(), "https://orvane.org/Orvane/updates/ping");
    EXPECT_EQ(site::versionFileURL("1.0"), "https://orvane.org/Orvane/updates/1.0");
    EXPECT_EQ(site::websiteURL(), "https://orvane.org/Orvane/");
    EXPECT_EQ(site::donationURL(), "https://orvane.org/Orvane/donationrequest.html");

    setenv(site::kBaseAddressVariable, "http://127.0.0.1:8123//", 1);
    EXPECT_EQ(site::pingFileURL(), "http://127.0.0.1:8123/Orvane/updates/ping");
    setenv(site::kBaseAddressVariable, "", 1);
    EXPECT_EQ(site::websiteURL(), "https://orvane.org/Orvane/") << "empty means unset";
    unsetenv(site::kBaseAddressVariable);
}

} // namespace
} // namespace orvane
