#pragma once

#include "app/Controller.h"
#include "platform/ManualTimerService.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "report/ReportController.h"
#include "support/Fakes.h"
#include "support/TestSupport.h"

#include <mutex>

namespace orvane::test {

// A controller over a private store, fake services and timers that fire only when told:
// the common ground of the run-control, choosing and window tests.
struct ControllerRig {
    ControllerRig()
        : defaults(tmp / "prefs.json"), report(defaults),
          controller(defaults, report, fakes.with(&timers)) {
        registerDefaults(defaults);
    }

    void setMergeState(int state) {
        std::lock_guard lock(controller.status().statusLock);
        controller.status().mergeState = state;
    }

    TempDir tmp;
    UserDefaults defaults;
    FakeServices fakes;
    ManualTimerService timers;
    ReportController report;
    Controller controller;
};

} // namespace orvane::test
