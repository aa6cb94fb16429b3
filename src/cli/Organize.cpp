#include "cli/Organize.h"

#include "app/BuildInfo.h"
#include "app/Controller.h"
#include "app/LoggingSetup.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "cameras/CameraSources.h"
#include "cli/ConsoleProgress.h"
#include "cli/DryRun.h"
#include "cli/OrganizeOptions.h"
#include "cli/ReportPrinter.h"
#include "cli/Signals.h"
#include "history/ImportHistory.h"
#include "history/ImportRecorder.h"
#include "merge/RunChecks.h"
#include "merge/RunDestinations.h"
#include "platform/CopyJobs.h"
#include "platform/ManualTimerService.h"
#include "platform/PartialCopies.h"
#include "platform/UserDefaults.h"
#include "platform/gphoto/GPhotoCameras.h"
#include "prefs/DateFolderCheck.h"
#include "prefs/DateRendering.h"
#include "prefs/Defaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "report/ReportController.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
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
    else if (signal == SIGTERM)
        std::fprintf(stderr,
                     "\norvane: %s; finishing the current entry unless much of it is left (a "
                     "second signal stops at once)\n",
                     strsignal(signal));
    else
        std::fprintf(stderr,
                     "\norvane: %s; finishing the current entry (a second signal stops "
                     "at once)\n",
                     strsignal(signal));
}

class StderrAlerts : public AlertService {
  public:
    int runAlert(const std::string& title, const std::string& message, const std::string&,
                 const std::string& alternateButton, const std::string&) override {
        std::fprintf(stderr, "orvane: %s: %s\n", title.c_str(), message.c_str());
        if (alternateButton == kOrganizeAnywayButton && title == kNotEnoughSpaceTitle)
            std::fprintf(stderr, "orvane: --ignore-space starts the run anyway\n");
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
    std::unique_ptr<ImportRecorder> prior = ImportRecorder::forPlan(
        controller.importHistoryFile(), options.destination, *plan->rules, plan->listed.notes);
    if (prior)
        prior->prepare(plan->fileList);
    planRunEntries(*plan, nullptr, nullptr, prior.get());
    if (options.json)
        printPlanJson(stdout, *plan);
    else
        printPlanText(stdout, *plan);
    std::fflush(stdout);
    return plan->totals.failures == 0 && plan->listed.resErrorFiles.empty() &&
                   countUnreadable(plan->listed) == 0
               ? 0
               : 1;
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

// A missing DEST (or video destination) whose parent folder exists is created, as `cp -r`
// users expect, once every source is known to be there (a run stopped by the checks creates
// nothing). A dry run creates nothing and says what a run would do. Anything else wrong with
// the folder is left to the run's own checks. Answers -1 to go on, or the exit status.
int prepareFolder(const OrganizeOptions& options, const std::string& destination,
                  const char* what) {
    struct stat st;
    if (::stat(destination.c_str(), &st) == 0 || errno != ENOENT)
        return -1;
    const std::string parent = deletingLastPathComponent(destination);
    if (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        if (!options.dryRun)
            return -1;
        std::fprintf(stderr, "orvane: the %s '%s' does not exist, nor its parent folder\n", what,
                     displayPath(destination).c_str());
        return 2;
    }
    if (options.dryRun) {
        std::fprintf(stderr, "orvane: the %s '%s' does not exist yet; a run would create it\n",
                     what, displayPath(destination).c_str());
        return -1;
    }
    if (checkSources(options.sources))
        return -1;
    if (::mkdir(destination.c_str(), 0777) != 0) {
        std::fprintf(stderr, "orvane: couldn't create the %s folder '%s': %s\n", what,
                     displayPath(destination).c_str(), std::strerror(errno));
        return 2;
    }
    std::fprintf(stderr, "orvane: created the %s folder '%s'\n", what,
                 displayPath(destination).c_str());
    return -1;
}

int prepareDestination(const OrganizeOptions& options) {
    if (int status = prepareFolder(options, options.destination, "destination"); status >= 0)
        return status;
    if (options.videoDestination.empty())
        return -1;
    return prepareFolder(options, options.videoDestination, "video destination");
}

// --camera MODEL names the model of the device on --port PORT, or without it the connected
// device of that model. Answers -1 to go on, or the exit status.
int chooseCamera(OrganizeOptions& options, CameraService& service, CameraSources& cameras) {
    if (options.cameraModel.empty())
        return -1;
    if (options.cameraPort.empty()) {
        std::vector<CameraDevice> devices;
        if (ErrorText error = service.detect(devices)) {
            std::fprintf(stderr, "orvane organize: %s\n", error->c_str());
            return 2;
        }
        auto found = std::find_if(devices.begin(), devices.end(), [&](const CameraDevice& d) {
            return d.model == options.cameraModel;
        });
        if (found == devices.end()) {
            std::fprintf(stderr,
                         "orvane organize: no camera '%s' is connected (orvane cameras lists "
                         "those that are)\n",
                         options.cameraModel.c_str());
            return 2;
        }
        options.cameraPort = found->port;
        options.sources.push_back(CameraSources::sourceFor(found->port));
    }
    cameras.chooseModel(options.cameraPort, options.cameraModel);
    return -1;
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
    // Videos go apart by --video-dest or by the preferences.
    const bool videosApart = !runDestinationsOf(defaults, options.destination).videos.empty();
    if (options.videoFormat && !videosApart) {
        std::fprintf(stderr, "orvane organize: --video-format needs --video-dest (or a folder for "
                             "videos in Preferences)\n");
        return 2;
    }
    for (const std::optional<std::string>& format :
         {dirFormat(defaults),
          videosApart ? videoFolderFormat(defaults) : std::optional<std::string>()})
        if (format && !folderFormatStaysInside(*format, DateLocale())) {
            std::fprintf(stderr, "orvane organize: %s: '%s'\n", kFolderFormatLeavesDestination,
                         format->c_str());
            return 2;
        }

    // Cameras and phones are reached only when a source names one.
    GPhotoCameras cameraService;
    CameraSources cameras(cameraService);
    const RemoteSourcesScope cameraScope(cameras);
    if (int status = chooseCamera(options, cameraService, cameras); status >= 0)
        return status;

    // Before DEST is created: a backup that is no folder of its own refuses the run.
    if (const RunProblem problem =
            checkBackupPlaces(defaults, options.destination, options.sources)) {
        std::fprintf(stderr, "orvane organize: %s\n", problem->c_str());
        return 2;
    }
    if (int status = prepareDestination(options); status >= 0)
        return status;

    StderrAlerts alerts;
    ManualTimerService timers;
    ConsoleProgress progress(isatty(STDERR_FILENO) && !options.quiet);
    ReportController report(defaults);
    PlatformServices services;
    services.alerts = &alerts;
    services.timers = &timers;
    services.automaticCopyJobs = [](const std::string& folder) {
        return automaticCopyJobs(folder);
    };
    Controller controller(defaults, report, services);
    controller.setRemembersPaths(false);
    controller.setIgnoresLowSpace(options.ignoreSpace);
    controller.setAsksBeforeMoving(false);
    controller.setMainView(&progress);
    controller.setFromPaths(options.sources);
    controller.setToPath(options.destination);

    if (!options.noHistory)
        controller.setImportHistoryFile(ImportHistory::defaultFile());
    if (options.dryRun)
        return runDryRun(controller, options, alerts);
    controller.setRunJournalFolder(UserDefaults::runJournalDirectory().string());

    stop_signals::install();

    controller.goClicked();
    if (alerts.alertShown && !timers.hasTimers())
        return 2; // the run did not start: a check failed or a pattern did not compile

    // The status ticks run here, as the window's timer would run them, every 5 ms or as soon
    // as the worker is done with the run.
    bool cancelRequested = false;
    RunStatus& status = controller.status();
    bool endSeen = false; // after one tick for it, the ticks go back to every 5 ms
    std::chrono::steady_clock::time_point termGraceEnds;
    while (timers.hasTimers()) {
        {
            std::unique_lock lock(status.endLock);
            status.workerEnded.wait_for(lock, std::chrono::milliseconds(5),
                                        [&] { return status.workerDone && !endSeen; });
            endSeen = status.workerDone;
        }
        if (stop_signals::count() > 0 && !cancelRequested) {
            cancelRequested = true;
            announceStop(stop_signals::first());
            // Whoever sends SIGTERM wants the process gone soon (a shutdown gives it seconds),
            // not the run rounded off: a long copy is abandoned, to be made again next run.
            if (stop_signals::first() == SIGTERM) {
                std::lock_guard lock(controller.status().statusLock);
                controller.status().abandonLargeCopies = true;
                termGraceEnds = std::chrono::steady_clock::now() +
                                std::chrono::seconds(stop_signals::kTermGraceSeconds);
            }
            controller.goClicked();
        }
        // A run that cannot round off in time (its worker held up by a device or a reader
        // that does not answer) is stopped at once rather than waited for.
        if (stop_signals::count() > 1 || (cancelRequested && stop_signals::first() == SIGTERM &&
                                          std::chrono::steady_clock::now() >= termGraceEnds))
            stopAtOnce();
        timers.fireAll();
    }
    progress.finish();

    const RunResult& result = report.result();
    if (options.json)
        printReportJson(stdout, result, report.cancelled());
    else
        printReportText(stdout, result, report.cancelled());
    explainEmptyCopyRule(defaults, result);
    // A stop signal gives its status also when it came too late to stop anything: while the
    // last entry was copied, or after the run had ended.
    if (report.cancelled() || stop_signals::first() != 0)
        return stop_signals::exitStatus(stop_signals::first());
    return result.resErrorFiles.empty() && countUnreadable(result) == 0 ? 0 : 1;
}

} // namespace orvane::cli
