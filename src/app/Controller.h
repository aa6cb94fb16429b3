#pragma once

#include "app/DropWell.h"
#include "base/RunResult.h"
#include "base/RunStatus.h"
#include "merge/MergeEngine.h"
#include "platform/DirectoryWalker.h"
#include "platform/Services.h"
#include "report/ReportController.h"
#include "report/RunProgress.h"
#include "selection/PatternRules.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>

namespace orvane {

class MainView;
class ImportRecorder;
class RunJournal;
class UserDefaults;

// The application controller: owns the selection, the run state and the run of the
// merge worker. GUI-free: it reaches the window through MainView and the system through
// the platform services.
class Controller : public DropWellDelegate, public ReportSelection {
  public:
    Controller(UserDefaults& defaults, ReportController& reportController,
               PlatformServices services);
    ~Controller() override;
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;

    void setMainView(MainView* view) { mainView_ = view; }

    // Selection. The setters also show the selection in the window's fields and wells.
    const PathList& fromPaths() const { return fromPaths_; }
    void setFromPaths(PathList paths);
    const std::string& toPath() const override { return toPath_; }
    void setToPath(std::string path);
    // The sources as text: "" for none, one source's name (or whole path with the prefix),
    // "%lu files" for several.
    std::string fromPathDescriptionIncludingPrefix(bool includingPrefix) const override;

    // The window's choose commands and the actions of its wells; refused with a beep
    // (commands) or silently (drops) during a run.
    void pickFrom();
    void pickTo();
    void fromSpecified(DropWell& well);
    void toSpecified(DropWell& well);
    bool well(DropWell& well, const PathList& paths) override;

    // Run control.
    void goClicked();
    // The "Job" field's code, for {job} in the runs started from the window.
    void setJobCode(const std::string& code);
    // Whether runs remove the originals of what they copied and read back (a preference).
    void setMoveOriginals(bool on);
    // Starts a run of `sources` into `toPath` as the organise button does, with the
    // preferences of `rules` in place of the store's (a preview's plan), skipping the entries
    // of `unchosen` as "Not chosen in the preview" and copying those of `again` although the
    // import history knows them. Beeps during a run.
    void organizeWith(PathList sources, std::string toPath,
                      std::shared_ptr<const UserDefaults> rules, PathList unchosen = {},
                      PathList again = {});
    // `rules` null: the store's preferences. `statuses`: what the listing read of each entry.
    void launchMergeThread(std::shared_ptr<const PathList> fileList, std::string toPath,
                           std::shared_ptr<const UserDefaults> rules = nullptr,
                           std::shared_ptr<const ListedStatuses> statuses = nullptr);
    // How many entries a run into `toPath` copies at once under these preferences.
    unsigned copyJobs(const UserDefaults& rules, const std::string& toPath) const;
    void statusISR();
    int mergeState();
    int filesDone();
    void resetProgressMeter();
    bool runInProgress() { return mergeState() != kMergeIdle; }

    // The file list of a run, or none when a pattern list did not compile (its alert shown).
    // `statuses`, when given, gets what the listing read of each entry.
    std::optional<PathList> fileList(ListedStatuses* statuses = nullptr);

    // The command line neither remembers paths nor adds recent documents.
    void setRemembersPaths(bool remembers) { remembersPaths_ = remembers; }
    // Starts runs without the warning that the copies may not fit (--ignore-space).
    void setIgnoresLowSpace(bool ignores) { ignoresLowSpace_ = ignores; }
    // Whether a run that removes its originals asks first (the command line's option is
    // the user's answer already).
    void setAsksBeforeMoving(bool asks) { asksBeforeMoving_ = asks; }
    // The run's timing comes from this clock (seconds of a steady clock by default).
    void setClock(std::function<double()> clock) { clock_ = std::move(clock); }
    // A run that ends after this many seconds while the window is not active is announced
    // with a desktop notification.
    static constexpr double kNotifyAfterSeconds = 10.0;
    // Test access to the merge of the current run, set before it starts.
    void setMergeHooks(MergeHooks hooks) { mergeHooks_ = std::move(hooks); }
    // Waits for the worker of the current run, if any, to end.
    void joinWorker();

    // The folder where runs keep their journals; empty (the default): runs keep none.
    void setRunJournalFolder(std::string folder) { runJournalFolder_ = std::move(folder); }
    const std::string& runJournalFolder() const { return runJournalFolder_; }
    // The import history's database; empty (the default): runs neither consult nor keep one.
    void setImportHistoryFile(std::string file) { importHistoryFile_ = std::move(file); }
    const std::string& importHistoryFile() const { return importHistoryFile_; }
    // Cleans up after runs that were killed; answers what to tell the user, if anything.
    std::optional<std::string> cleanUpInterruptedRuns();

    // Shows a stored pattern that did not compile when a run was to start, in the preferences.
    void setPatternFixer(PatternFixer fixer) { patternFixer_ = std::move(fixer); }
    // Told the run state on the main thread when a run starts and after the tick that ends it.
    void setMergeStateObserver(std::function<void(int)> observer) {
        mergeStateObserver_ = std::move(observer);
    }

    // The file list of the current or last run.
    std::shared_ptr<const PathList> runFileList() const { return runFileList_; }

    RunStatus& status() { return status_; }
    ReportController& reportController() { return reportController_; }
    UserDefaults& defaults() { return defaults_; }
    const PlatformServices& services() const { return services_; }
    // The first reason a run of the selection could not start (a source gone, a destination
    // that can't take copies, a folder format that leaves it), or none; the preview says it
    // as Organize would.
    std::optional<std::string> runProblem();
    void showRunProblem(const std::string& problem);

  private:
    // The checks before a run (ControllerChecks.cpp): the sources and the destination, with
    // an alert naming the first problem; then the room for the file list, a warning that the
    // user may override. Each answers whether the run may go on.
    bool sourcesAndDestinationReady();
    // Asks for a job code when a template needs one and the field is empty; false when the
    // user declined.
    bool jobCodeReady();
    bool spaceConfirmed(const PathList& fileList, const ListedStatuses* statuses = nullptr);
    // Every backup of the run can take copies, or the user chose to run without those that
    // can't (this run's rules then leave them out).
    bool backupsReady();
    // Asks before a run that removes its originals, naming how many and where from.
    bool moveConfirmed(const PathList& fileList);
    // The choose panel, refused with a beep during a run.
    std::optional<PathList> runChoosePanel(OpenPanelOptions options, const char* folderKey);
    void rememberPaths();
    void notifyMergeState(int state);
    // The progress line of the current run, with the rate estimate fed by this tick.
    ProgressStatus progressStatus(long done);
    // Off while a run goes on; the button also needs both sides chosen.
    void showRunning(bool running);
    void announceEnd(const ProgressStatus& last);

    UserDefaults& defaults_;
    ReportController& reportController_;
    PlatformServices services_;
    MainView* mainView_ = nullptr;

    PathList fromPaths_;
    std::string toPath_;

    RunStatus status_;
    std::optional<TimerService::TimerId> statusTimer_;
    std::shared_ptr<const PathList> runFileList_;
    std::thread worker_;
    // The preferences of the run being started by organizeWith.
    std::shared_ptr<const UserDefaults> runRules_;
    bool ownRunRules_ = false; // runRules_ made by backupsReady for the run starting
    // The entries of its file list the user left out in the preview: skipped, not copied.
    std::unordered_set<std::string> runUnchosen_;
    std::unordered_set<std::string> runAgain_; // imported before, chosen again
    MergeHooks mergeHooks_;
    bool remembersPaths_ = true;
    bool ignoresLowSpace_ = false;
    bool asksBeforeMoving_ = true;
    std::string runJournalFolder_;
    // The journal of the current run; the worker writes it, the tick that ends the run drops it.
    std::unique_ptr<RunJournal> journal_;
    std::string importHistoryFile_;
    // The import history's part in the current run, dropped with the journal.
    std::unique_ptr<ImportRecorder> imports_;
    std::function<double()> clock_;
    RateEstimator rate_;

    PatternFixer patternFixer_;
    std::function<void(int)> mergeStateObserver_;
};

} // namespace orvane
