#include "app/PreviewController.h"

#include "app/Controller.h"
#include "app/PreviewView.h"
#include "base/Log.h"
#include "base/TimeSettings.h"
#include "base/WindowText.h"
#include "history/ImportRecorder.h"
#include "platform/UserDefaults.h"
#include "prefs/DatingPrefs.h"
#include "prefs/PrefKeys.h"

#include <filesystem>

namespace orvane {

namespace {
constexpr double kPlanningInterval = 0.1;
}

PreviewController::PreviewController(Controller& controller, FreeSpaceProbe freeSpace)
    : controller_(controller), freeSpace_(std::move(freeSpace)) {}

PreviewController::~PreviewController() {
    progress_.cancel = true;
    if (worker_.joinable())
        worker_.join();
    if (timer_ && controller_.services().timers)
        controller_.services().timers->stop(*timer_);
}

void PreviewController::previewClicked() {
    const PlatformServices& services = controller_.services();
    if (planning()) {
        progress_.cancel = true;
        return;
    }
    if (controller_.runInProgress()) {
        if (services.beeper)
            services.beeper->beep();
        return;
    }
    if (controller_.fromPaths().empty() || controller_.toPath().empty()) {
        if (services.alerts)
            services.alerts->runAlert(
                "Orvane",
                ORVANE_TRANSLATE_NOOP(
                    "Orvane",
                    "You must specify files or folders to copy from and a folder to copy to."),
                "OK");
        return;
    }

    // What would stop Organize is said once, before any planning, as Organize says it.
    if (const std::optional<std::string> problem = controller_.runProblem()) {
        controller_.showRunProblem(*problem);
        return;
    }
    startPlanning(controller_.fromPaths(), controller_.toPath(),
                  snapshotRules(controller_.defaults()));
}

bool PreviewController::setCameraClock(const std::string& text) {
    const std::optional<long> shift = text.empty() ? 0L : parseClockShift(text);
    if (!shift)
        return false;
    if (!shown_ || planning() || timeSettingsOf(*shown_->rules).shift == *shift)
        return true;
    if (controller_.runInProgress()) {
        if (controller_.services().beeper)
            controller_.services().beeper->beep();
        return true;
    }
    auto rules = std::make_shared<UserDefaults>(std::filesystem::path());
    rules->registerDefaults(shown_->rules->dictionaryRepresentation());
    rules->setArgumentValue(keys::kClockShift, *shift != 0 ? clockShiftText(*shift) : "");
    startPlanning(shown_->sources, shown_->toPath, std::move(rules));
    return true;
}

void PreviewController::startPlanning(PathList sources, std::string toPath,
                                      std::shared_ptr<const UserDefaults> rules) {
    const PlatformServices& services = controller_.services();
    std::optional<RunPlan> listed =
        listRunPlan(std::move(sources), std::move(toPath), std::move(rules), services.alerts);
    if (!listed)
        return; // a pattern list did not compile: its alert has been shown
    making_ = std::make_shared<RunPlan>(std::move(*listed));
    logMessage(LOG_DEBUG, "Planning %zu entries for the preview", making_->fileList.size());
    progress_.done = 0;
    progress_.cancel = false;
    finished_ = false;
    if (view_) {
        view_->setPlanning(true);
        view_->setPlanningProgress(0, making_->fileList.size());
    }
    // The history is opened here, read on the planning thread only.
    std::shared_ptr<ImportRecorder> prior =
        ImportRecorder::forPlan(controller_.importHistoryFile(), controller_.toPath(),
                                *making_->rules, making_->listed.notes);
    worker_ = std::thread([this, plan = making_, prior] {
        if (prior)
            prior->prepare(plan->fileList);
        planRunEntries(*plan, &progress_, freeSpace_, prior.get());
        finished_ = true;
    });
    if (services.timers)
        timer_ = services.timers->startRepeating(kPlanningInterval, [this] { planningTick(); });
}

void PreviewController::planningTick() {
    if (!planning())
        return;
    if (finished_) {
        finishPlanning();
        return;
    }
    if (view_)
        view_->setPlanningProgress(progress_.done, making_->fileList.size());
}

void PreviewController::finishPlanning() {
    worker_.join();
    if (timer_ && controller_.services().timers)
        controller_.services().timers->stop(*timer_);
    timer_.reset();
    std::shared_ptr<RunPlan> plan = std::move(making_);
    if (view_)
        view_->setPlanning(false);
    if (plan->cancelled) {
        logMessage(LOG_DEBUG, "Preview aborted");
        return;
    }
    shown_ = plan;
    choice_ = std::make_shared<PlanChoice>(shown_);
    if (view_)
        view_->showPlan(shown_, choice_);
}

void PreviewController::organizeFromPlan() {
    if (!shown_ || planning())
        return;
    if (controller_.runInProgress()) {
        if (controller_.services().beeper)
            controller_.services().beeper->beep();
        return;
    }
    const std::shared_ptr<const RunPlan> plan = shown_;
    PathList unchosen = choice_ ? choice_->unchosenSources() : PathList();
    PathList again = choice_ ? choice_->chosenAgainSources() : PathList();
    if (view_)
        view_->closePlan();
    controller_.organizeWith(plan->sources, plan->toPath, plan->rules, std::move(unchosen),
                             std::move(again));
}

} // namespace orvane
