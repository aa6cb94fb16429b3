// The application controller's run control: starting a run, the merge worker and the
// status tick that follows it.
#include "app/Controller.h"
#include "app/MainView.h"
#include "base/Log.h"
#include "base/WindowText.h"
#include "dates/PairedFiles.h"
#include "history/ImportRecorder.h"
#include "history/RunHistory.h"
#include "history/RunJournal.h"
#include "history/RunRecorders.h"
#include "merge/RunDestinations.h"
#include "platform/UserDefaults.h"
#include "prefs/NamingSettings.h"
#include "prefs/PrefKeys.h"
#include "report/ReportController.h"
#include "selection/FileListBuilder.h"

#include <algorithm>
#include <filesystem>
#include <memory>

namespace orvane {

namespace {
constexpr double kStatusInterval = 0.2;
}

int Controller::mergeState() {
    std::lock_guard lock(status_.statusLock);
    return status_.mergeState;
}

int Controller::filesDone() {
    std::lock_guard lock(status_.statusLock);
    return status_.filesDone;
}

void Controller::resetProgressMeter() {
    if (mainView_)
        mainView_->setProgressValue(0);
}

ProgressStatus Controller::progressStatus(long done) {
    const long total = runFileList_ ? static_cast<long>(runFileList_->size()) : 0;
    done = std::clamp(done, 0L, total);
    ProgressStatus status =
        rate_.sample(done, total, clock_(), status_.bytesDone.load(std::memory_order_relaxed));
    if (done >= 1)
        status.currentPath = (*runFileList_)[static_cast<size_t>(done) - 1];
    return status;
}

void Controller::showRunning(bool running) {
    if (!mainView_)
        return;
    mainView_->setRunning(running);
    mainView_->setGoButtonEnabled(running || (!fromPaths_.empty() && !toPath_.empty()));
}

void Controller::announceEnd(const ProgressStatus& last) {
    // Someone who watched the run, or waited only a moment, needs no notification.
    if (last.elapsed <= kNotifyAfterSeconds || !services_.notifier ||
        (mainView_ && mainView_->isWindowActive()))
        return;
    const RunResult& result = reportController_.result();
    const std::string body =
        groupedCount(static_cast<long>(result.resCopiedFiles.size())) + " copied, " +
        groupedCount(static_cast<long>(result.resSkippedFiles.size())) + " skipped, " +
        groupedCount(static_cast<long>(result.resErrorFiles.size())) + " errors";
    const bool stopped = reportController_.cancelled();
    services_.notifier->notify(stopped ? ORVANE_TRANSLATE_NOOP("Orvane", "Orvane stopped")
                                       : ORVANE_TRANSLATE_NOOP("Orvane", "Orvane finished"),
                               body, [this] { reportController_.bringReportToFront(); });
}

void Controller::rememberPaths() {
    if (defaults_.boolForKey(keys::kRememberPaths)) {
        defaults_.setObject(keys::kLastTarget, toPath_);
        if (fromPaths_.size() == 1)
            defaults_.setObject(keys::kLastSource, fromPaths_.front());
        else
            defaults_.removeObjectForKey(keys::kLastSource);
    } else {
        defaults_.removeObjectForKey(keys::kLastTarget);
        defaults_.removeObjectForKey(keys::kLastSource);
    }
    defaults_.synchronize();
}

void Controller::goClicked() {
    {
        std::lock_guard lock(status_.statusLock);
        if (status_.mergeState == kMergeRunning) {
            status_.mergeState = kMergeCancelRequested;
            return;
        }
        // After Abort and before the tick that ends the run the worker still exists:
        // a second run must not start.
        if (status_.mergeState != kMergeIdle) {
            if (services_.beeper)
                services_.beeper->beep();
            return;
        }
    }

    if (fromPaths_.empty() || toPath_.empty()) {
        if (services_.alerts)
            services_.alerts->runAlert(
                "Orvane",
                ORVANE_TRANSLATE_NOOP(
                    "Orvane",
                    "You must specify files or folders to copy from and a folder to copy to."),
                "OK");
        return;
    }

    if (ownRunRules_) { // left from a run that did not start
        runRules_.reset();
        ownRunRules_ = false;
    }
    if (!sourcesAndDestinationReady() || !backupsReady() || !jobCodeReady())
        return;

    resetProgressMeter();
    if (remembersPaths_) {
        rememberPaths();
        if (fromPaths_.size() == 1 && services_.recents)
            services_.recents->noteNewRecentDocument(fromPaths_.front());
    }
    reportController_.initializeReport();
    if (std::optional<std::string> note = cleanUpInterruptedRuns())
        reportController_.result().notes.push_back(*note);

    // What the listing read of each entry goes along with it, so that the steps after it
    // need not read it again.
    auto statuses = std::make_shared<ListedStatuses>();
    std::optional<PathList> list = fileList(statuses.get());
    if (list && !runUnchosen_.empty()) {
        PathList chosen;
        ListedStatuses chosenStatuses;
        chosen.reserve(list->size());
        // A sidecar is not chosen without its photo: copied alone it would lose the date it
        // takes from it and land in another folder.
        const PairedFiles pairs(*list);
        auto leaderUnchosen = [&](const std::string& path) {
            return PairedFiles::isSidecar(path) && runUnchosen_.count(pairs.nameLeaderOf(path));
        };
        // The listing gives one status for each entry it lists.
        for (size_t at = 0; at < list->size(); ++at) {
            std::string& path = (*list)[at];
            if (runUnchosen_.count(path) || leaderUnchosen(path)) {
                reportController_.result().recordSkipped(path, skip::kNotChosen);
                continue;
            }
            chosen.push_back(std::move(path));
            chosenStatuses.push_back((*statuses)[at]);
        }
        *list = std::move(chosen);
        *statuses = std::move(chosenStatuses);
    }
    if (!list || !spaceConfirmed(*list, statuses.get()) || !moveConfirmed(*list))
        return;
    // The worker of the previous run has ended (the tick that saw its end came first).
    joinWorker();
    const UserDefaults& rules = runRules_ ? *runRules_ : std::as_const(defaults_);
    if (!runJournalFolder_.empty())
        journal_ = RunJournal::start(runJournalFolder_, fromPaths_, toPath_, rules,
                                     runDestinationsOf(rules, toPath_).others());
    imports_ = ImportRecorder::start(
        importHistoryFile_,
        {toPath_, runIdFor(journal_ ? journal_->path() : std::string()),
         rules.boolForKey(keys::kIgnoreImportHistory), rules.boolForKey(keys::kSkipCopiesAnywhere),
         runAgain_, runDestinationsOf(rules, toPath_).videos,
         rules.boolForKey(keys::kCompareWholeContents)},
        reportController_.result().notes);
    if (rememberJobCode(defaults_, rules.stringForKey(keys::kJobCode).value_or(std::string()))) {
        defaults_.synchronize();
        if (mainView_)
            mainView_->setRecentJobCodes(
                defaults_.stringArrayForKey(keys::kRecentJobCodes).value_or(StringList{}));
    }

    auto shared = std::make_shared<const PathList>(std::move(*list));
    std::unique_lock lock(status_.statusLock);
    status_.filesDone = 0;
    status_.bytesDone = 0;
    status_.abandonLargeCopies = false;
    {
        std::lock_guard ended(status_.endLock);
        status_.workerDone = false;
    }
    if (mainView_) {
        mainView_->setProgressMaximum(static_cast<double>(shared->size()) + 1);
        mainView_->setProgressValue(1);
        mainView_->setGoButton(ORVANE_TRANSLATE_NOOP("Orvane", "Abort"), "");
    }
    status_.mergeState = kMergeRunning;
    runFileList_ = shared;
    reportController_.setRunSize(static_cast<long>(shared->size()));
    rate_.start(clock_());
    if (mainView_)
        mainView_->setProgressStatus(progressStatus(0));
    if (!statusTimer_ && services_.timers) {
        logMessage(LOG_DEBUG, "Setting up timer");
        statusTimer_ = services_.timers->startRepeating(kStatusInterval, [this] { statusISR(); });
    }
    worker_ = std::thread([this, shared, root = toPath_, rules = runRules_, statuses] {
        launchMergeThread(shared, root, rules, statuses);
        {
            std::lock_guard done(status_.endLock);
            status_.workerDone = true;
        }
        status_.workerEnded.notify_all();
    });
    lock.unlock();
    showRunning(true);
    notifyMergeState(kMergeRunning);
}

void Controller::setJobCode(const std::string& code) {
    // For this process only: the field starts empty at each launch, its pop-up offers the
    // codes used before.
    defaults_.setArgumentValue(keys::kJobCode, code);
}

void Controller::setMoveOriginals(bool on) {
    defaults_.setBool(keys::kMoveOriginals, on);
    defaults_.synchronize();
}

bool Controller::jobCodeReady() {
    if (!mainView_ || !mainView_->hasJobField())
        return true;
    const UserDefaults& rules = runRules_ ? *runRules_ : std::as_const(defaults_);
    std::string error;
    const std::optional<NamingSettings> naming = namingSettings(rules, error);
    if (!naming || !naming->usesJob() || !naming->job.empty())
        return true;
    const std::optional<std::string> code = mainView_->askJobCode();
    if (!code || code->empty())
        return false;
    setJobCode(*code);
    mainView_->setJobField(*code);
    if (runRules_) {
        // The preview's rules are a copy: it gets the code too.
        auto withCode = std::make_shared<UserDefaults>(std::filesystem::path());
        withCode->registerDefaults(runRules_->dictionaryRepresentation());
        withCode->setArgumentValue(keys::kJobCode, *code);
        runRules_ = std::move(withCode);
    }
    return true;
}

void Controller::organizeWith(PathList sources, std::string toPath,
                              std::shared_ptr<const UserDefaults> rules, PathList unchosen,
                              PathList again) {
    if (runInProgress()) {
        if (services_.beeper)
            services_.beeper->beep();
        return;
    }
    setFromPaths(std::move(sources));
    setToPath(std::move(toPath));
    runRules_ = std::move(rules);
    ownRunRules_ = false;
    runUnchosen_ = std::unordered_set<std::string>(unchosen.begin(), unchosen.end());
    runAgain_ = std::unordered_set<std::string>(again.begin(), again.end());
    goClicked();
    runRules_.reset();
    ownRunRules_ = false;
    runUnchosen_.clear();
    runAgain_.clear();
}

void Controller::launchMergeThread(std::shared_ptr<const PathList> fileList, std::string toPath,
                                   std::shared_ptr<const UserDefaults> rules,
                                   std::shared_ptr<const ListedStatuses> statuses) {
    const UserDefaults& runDefaults = rules ? *rules : std::as_const(defaults_);
    MergeEngine engine(runDefaults, status_, reportController_.result());
    engine.setCopyJobs(copyJobs(runDefaults, toPath));
    engine.setHooks(mergeHooks_);
    RunRecorders recorders;
    recorders.add(journal_.get());
    recorders.add(imports_.get());
    engine.setObserver(recorders.observer());
    if (imports_) {
        imports_->prepare(*fileList);
        engine.setPriorImports(imports_.get());
        engine.setHashCopies(true);
    }
    engine.mergeFiles(*fileList, toPath, statuses.get());
}

unsigned Controller::copyJobs(const UserDefaults& rules, const std::string& toPath) const {
    constexpr long kMostCopyJobs = 16;
    const long preferred = rules.integerForKey(keys::kParallelCopies);
    unsigned jobs = 1;
    if (preferred > 0)
        jobs = static_cast<unsigned>(std::min(preferred, kMostCopyJobs));
    else if (services_.automaticCopyJobs)
        jobs = std::max(1u, services_.automaticCopyJobs(toPath));
    logMessage(LOG_DEBUG, "Copying up to %u entries at once", jobs);
    return jobs;
}

std::optional<std::string> Controller::cleanUpInterruptedRuns() {
    if (runJournalFolder_.empty())
        return std::nullopt;
    const InterruptedRuns interrupted = orvane::cleanUpInterruptedRuns(runJournalFolder_);
    if (interrupted.runs == 0)
        return std::nullopt;
    return interruptedRunsNote(interrupted);
}

std::optional<PathList> Controller::fileList(ListedStatuses* statuses) {
    return buildFileList(fromPaths_, toPath_, runRules_ ? *runRules_ : std::as_const(defaults_),
                         reportController_.result(), services_.alerts, {}, patternFixer_, statuses);
}

void Controller::notifyMergeState(int state) {
    if (mergeStateObserver_)
        mergeStateObserver_(state);
}

void Controller::statusISR() {
    std::unique_lock lock(status_.statusLock);
    const int target = runFileList_ ? static_cast<int>(runFileList_->size()) + 1 : 1;
    logMessage(LOG_DEBUG, "TimerISR: Mergestate=%d filesDone=%d target=%d", status_.mergeState,
               status_.filesDone, target);
    reportController_.setCancelled(status_.mergeState == kMergeCancelled);
    if (status_.filesDone == target || status_.mergeState == kMergeCancelled) {
        if (statusTimer_ && services_.timers)
            services_.timers->stop(*statusTimer_);
        statusTimer_.reset();
        const bool cancelled = status_.mergeState == kMergeCancelled;
        const ProgressStatus last = progressStatus(cancelled ? status_.filesDone : target - 1);
        status_.mergeState = kMergeIdle;
        // The worker has signalled its end and takes no more locks: joining is immediate.
        joinWorker();
        if (journal_ && !journal_->undoable())
            reportController_.result().notes.push_back(
                ORVANE_TRANSLATE_NOOP("Orvane", "This run can't be undone"));
        journal_.reset();
        imports_.reset();
        // The stored {seq} counter goes on past the numbers this run's copies took.
        if (const std::optional<uint64_t> next = reportController_.result().nextSequenceNumber) {
            defaults_.setInteger(keys::kNextSequenceNumber, static_cast<long>(*next));
            defaults_.synchronize();
        }
        lock.unlock();
        notifyMergeState(kMergeIdle);
        if (mainView_)
            mainView_->setProgressStatus(last);
        reportController_.showReport();
        resetProgressMeter();
        if (mainView_)
            mainView_->setGoButton(ORVANE_TRANSLATE_NOOP("Orvane", "Organize"), "\r");
        showRunning(false);
        announceEnd(last);
        if (services_.workspace)
            services_.workspace->noteFileSystemChanged();
        logMessage(LOG_DEBUG, "TimerISR: Merge has finished");
        return;
    }
    if (mainView_) {
        mainView_->setProgressValue(status_.filesDone);
        mainView_->setProgressStatus(progressStatus(status_.filesDone));
    }
}

} // namespace orvane
