#pragma once

#include "app/PlanChoice.h"
#include "merge/RunPlan.h"
#include "platform/FreeSpace.h"
#include "platform/Services.h"

#include <memory>
#include <optional>
#include <thread>

namespace orvane {

class Controller;
class PreviewView;

// The preview of a run: builds the plan of the chosen sources and destination (the same
// plan as the command line's dry run) on a worker thread while the view shows its progress,
// shows it, and starts a run of exactly that plan's sources and preferences on request.
// Main thread only, but for the worker, which shares only the plan and its progress.
class PreviewController {
  public:
    explicit PreviewController(Controller& controller, FreeSpaceProbe freeSpace = freeBytesAt);
    ~PreviewController(); // stops a plan being made and waits for its worker
    PreviewController(const PreviewController&) = delete;
    PreviewController& operator=(const PreviewController&) = delete;

    void setView(PreviewView* view) { view_ = view; }

    // The preview command: starts a plan, or aborts the one being made.
    void previewClicked();
    bool planning() const { return worker_.joinable(); }
    // The poll of the plan being made; the status timer calls it.
    void planningTick();
    // The shown plan's "Organize": a run of its sources into its destination with its rules,
    // of the entries chosen in it.
    void organizeFromPlan();
    // The preview's "Camera clock": how far the camera's clock was off ("[+|-]H:MM[:SS]",
    // empty for not at all). Makes the shown plan again with capture dates moved by it, for
    // that plan and its run only. False, changing nothing, for text that is no such shift.
    bool setCameraClock(const std::string& text);

    std::shared_ptr<const RunPlan> plan() const { return shown_; }
    std::shared_ptr<PlanChoice> choice() const { return choice_; }

  private:
    void startPlanning(PathList sources, std::string toPath,
                       std::shared_ptr<const UserDefaults> rules);
    void finishPlanning();

    Controller& controller_;
    FreeSpaceProbe freeSpace_;
    PreviewView* view_ = nullptr;
    std::shared_ptr<RunPlan> making_;
    std::shared_ptr<const RunPlan> shown_;
    std::shared_ptr<PlanChoice> choice_;
    PlanProgress progress_;
    std::atomic<bool> finished_{false};
    std::optional<TimerService::TimerId> timer_;
    std::thread worker_;
};

} // namespace orvane
