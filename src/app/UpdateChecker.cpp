#include "app/UpdateChecker.h"

#include "app/BuildInfo.h"
#include "app/SiteAddress.h"
#include "base/Log.h"
#include "base/WindowText.h"
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "prefs/PrefKeys.h"

namespace orvane {

namespace {
constexpr int64_t kSecondsPerDay = 86400;

// The answers of the reminder, in the order of its buttons.
enum ReminderAnswer { kCheckNow = 0, kNeverAskAgain = 1, kAskNextTime = 2 };
} // namespace

UpdateChecker::UpdateChecker(UserDefaults& defaults, AlertService& alerts, Workspace& workspace,
                             HttpClient& http)
    : defaults_(defaults), alerts_(alerts), workspace_(workspace), http_(http),
      version_(build::kVersion), clock_([] { return std::time(nullptr); }) {}

void UpdateChecker::updateReminder() {
    if (!defaults_.objectForKey(keys::kLastUpdateCheck))
        return;
    const int64_t frequency = defaults_.integerForKey(keys::kCheckUpdateFrequency);
    if (frequency <= 0)
        return;

    const int64_t now = clock_();
    const int64_t lastCheck = defaults_.integerForKey(keys::kLastUpdateCheck);
    const int64_t difference = now - lastCheck;
    const int64_t threshold = frequency * kSecondsPerDay;
    logMessage(
        LOG_DEBUG,
        "Time is %ld, first run is %d, last update check is %ld difference is %d, "
        "threshold is %d",
        static_cast<long>(now), static_cast<int>(defaults_.integerForKey(keys::kFirstRunTime)),
        static_cast<long>(lastCheck), static_cast<int>(difference), static_cast<int>(threshold));
    if (difference <= threshold)
        return;

    const int answer = alerts_.runAlert(
        ORVANE_TRANSLATE_NOOP("Orvane", "Time to check for updates"),
        ORVANE_TRANSLATE_NOOP(
            "Orvane",
            "Orvane can check to see if a new version is available. You can also check for updates "
            "at any time using the item in the Orvane menu.\n\nDo you wish to check now?"),
        ORVANE_TRANSLATE_NOOP("Orvane", "Check now"),
        ORVANE_TRANSLATE_NOOP("Orvane", "Never ask this again"),
        ORVANE_TRANSLATE_NOOP("Orvane", "Ask me next time"));
    switch (answer) {
    case kCheckNow:
        doUpdateCheck();
        break;
    case kNeverAskAgain:
        defaults_.setInteger(keys::kCheckUpdateFrequency, 0);
        defaults_.synchronize();
        break;
    default:
        // Ask me next time: the last check stays where it was, so the next start asks again.
        break;
    }
}

void UpdateChecker::doUpdateCheck() {
    // Stored before any request, so that a check that fails also counts as one.
    defaults_.setInteger(keys::kLastUpdateCheck, static_cast<long>(clock_()));
    defaults_.synchronize();

    const std::string pingURL = site::pingFileURL();
    logMessage(LOG_DEBUG, "Start checking for upgrade by accessing ping file: '%s'",
               pingURL.c_str());
    if (!http_.fetch(pingURL)) {
        logMessage(LOG_DEBUG, "Ping file couldn't be accessed");
        alerts_.runAlert(ORVANE_TRANSLATE_NOOP("Orvane", "Couldn't check for updates"),
                         "Orvane was not able to connect to the internet site to check for "
                         "updates.\n\nThis could be because your internet connection is "
                         "unavailable, or because the site is down. Please visit the Orvane "
                         "website at " +
                             site::websiteURL() + " to see if updates are available.",
                         "OK");
        return;
    }

    const std::string versionURL = site::versionFileURL(version_);
    logMessage(LOG_DEBUG, "Complete checking for upgrade by accessing version file: '%s'",
               versionURL.c_str());
    if (!http_.fetch(versionURL)) {
        logMessage(LOG_DEBUG, "Version file couldn't be accessed: we are current");
        alerts_.runAlert(
            ORVANE_TRANSLATE_NOOP("Orvane", "Orvane is up to date"),
            ORVANE_TRANSLATE_NOOP("Orvane", "Your version of Orvane is the most recent."), "OK");
        return;
    }

    // The file's content is never looked at: its presence is the announcement.
    const int answer = alerts_.runAlert(
        ORVANE_TRANSLATE_NOOP("Orvane", "A new version is available"),
        ORVANE_TRANSLATE_NOOP("Orvane", "A new version of Orvane has become available.\n\nWould "
                                        "you like to visit the Orvane website to download this "
                                        "new version?"),
        ORVANE_TRANSLATE_NOOP("Orvane", "Visit Orvane website"),
        ORVANE_TRANSLATE_NOOP("Orvane", "No Thanks"));
    if (answer == 0)
        workspace_.openURL(site::websiteURL());
}

} // namespace orvane
