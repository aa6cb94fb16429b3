#pragma once

#include "merge/MergeEngine.h"
#include "merge/RunResult.h"
#include "merge/RunStatus.h"
#include "platform/Services.h"
#include "selection/DropWell.h"

#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace orvane {

class MainView;
class ReportController;
class UserDefaults;

// The application controller: owns the selection, the run state and the run of the
// merge worker. GUI-free: it reaches the window through MainView and the system through
// the platform services.
class Controller : public DropWellDelegate {
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
    const std::string& toPath() const { return toPath_; }
    void setToPath(std::string path);
    // The sources as text: "" for none, one source's name (or whole path with the prefix),
    // "%lu files" for several.
    std::string fromPathDescriptionIncludingPrefix(bool includingPrefix) const;

    // The window's choose commands and the actions of its wells; refused with a beep
    // (commands) or silently (drops) during a run.
    void pickFrom();
    void pickTo();
    void fromSpecified(DropWell& well);
    void toSpecified(DropWell& well);
    bool well(DropWell& well, const PathList& paths) override;

    // Run control.
    void goClicked();
    void launchMergeThread(std::shared_ptr<const PathList> fileList, std::string toPath);
    void statusISR();
    int mergeState();
    int filesDone();
    void resetProgressMeter();
    bool runInProgress() { return mergeState() != kMergeIdle; }

    // The file list of a run, or none when a pattern list did not compile (its alert shown).
    std::optional<PathList> fileList();

    // The command line neither remembers paths nor adds recent documents.
    void setRemembersPaths(bool remembers) { remembersPaths_ = remembers; }
    // Test access to the merge of the current run, set before it starts.
    void setMergeHooks(MergeHooks hooks) { mergeHooks_ = std::move(hooks); }
    // Waits for the worker of the current run, if any, to end.
    void joinWorker();

    // The file list of the current or last run.
    std::shared_ptr<const PathList> runFileList() const { return runFileList_; }

    RunStatus& status() { return status_; }
    ReportController& reportController() { return reportController_; }
    UserDefaults& defaults() { return defaults_; }
    const PlatformServices& services() const { return services_; }

  private:
    void rememberPaths();

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
    MergeHooks mergeHooks_;
    bool remembersPaths_ = true;
};

} // namespace orvane
