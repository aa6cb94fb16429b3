#include "app/BuildInfo.h"
#include "app/Controller.h"
#include "app/Lifecycle.h"
#include "app/LifecycleView.h"
#include "base/Log.h"
#include "platform/MainLoop.h"
#include "platform/ManualTimerService.h"
#include "platform/UserDefaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "report/ReportController.h"
#include "support/EntryGate.h"
#include "support/TestSupport.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace orvane {
namespace {

using namespace std::chrono_literals;

// Everything the fakes see, in order, so tests can check what happened and when.
struct Events {
    std::vector<std::string> list;
    void add(std::string event) { list.push_back(std::move(event)); }
};

class FakeAlerts : public AlertService {
  public:
    explicit FakeAlerts(Events& events) : events_(events) {}
    int runAlert(const std::string& title, const std::string& message, const std::string&,
                 const std::string&, const std::string&) override {
        events_.add("alert:" + title);
        messages.push_back(message);
        return 0;
    }
    std::vector<std::string> messages;

  private:
    Events& events_;
};

class CountingBeeper : public Beeper {
  public:
    void beep() override { ++beeps; }
    int beeps = 0;
};

class FakeView : public LifecycleView {
  public:
    void setInfoVersion(const std::string& text) override { infoVersion = text; }
    void setDebugMenuItemState(bool on) override { menuStates.push_back(on); }
    std::string infoVersion;
    std::vector<bool> menuStates;
};

class FakeMainLoop : public MainLoop {
  public:
    void performLater(std::function<void()> task) override { tasks.push_back(std::move(task)); }
    // One pass of the event loop: runs what was queued before it began.
    void runPass() {
        std::deque<std::function<void()>> pass;
        pass.swap(tasks);
        for (auto& task : pass)
            task();
    }
    std::deque<std::function<void()>> tasks;
};

class LifecycleTest : public ::testing::Test {
  protected:
    LifecycleTest() : defaults_(std::make_unique<UserDefaults>(prefsFile())) { makeController(); }
    ~LifecycleTest() override { resetLoggingForTesting(); }

    std::string prefsFile() const { return dir_ / "prefs/preferences.json"; }

    // A fresh start of the program over the same preference file.
    void restart() {
        lifecycle_.reset();
        controller_.reset();
        report_.reset();
        defaults_ = std::make_unique<UserDefaults>(prefsFile());
        events_.list.clear();
        makeController();
    }

    void makeController() {
        report_ = std::make_unique<ReportController>(*defaults_);
        PlatformServices services;
        services.alerts = &alerts_;
        services.beeper = &beeper_;
        services.timers = &timers_;
        controller_ = std::make_unique<Controller>(*defaults_, *report_, services);
        lifecycle_ = std::make_unique<Lifecycle>(*defaults_, *controller_);
        lifecycle_->setLifecycleView(&view_);
        lifecycle_->setMainLoop(&loop_);
        lifecycle_->setShowPreferences([this] { events_.add("preferences"); });
        lifecycle_->setUpdateReminder([this] { events_.add("reminder"); });
    }

    void launch() {
        lifecycle_->applicationWillFinishLaunching();
        lifecycle_->applicationDidFinishLaunching();
    }

    test::TempDir dir_;
    Events events_;
    FakeAlerts alerts_{events_};
    CountingBeeper beeper_;
    FakeView view_;
    FakeMainLoop loop_;
    ManualTimerService timers_;
    std::unique_ptr<UserDefaults> defaults_;
    std::unique_ptr<ReportController> report_;
    std::unique_ptr<Controller> controller_;
    std::unique_ptr<Lifecycle> lifecycle_;
};

TEST_F(LifecycleTest, FirstStartWelcomesThenOpensPreferencesAndLaterStartsRemind) {
    const time_t before = time(nullptr);
    lifecycle_->applicationWillFinishLaunching();
    EXPECT_TRUE(lifecycle_->firstRun());
    lifecycle_->applicationDidFinishLaunching();
    const time_t after = time(nullptr);

    EXPECT_EQ(events_.list, (std::vector<std::string>{"alert:Welcome to Orvane", "preferences"}));
    ASSERT_EQ(alerts_.messages.size(), 1u);
    EXPECT_EQ(alerts_.messages[0],
              "Orvane organizes your photos and files by copying them into folders organized by "
              "date.\n\nPress OK to open Orvane's preferences and pick the organization of "
              "folders. You can also set up rules for which files and folders to copy or skip. "
              "You'll be able to change these settings in the future by selecting "
              "\"Preferences\" from the Orvane menu.\n\nPlease consider making a donation to "
              "Orvane if you use and rely on it regularly.");
    EXPECT_FALSE(lifecycle_->firstRun());
    EXPECT_EQ(view_.infoVersion, std::string("Version ") + build::kVersion);

    // Both values reached the disk.
    UserDefaults reread(prefsFile());
    EXPECT_EQ(reread.integerForKey(keys::kPreviousRuns), 1);
    EXPECT_GE(reread.integerForKey(keys::kFirstRunTime), before);
    EXPECT_LE(reread.integerForKey(keys::kFirstRunTime), after);

    restart();
    lifecycle_->applicationWillFinishLaunching();
    EXPECT_FALSE(lifecycle_->firstRun());
    lifecycle_->applicationDidFinishLaunching();
    EXPECT_EQ(events_.list, (std::vector<std::string>{"reminder"}));
    EXPECT_EQ(UserDefaults(prefsFile()).integerForKey(keys::kPreviousRuns), 2);
}

TEST_F(LifecycleTest, CountedStartsWithoutFirstRunTimeAreAFirstRunAgain) {
    defaults_->setInteger(keys::kPreviousRuns, 5);
    defaults_->synchronize();
    restart();
    launch();
    EXPECT_EQ(events_.list, (std::vector<std::string>{"alert:Welcome to Orvane", "preferences"}));
    EXPECT_EQ(defaults_->integerForKey(keys::kPreviousRuns), 6);
    EXPECT_GT(defaults_->integerForKey(keys::kFirstRunTime), 0);

    // A first-run time without a counted start is a first run too.
    defaults_->removeObjectForKey(keys::kPreviousRuns);
    defaults_->synchronize();
    restart();
    launch();
    EXPECT_EQ(events_.list, (std::vector<std::string>{"alert:Welcome to Orvane", "preferences"}));
    EXPECT_EQ(defaults_->integerForKey(keys::kPreviousRuns), 1);
}

TEST_F(LifecycleTest, RestoresOnlyRememberedFoldersThatStillExist) {
    test::writeFile(dir_ / "photos/a.jpg", "a");
    test::writeFile(dir_ / "single.jpg", "s");
    std::filesystem::create_directories(dir_ / "gone");
    std::filesystem::create_directories(dir_ / "dest");
    std::filesystem::create_directory_symlink(dir_ / "dest", dir_ / "dest-link");

    defaults_->setInteger(keys::kPreviousRuns, 3);
    defaults_->setInteger(keys::kFirstRunTime, 1000000000);
    defaults_->setObject(keys::kLastTarget, dir_ / "gone");
    defaults_->setObject(keys::kLastSource, dir_ / "single.jpg");
    defaults_->synchronize();
    std::filesystem::remove(dir_ / "gone");
    restart();
    launch();
    EXPECT_EQ(controller_->toPath(), "");
    EXPECT_TRUE(controller_->fromPaths().empty());

    // A destination where a file now stands is not a folder either.
    test::writeFile(dir_ / "gone", "now a file");
    restart();
    launch();
    EXPECT_EQ(controller_->toPath(), "");

    defaults_->setObject(keys::kLastTarget, dir_ / "dest-link");
    defaults_->setObject(keys::kLastSource, dir_ / "photos");
    defaults_->synchronize();
    restart();
    launch();
    EXPECT_EQ(controller_->toPath(), dir_ / "dest-link");
    EXPECT_EQ(controller_->fromPaths(), (PathList{dir_ / "photos"}));

    // Files the program was opened with replace the remembered source.
    restart();
    lifecycle_->applicationWillFinishLaunching();
    lifecycle_->openFile(dir_ / "single.jpg");
    lifecycle_->applicationDidFinishLaunching();
    EXPECT_EQ(controller_->fromPaths(), (PathList{dir_ / "photos"}));
    loop_.runPass();
    EXPECT_EQ(controller_->fromPaths(), (PathList{dir_ / "single.jpg"}));
}

TEST_F(LifecycleTest, RequestsArrivingTogetherBecomeOneSourceListInOrder) {
    test::LogCapture log;
    controller_->setFromPaths({"/earlier/choice"});
    EXPECT_TRUE(lifecycle_->openFile("/photos/b.jpg"));
    EXPECT_TRUE(lifecycle_->openFile("/photos/a.jpg"));
    EXPECT_TRUE(lifecycle_->openFile("/photos/bad\xff.jpg"));
    EXPECT_EQ(loop_.tasks.size(), 1u);
    EXPECT_EQ(controller_->fromPaths(), (PathList{"/earlier/choice"}));

    loop_.runPass();
    EXPECT_EQ(controller_->fromPaths(),
              (PathList{"/photos/b.jpg", "/photos/a.jpg", "/photos/bad\xff.jpg"}));
    const std::string text = log.text();
    auto count = [&](const std::string& fragment) {
        size_t n = 0;
        for (size_t at = text.find(fragment); at != std::string::npos;
             at = text.find(fragment, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count(" DEBUG: Application registering request for source path: '"), 3u);
    EXPECT_TRUE(log.contains("source path: '/photos/bad\\xFF.jpg'") ||
                log.contains("source path: '/photos/bad\\xff.jpg'"));
    EXPECT_EQ(count(" DEBUG: Application processing source path requests: '"), 1u);
    EXPECT_LT(text.find("a.jpg'\n"), text.find("processing"));

    // The queue was emptied: a later request starts a new list.
    lifecycle_->openFile("/photos/c.jpg");
    EXPECT_EQ(loop_.tasks.size(), 1u);
    loop_.runPass();
    EXPECT_EQ(controller_->fromPaths(), (PathList{"/photos/c.jpg"}));
}

TEST_F(LifecycleTest, TrackingModeTogglesThePreferenceOnlyUntilTheNextStart) {
    test::TempDir home;
    const std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
    setenv("HOME", home.path().c_str(), 1);
    std::filesystem::create_directories(home / "Desktop");
    lifecycle_->applicationWillFinishLaunching();
    ASSERT_EQ(view_.menuStates, (std::vector<bool>{false}));
    const int threshold = logThreshold();

    lifecycle_->trackingMode();
    lifecycle_->trackingMode();
    EXPECT_EQ(view_.menuStates, (std::vector<bool>{false, true, false}));
    EXPECT_EQ(events_.list, (std::vector<std::string>{"alert:Tracking Mode On"}));
    ASSERT_EQ(alerts_.messages.size(), 1u);
    const std::string& message = alerts_.messages[0];
    EXPECT_NE(message.find("Orvane.log"), std::string::npos);
    EXPECT_NE(message.find("\n\nYou will need to quit and restart Orvane for tracking mode to "
                           "take effect.\n\nTo cancel tracking mode, select this menu option "
                           "again."),
              std::string::npos);
    EXPECT_EQ(logThreshold(), threshold);
    EXPECT_FALSE(trackingEnabled());
    EXPECT_EQ(UserDefaults(prefsFile()).integerForKey(keys::kDebug), 0);

    // Switched on, it takes effect at the next start: the start-up lines and the dump.
    lifecycle_->trackingMode();
    EXPECT_EQ(UserDefaults(prefsFile()).integerForKey(keys::kDebug), 1);
    restart();
    {
        test::LogCapture log;
        lifecycle_->applicationWillFinishLaunching();
        EXPECT_TRUE(trackingEnabled());
        EXPECT_EQ(view_.menuStates.back(), true);
        EXPECT_TRUE(log.contains(std::string(" NOTICE: Orvane starting. Version: ") +
                                 build::kVersion + "\n"));
        EXPECT_TRUE(log.contains(" DEBUG: Preferences dictionary follows\n{\n"));
        EXPECT_TRUE(log.contains("    debug = 1;\n"));
    }
    resetLoggingForTesting();
    EXPECT_NE(test::readFile(home / "Desktop/Orvane.log").find("Orvane starting"),
              std::string::npos);
    setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(LifecycleTest, StartUpLinesOnlyInTrackingMode) {
    test::LogCapture log;
    defaults_->setInteger(keys::kDebug, 2);
    lifecycle_->applicationWillFinishLaunching();
    EXPECT_EQ(logThreshold(), LOG_DEVEL);
    EXPECT_FALSE(log.contains("Orvane starting"));
    EXPECT_FALSE(log.contains("Preferences dictionary follows"));
    EXPECT_EQ(view_.menuStates, (std::vector<bool>{false}));
}

// Holds the worker inside its first entry until released.

TEST_F(LifecycleTest, QuitIsRefusedWithABeepInEveryStateOfARun) {
    launch();
    test::writeFile(dir_ / "src/one.txt", "1", test::localTime(2005, 3, 17));
    test::writeFile(dir_ / "src/two.txt", "2", test::localTime(2005, 3, 18));
    std::filesystem::create_directories(dir_ / "out");
    std::vector<int> observed;
    controller_->setMergeStateObserver([&](int state) { observed.push_back(state); });

    EXPECT_EQ(lifecycle_->applicationShouldTerminate(), Lifecycle::kTerminateNow);
    EXPECT_EQ(beeper_.beeps, 0);

    defaults_->setObject(keys::kMatchingMode, std::string(kAllExceptMatching));
    test::EntryGate gate;
    controller_->setMergeHooks(gate.hooks());
    controller_->setFromPaths({dir_ / "src/one.txt", dir_ / "src/two.txt"});
    controller_->setToPath(dir_ / "out");
    controller_->goClicked();
    ASSERT_TRUE(gate.waitUntilReached());
    EXPECT_EQ(observed, (std::vector<int>{kMergeRunning}));
    EXPECT_EQ(lifecycle_->applicationShouldTerminate(), Lifecycle::kTerminateCancel);
    EXPECT_EQ(lifecycle_->applicationShouldTerminate(), Lifecycle::kTerminateCancel);
    EXPECT_EQ(beeper_.beeps, 2);

    controller_->goClicked(); // Abort
    EXPECT_EQ(controller_->mergeState(), kMergeCancelRequested);
    EXPECT_EQ(lifecycle_->applicationShouldTerminate(), Lifecycle::kTerminateCancel);
    gate.open();
    // The worker records the second entry as aborted and ends.
    for (int i = 0; i < 10000 && controller_->mergeState() != kMergeCancelled; ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(controller_->mergeState(), kMergeCancelled);
    EXPECT_EQ(lifecycle_->applicationShouldTerminate(), Lifecycle::kTerminateCancel);
    EXPECT_EQ(beeper_.beeps, 4);
    EXPECT_EQ(observed, (std::vector<int>{kMergeRunning}));

    timers_.fireAll(); // the tick that sees the end
    EXPECT_EQ(observed, (std::vector<int>{kMergeRunning, kMergeIdle}));
    EXPECT_EQ(lifecycle_->applicationShouldTerminate(), Lifecycle::kTerminateNow);
    EXPECT_EQ(beeper_.beeps, 4);
}

} // namespace
} // namespace orvane
