#include "cli/Organize.h"

#include "app/BuildInfo.h"
#include "app/Controller.h"
#include "app/LoggingSetup.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "cli/ConsoleProgress.h"
#include "cli/DryRun.h"
#include "cli/OrganizeOptions.h"
#include "cli/ReportPrinter.h"
#include "cli/Signals.h"
#include "platform/ManualTimerService.h"
#include "platform/PartialCopies.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "report/ReportController.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace orvane::cli {
namespace {

// After a second stop signal: the entry under way is abandoned and its temporary removed.
// The report cannot be printed while the worker may still be writing it.
[[noreturn]] void stopAtOnce() {
    const size_t removed = partial_copies::discardAll();
    std::fprintf(stderr, "orvane: stopped at once%s; no report\n",
                 removed ? ", the unfinished copy was removed" : "");
    _exit(stop_signals::exitStatus(stop_signals::first()));
}

void announceStop(int signal) {
    if (signal == SIGINT)
        std::fprintf(stderr, "\norvane: interrupted; finishing the current entry "
                             "(press Ctrl-C again to stop at once)\n");
    else
        std::fprintf(stderr,
                     "\norvane: %s; finishing the current entry (a second signal stops "
                     "at once)\n",
                     strsignal(signal));
}

class StderrAlerts : public AlertService {
  public:
    int runAlert(const std::string& title, const std::string& message, const std::string&,
                 const std::string&, const std::string&) override {
        std::fprintf(stderr, "orvane: %s: %s\n", title.c_str(), message.c_str());
        alertShown = true;
        return 0;
    }
    bool alertShown = false;
};

// Builds the file list and shows where each entry would go; creates and copies nothing.
int runDryRun(Controller& controller, const OrganizeOptions& options, AlertService& alerts) {
    std::optional<RunPlan> plan = listRunPlan(controller.fromPaths(), options.destination,
                                              snapshotRules(controller.defaults()), &alerts);
    if (!plan)
        return 2; // a pattern did not compile: its alert is on standard error
    planRunEntries(*plan, nullptr, nullptr);
    if (options.json)
        printPlanJson(stdout, *plan);
    else
        printPlanText(stdout, *plan);
    std::fflush(stdout);
    return plan->totals.failures == 0 && countUnreadable(plan->listed) == 0 ? 0 : 1;
}

// With the registered defaults the copy-file rule admits only files matching an empty
// list, that is none: say why nothing was copied and how to change it.
void explainEmptyCopyRule(const UserDefaults& defaults, const RunResult& result) {
    const bool onlyMatching = defaults.stringForKey(keys::kMatchingMode) == kOnlyMatching;
    const auto patterns = defaults.stringArrayForKey(keys::kCopyFilePatterns);
    if (!onlyMatching || (patterns && !patterns->empty()) || !result.resCopiedFiles.empty())
        return;
    for (const auto& [path, reason] : result.resSkippedDict)
        if (reason == skip::kPatternPreference) {
            std::fprintf(stderr,
                         "orvane: no file was copied: the copy-file rule admits \"only files that "
                         "match:\" an empty list of patterns. Use --exclude PATTERN (copy all "
                         "files except those) or --include PATTERN, or change the rule in "
                         "Preferences.\n");
            return;
        }
}

} // namespace

int runOrganize(int argc, char** argv) {
    OrganizeOptions options;
    if (int status = parseOrganizeOptions(argc, argv, options); status >= 0)
        return status;

    setLogStream(stderr);
    UserDefaults& defaults = UserDefaults::standard();
    setUpLogging(defaults, build::kVersion);
    registerDefaults(defaults);
    applyOrganizeOptions(options, defaults);

    struct stat destination;
    if (::stat(options.destination.c_str(), &destination) != 0 || !S_ISDIR(destination.st_mode)) {
        std::fprintf(stderr, "orvane: the destination '%s' is not an existing folder\n",
                     displayPath(options.destination).c_str());
        return 2;
    }

    StderrAlerts alerts;
    ManualTimerService timers;
    ConsoleProgress progress(isatty(STDERR_FILENO) && !options.quiet);
    ReportController report(defaults);
    PlatformServices services;
    services.alerts = &alerts;
    services.timers = &timers;
    Controller controller(defaults, report, services);
    controller.setRemembersPaths(false);
    controller.setMainView(&progress);
    controller.setFromPaths(options.sources);
    controller.setToPath(options.destination);

    if (options.dryRun)
        return runDryRun(controller, options, alerts);

    stop_signals::install();

    controller.goClicked();
    if (alerts.alertShown && !timers.hasTimers())
        return 2; // the run did not start: a pattern did not compile

    // The status ticks run here, as the window's timer would run them; they come often so
    // that the end of a short run is seen at once.
    bool cancelRequested = false;
    while (timers.hasTimers()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (stop_signals::count() > 0 && !cancelRequested) {
            cancelRequested = true;
            announceStop(stop_signals::first());
            controller.goClicked();
        }
        if (stop_signals::count() > 1)
            stopAtOnce();
        if (auto list = controller.runFileList()) {
            const int done = controller.filesDone();
            if (done >= 1 && static_cast<size_t>(done) <= list->size())
                progress.setCurrentPath((*list)[static_cast<size_t>(done) - 1]);
        }
        timers.fireAll();
    }
    progress.finish();

    const RunResult& result = report.result();
    if (options.json)
        printReportJson(stdout, result, report.cancelled());
    else
        printReportText(stdout, result, report.cancelled());
    explainEmptyCopyRule(defaults, result);
    if (report.cancelled())
        return stop_signals::exitStatus(stop_signals::first());
    return result.resErrorFiles.empty() && countUnreadable(result) == 0 ? 0 : 1;
}

} // namespace orvane::cli
