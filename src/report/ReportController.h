#pragma once

#include "base/RunResult.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvane {

class UserDefaults;

// The lists of the report. The files the import history knew are skipped files shown apart.
enum class ReportTable { Copied = 0, Skipped = 1, Errors = 2, ImportedBefore = 3 };

// The identifiers of a report table's two columns: the path and what happened to it.
inline constexpr const char* kKeyColumn = "key";
inline constexpr const char* kValueColumn = "value";
// The copied table's third column: how each entry was dated, flagged when to check it.
inline constexpr const char* kDatedByColumn = "datedBy";

// A table column as the report fits it to its strings; widths in the window's units.
class ReportColumn {
  public:
    virtual ~ReportColumn() = default;
    // The width of a string drawn in the font of the column's cells.
    virtual float textWidth(const std::string& text) const = 0;
    // The width of the column's header text in the header's font.
    virtual float headerWidth() const = 0;
    virtual void setWidth(float width) = 0;
    virtual void setMinWidth(float width) = 0;
    virtual void setMaxWidth(float width) = 0;
    // Lets the column's table resize its columns to fit.
    virtual void sizeTableToFit() = 0;
};

// One row of a report table: the entry's full path, the path as the table shows it (its
// last component while folder paths are hidden) and what happened to it.
struct ReportRow {
    std::string path;
    std::string shownPath;
    std::string value;
    std::string datedBy; // copied entries: how the entry was dated
    // What Show in Folder, Open and Copy Path act on: the copy for a copied entry, else the
    // source.
    std::string itemPath;
};

// What the report window shows; the Qt window implements it, tests use fakes.
class ReportView {
  public:
    virtual ~ReportView() = default;
    virtual void selectFirstTab() = 0;
    virtual void setPropaganda(const std::string& text) = 0;
    virtual void setCountFields(const std::string& copied, const std::string& skipped,
                                const std::string& errors) = 0;
    virtual void setErrorCountRed(bool red) = 0;
    // How the run ended: "Finished" or "Stopped after 5,254 of 20,000".
    virtual void setOutcome(const std::string& text) {}
    virtual void setTabLabel(int index, const std::string& label) = 0;
    // Tabs of an empty list that is not always there are hidden.
    virtual void setTabShown(int index, bool shown) {}
    // The hide-folder-paths check box.
    virtual bool hideFolderPaths() const = 0;
    virtual void setHideFolderPaths(bool on) = 0;
    virtual void setSourceField(const std::string& text) = 0;
    virtual void setDestField(const std::string& text) = 0;
    // Asks the tables for their rows and cells afresh.
    virtual void reloadTables() = 0;
    virtual ReportColumn* column(ReportTable table, const std::string& identifier) = 0;
    // Makes the window the key window, in front.
    virtual void bringToFront() = 0;
    // The summary's sentence on why nothing was copied, with its button that opens the
    // copy-file rules; an empty text hides both.
    virtual void setCopyRulesNotice(const std::string& text) {}
    // What the user should know of the run beyond its entries ("" for nothing), one per line.
    virtual void setNotes(const std::string& text) {}
};

// What the summary shows of the run's selection; the application controller answers it.
class ReportSelection {
  public:
    virtual ~ReportSelection() = default;
    virtual const std::string& toPath() const = 0;
    // The sources as text, with or without the folder that holds them.
    virtual std::string fromPathDescriptionIncludingPrefix(bool includingPrefix) const = 0;
};

// Holds the run result and presents it. The window shows the result of the run that
// ended last: a run that starts while the window is open writes a new result, which the
// window reads only once that run has ended and been shown.
class ReportController {
  public:
    explicit ReportController(UserDefaults& defaults) : defaults_(defaults) {}

    // Replaces the run result by an empty one.
    void initializeReport() { result_ = std::make_shared<RunResult>(); }

    RunResult& result() { return *result_; }
    const RunResult& result() const { return *result_; }

    bool cancelled() const { return cancelled_; }
    void setCancelled(bool cancelled) { cancelled_ = cancelled; }

    void setView(ReportView* view) { view_ = view; }
    ReportView* view() const { return view_; }
    void setMainController(ReportSelection* controller) { mainController_ = controller; }
    ReportSelection* mainController() const { return mainController_; }

    // Fills the window from the run result and brings it to the front.
    void showReport();
    // Brings the window of the last report back to the front, as it is.
    void bringReportToFront();
    // Whether a report was shown since the application started: then it can be reopened.
    bool hasShownReport() const { return shownAny_; }
    // The number of entries of the file list of the run that writes the result.
    void setRunSize(long entries) { runSize_ = entries; }
    // "Finished", or for a run that was stopped "Stopped after N of TOTAL".
    std::string outcomeText() const;
    // Applies and stores the state of the hide-folder-paths check box.
    void hideFolderPathControlOperated();
    // The button beside the summary's copy-rules sentence: opens the preferences on the
    // File Copying Rules tab, through what the application gives here.
    void setShowCopyRules(std::function<void()> show) { showCopyRules_ = std::move(show); }
    void copyRulesButtonClicked();
    // The sentence for a run that copied nothing while the copy-file rules kept files out,
    // else "".
    static std::string copyRulesNotice(const RunResult& result);

    // The tables' data: rows of the shown result, and the text of one cell ("" for a row
    // outside the list).
    long numberOfRowsInTableView(ReportTable table) const;
    std::string tableView(ReportTable table, const std::string& columnIdentifier, long row) const;
    // All rows of a table at once, in the order they were recorded.
    std::vector<ReportRow> tableRows(ReportTable table) const;
    // How a copied entry was dated, as the "Dated by" column shows it.
    std::string datedByText(const std::string& path) const;

    // Fits a column to the widest of `strings` or its header, plus a margin; with `force`
    // the user cannot widen it either. An empty list leaves the widths alone.
    static void updateWidthForStrings(const std::vector<std::string>& strings, ReportColumn* column,
                                      bool force);

    // "You have run Orvane N time(s).\nPlease consider donating."
    static std::string propagandaText(long runs);

    UserDefaults& defaults() { return defaults_; }

  private:
    bool hidesPaths() const;
    struct TableData {
        const PathList& files;
        const PathDict& dict;
    };
    TableData tableData(ReportTable table) const;

    UserDefaults& defaults_;
    std::shared_ptr<RunResult> result_ = std::make_shared<RunResult>();
    // The result the window shows: the last one shown, kept while the next run writes its own.
    std::shared_ptr<const RunResult> shown_ = std::make_shared<const RunResult>();
    // The shown result's skipped paths, split into the import history's and the others.
    SkippedPaths shownSkipped_;
    bool cancelled_ = false;
    bool shownCancelled_ = false;
    bool shownAny_ = false;
    long runSize_ = 0;
    long shownRunSize_ = 0;
    ReportView* view_ = nullptr;
    ReportSelection* mainController_ = nullptr;
    std::function<void()> showCopyRules_;
};

} // namespace orvane
