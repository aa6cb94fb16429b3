#pragma once

#include "base/RunResult.h"

#include <functional>
#include <optional>
#include <string>

namespace orvane {

class Controller;
class LifecycleView;
class MainLoop;
class UserDefaults;

// Start-up, open-file requests, quitting and tracking mode, all on the main thread. Sets
// the selection through the controller and asks it whether a run is in progress.
class Lifecycle {
  public:
    enum TerminateReply { kTerminateCancel = 0, kTerminateNow = 1 };

    Lifecycle(UserDefaults& defaults, Controller& controller);
    Lifecycle(const Lifecycle&) = delete;
    Lifecycle& operator=(const Lifecycle&) = delete;

    void setLifecycleView(LifecycleView* view) { lifecycleView_ = view; }
    // Runs queued work on the next pass of the event loop; without one it runs at once.
    void setMainLoop(MainLoop* loop) { mainLoop_ = loop; }
    // Opens the preferences window (the preferences controller's showPreferences).
    void setShowPreferences(std::function<void()> show) { showPreferences_ = std::move(show); }
    // The update reminder, run at every start but the first.
    void setUpdateReminder(std::function<void()> remind) { updateReminder_ = std::move(remind); }

    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    void finishLaunchAfterFirstRun();
    bool openFile(const std::string& path);
    void processPaths();
    TerminateReply applicationShouldTerminate();
    bool firstRun() const { return firstRun_; }
    void trackingMode();
    bool debugMenuItemState() const { return debugMenuItemState_; }
    const std::string& version() const { return version_; }

  private:
    UserDefaults& defaults_;
    Controller& controller_;
    bool firstRun_ = false;
    bool debugMenuItemState_ = false;
    std::string version_;
    std::optional<PathList> nsopenedFiles_;
    LifecycleView* lifecycleView_ = nullptr;
    MainLoop* mainLoop_ = nullptr;
    std::function<void()> showPreferences_;
    std::function<void()> updateReminder_;
};

} // namespace orvane
