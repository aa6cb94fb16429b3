#pragma once

#include "app/DropWell.h"
#include "app/MainView.h"
#include "platform/FileSystemProbe.h"
#include "platform/Services.h"
#include "report/ReportController.h"
#include "report/RunProgress.h"

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvane::test {

struct AlertCall {
    std::string title, message, defaultButton, alternateButton, otherButton;
};

class FakeAlerts : public AlertService {
  public:
    int runAlert(const std::string& title, const std::string& message,
                 const std::string& defaultButton, const std::string& alternateButton,
                 const std::string& otherButton) override {
        calls.push_back({title, message, defaultButton, alternateButton, otherButton});
        if (answers.empty())
            return answer;
        const int next = answers.front();
        answers.pop_front();
        return next;
    }
    std::vector<AlertCall> calls;
    int answer = 0;          // when no queued answer is left
    std::deque<int> answers; // button indexes, answered in order
};

// A destination file system that refuses writes or is full at will (root bypasses modes).
class FakeFileSystem : public FileSystemProbe {
  public:
    int writeProbe(const std::string&) override { return writeError; }
    std::optional<uint64_t> freeBytes(const std::string&) override { return free; }
    int writeError = 0;
    std::optional<uint64_t> free;
};

class FakeBeeper : public Beeper {
  public:
    void beep() override { ++beeps; }
    int beeps = 0;
};

class FakeRecents : public RecentDocuments {
  public:
    void noteNewRecentDocument(const std::string& path) override { paths.push_back(path); }
    std::vector<std::string> paths;
};

class FakeWorkspace : public Workspace {
  public:
    void noteFileSystemChanged() override { ++changes; }
    bool openURL(const std::string& url) override {
        urls.push_back(url);
        return true;
    }
    bool openPath(const std::string& path) override {
        openedPaths.push_back(path);
        return true;
    }
    bool showInFolder(const std::string& path) override {
        shownInFolder.push_back(path);
        return true;
    }
    int changes = 0;
    std::vector<std::string> urls, openedPaths, shownInFolder;
};

class FakeNotifier : public Notifier {
  public:
    void notify(const std::string& title, const std::string& body,
                std::function<void()> activated) override {
        shown.push_back({title, body});
        lastActivated = std::move(activated);
    }
    std::vector<std::pair<std::string, std::string>> shown;
    std::function<void()> lastActivated;
};

class FakeOpenPanel : public OpenPanelService {
  public:
    std::optional<std::vector<std::string>> runOpenPanel(const OpenPanelOptions& options) override {
        shown.push_back(options);
        return answer;
    }
    std::vector<OpenPanelOptions> shown;
    std::optional<std::vector<std::string>> answer;
};

class FakeWell : public DropWell {
  public:
    const std::vector<std::string>& filenames() const override { return names; }
    void setFilenames(const std::vector<std::string>& filenames) override {
        if (filenames == names)
            return;
        names = filenames;
        ++imageChanges;
    }
    std::vector<std::string> names;
    int imageChanges = 0;
};

// Records what the run control and the selection show.
class FakeMainView : public MainView {
  public:
    void setProgressMaximum(double maximum) override { maxima.push_back(maximum); }
    void setProgressValue(double value) override { values.push_back(value); }
    void setGoButton(const std::string& title, const std::string& keyEquivalent) override {
        buttonTitle = title;
        buttonKey = keyEquivalent;
    }
    void setFromField(const std::string& text) override { fromField = text; }
    void setToField(const std::string& text) override { toField = text; }
    DropWell* fromWell() override { return &from; }
    DropWell* toWell() override { return &to; }
    void setProgressStatus(const ProgressStatus& status) override { statuses.push_back(status); }
    void setRunning(bool on) override { running = on; }
    void setGoButtonEnabled(bool enabled) override { goEnabled = enabled; }
    bool isWindowActive() const override { return active; }
    bool hasJobField() const override { return true; }
    void setRecentJobCodes(const std::vector<std::string>& codes) override { recentJobs = codes; }
    void setJobField(const std::string& code) override { jobField = code; }
    std::optional<std::string> askJobCode() override {
        ++jobAsked;
        return jobAnswer;
    }

    std::vector<double> maxima;
    std::vector<double> values;
    std::string buttonTitle = "Organize";
    std::string buttonKey = "\r";
    std::string fromField, toField;
    FakeWell from, to;
    std::vector<ProgressStatus> statuses;
    bool running = false;
    bool goEnabled = false;
    bool active = true;
    std::vector<std::string> recentJobs;
    std::string jobField;
    std::optional<std::string> jobAnswer; // none: the question is declined
    int jobAsked = 0;
};

// The services a controller under test gets, all fakes but the timers, which the test
// passes in (a ManualTimerService fired by hand).
struct FakeServices {
    FakeAlerts alerts;
    FakeBeeper beeper;
    FakeRecents recents;
    FakeWorkspace workspace;
    FakeOpenPanel panels;
    FakeFileSystem fileSystem;
    FakeNotifier notifier;

    PlatformServices with(TimerService* timers) {
        PlatformServices services;
        services.alerts = &alerts;
        services.beeper = &beeper;
        services.recents = &recents;
        services.workspace = &workspace;
        services.timers = timers;
        services.panels = &panels;
        services.fileSystem = &fileSystem;
        services.notifier = &notifier;
        return services;
    }
};

class FakeColumn : public ReportColumn {
  public:
    // Each character is 6 units wide; the header as given.
    float textWidth(const std::string& text) const override {
        return 6.0f * static_cast<float>(text.size());
    }
    float headerWidth() const override { return header; }
    void setWidth(float w) override { width = w; }
    void setMinWidth(float w) override { minWidth = w; }
    void setMaxWidth(float w) override { maxWidth = w; }
    void sizeTableToFit() override { ++fits; }

    float header = 0;
    float width = 100, minWidth = 10, maxWidth = 1000;
    int fits = 0;
};

class FakeReportView : public ReportView {
  public:
    void selectFirstTab() override { selectedTab = 0; }
    void setPropaganda(const std::string& text) override { propaganda = text; }
    void setCountFields(const std::string& copied, const std::string& skipped,
                        const std::string& errors) override {
        counts = {copied, skipped, errors};
    }
    void setErrorCountRed(bool on) override { red = on; }
    void setOutcome(const std::string& text) override { outcome = text; }
    void setTabLabel(int index, const std::string& label) override { tabLabels[index] = label; }
    void setTabShown(int index, bool shown) override { tabShown[index] = shown; }
    bool hideFolderPaths() const override { return hide; }
    void setHideFolderPaths(bool on) override { hide = on; }
    void setSourceField(const std::string& text) override { source = text; }
    void setDestField(const std::string& text) override { dest = text; }
    void reloadTables() override { ++reloads; }
    ReportColumn* column(ReportTable table, const std::string& identifier) override {
        return &columns[{table, identifier}];
    }
    void bringToFront() override { ++shown; }

    int selectedTab = -1;
    std::string propaganda;
    std::vector<std::string> counts;
    bool red = false;
    std::string outcome;
    std::map<int, std::string> tabLabels;
    std::map<int, bool> tabShown;
    bool hide = false;
    std::string source, dest;
    int reloads = 0;
    int shown = 0;
    std::map<std::pair<ReportTable, std::string>, FakeColumn> columns;
};

} // namespace orvane::test
