#include "app/Lifecycle.h"

#include "app/BuildInfo.h"
#include "app/Controller.h"
#include "app/LifecycleView.h"
#include "app/LoggingSetup.h"
#include "base/Log.h"
#include "base/StringHelpers.h"
#include "base/WindowText.h"
#include "platform/MainLoop.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"

#include <ctime>
#include <sys/stat.h>

namespace orvane {
namespace {

constexpr const char* kWelcomeTitle = ORVANE_TRANSLATE_NOOP("Orvane", "Welcome to Orvane");
constexpr const char* kWelcomeMessage = ORVANE_TRANSLATE_NOOP(
    "Orvane",
    "Orvane organizes your photos and files by copying them into folders organized by date."
    "\n\n"
    "Press OK to open Orvane's preferences and pick the organization of folders. You can also "
    "set up rules for which files and folders to copy or skip. You'll be able to change these "
    "settings in the future by selecting \"Preferences\" from the Orvane menu."
    "\n\n"
    "Please consider making a donation to Orvane if you use and rely on it regularly.");

constexpr const char* kTrackingTitle = ORVANE_TRANSLATE_NOOP("Orvane", "Tracking Mode On");
constexpr const char* kTrackingMessage = ORVANE_TRANSLATE_NOOP(
    "Orvane",
    "Tracking mode creates a detailed log file, Orvane.log, in the Desktop folder of your home "
    "folder. If you have problems with Orvane, please send this file to support@orvane.org."
    "\n\n"
    "You will need to quit and restart Orvane for tracking mode to take effect."
    "\n\n"
    "To cancel tracking mode, select this menu option again.");

// Follows symbolic links, as a remembered folder may be reached through one.
bool isExistingFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

Lifecycle::Lifecycle(UserDefaults& defaults, Controller& controller)
    : defaults_(defaults), controller_(controller) {}

void Lifecycle::applicationWillFinishLaunching() {
    version_ = build::kVersion;

    setUpLogging(defaults_, version_.c_str());
    debugMenuItemState_ = defaults_.integerForKey(keys::kDebug) == 1;
    if (lifecycleView_)
        lifecycleView_->setDebugMenuItemState(debugMenuItemState_);

    // statusLock lives in status_ from the controller's creation, before any run can start.

    // Read before the defaults are registered: only stored values count.
    firstRun_ = defaults_.integerForKey(keys::kPreviousRuns) == 0 ||
                defaults_.integerForKey(keys::kFirstRunTime) == 0;
    registerDefaults(defaults_);

    if (lifecycleView_)
        lifecycleView_->setInfoVersion("Version " + version_);
}

void Lifecycle::applicationDidFinishLaunching() {
    if (std::optional<std::string> note = controller_.cleanUpInterruptedRuns();
        note && controller_.services().alerts)
        controller_.services().alerts->runAlert("Orvane", *note, "OK");
    if (!firstRun_) {
        finishLaunchAfterFirstRun();
        return;
    }
    defaults_.setInteger(keys::kFirstRunTime, static_cast<long>(time(nullptr)));
    defaults_.synchronize();
    finishLaunchAfterFirstRun();
    if (controller_.services().alerts)
        controller_.services().alerts->runAlert(kWelcomeTitle, kWelcomeMessage, "OK");
    if (showPreferences_)
        showPreferences_();
}

void Lifecycle::finishLaunchAfterFirstRun() {
    defaults_.setInteger(keys::kPreviousRuns, defaults_.integerForKey(keys::kPreviousRuns) + 1);
    defaults_.synchronize();

    if (auto target = defaults_.stringForKey(keys::kLastTarget);
        target && isExistingFolder(*target))
        controller_.setToPath(*target);
    // Sources that came with open-file requests win over the remembered one.
    if (controller_.fromPaths().empty())
        if (auto source = defaults_.stringForKey(keys::kLastSource);
            source && isExistingFolder(*source))
            controller_.setFromPaths({*source});

    if (!firstRun_ && updateReminder_)
        updateReminder_();
    firstRun_ = false;
}

bool Lifecycle::openFile(const std::string& path) {
    logMessage(LOG_DEBUG, "Application registering request for source path: '%s'",
               safeCString(path).c_str());
    if (nsopenedFiles_) {
        nsopenedFiles_->push_back(path);
        return true;
    }
    // Requests that arrive before the event loop's next pass become one source list.
    nsopenedFiles_ = PathList{path};
    if (mainLoop_)
        mainLoop_->performLater([this] { processPaths(); });
    else
        processPaths();
    return true;
}

void Lifecycle::processPaths() {
    if (!nsopenedFiles_)
        return;
    PathList paths = std::move(*nsopenedFiles_);
    nsopenedFiles_.reset();
    StringList shown;
    for (const std::string& path : paths)
        shown.push_back(safeCString(path));
    logMessage(LOG_DEBUG, "Application processing source path requests: '%s'",
               describePrefValue(shown).c_str());
    controller_.setFromPaths(std::move(paths));
}

Lifecycle::TerminateReply Lifecycle::applicationShouldTerminate() {
    if (controller_.mergeState() == kMergeIdle)
        return kTerminateNow;
    if (controller_.services().beeper)
        controller_.services().beeper->beep();
    return kTerminateCancel;
}

void Lifecycle::trackingMode() {
    // Logging keeps its start-up settings: the change takes effect at the next start.
    // The store writes only when asked, so the choice is written at once or it would be lost.
    if (debugMenuItemState_) {
        defaults_.setInteger(keys::kDebug, 0);
        defaults_.synchronize();
        debugMenuItemState_ = false;
        if (lifecycleView_)
            lifecycleView_->setDebugMenuItemState(false);
        return;
    }
    defaults_.setInteger(keys::kDebug, 1);
    defaults_.synchronize();
    debugMenuItemState_ = true;
    if (lifecycleView_)
        lifecycleView_->setDebugMenuItemState(true);
    if (controller_.services().alerts)
        controller_.services().alerts->runAlert(kTrackingTitle, kTrackingMessage, "OK");
}

} // namespace orvane
