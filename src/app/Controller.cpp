#include "app/Controller.h"

#include "app/UncaughtException.h"
#include "history/ImportRecorder.h"
#include "history/RunJournal.h"

#include <chrono>

namespace orvane {

Controller::Controller(UserDefaults& defaults, ReportController& reportController,
                       PlatformServices services)
    : defaults_(defaults), reportController_(reportController), services_(services), clock_([] {
          return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
              .count();
      }) {
    installUncaughtExceptionHandler();
}

Controller::~Controller() {
    // No worker outlives the controller: ask it to stop between entries, then wait.
    {
        std::lock_guard lock(status_.statusLock);
        if (status_.mergeState == kMergeRunning)
            status_.mergeState = kMergeCancelRequested;
    }
    joinWorker();
    if (statusTimer_ && services_.timers)
        services_.timers->stop(*statusTimer_);
}

void Controller::joinWorker() {
    if (worker_.joinable())
        worker_.join();
}

} // namespace orvane
