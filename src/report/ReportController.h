#pragma once

#include "base/RunResult.h"

#include <memory>
#include <string>
#include <vector>

namespace orvane {

class UserDefaults;

// The three lists of the report.
enum class ReportTable { Copied = 0, Skipped = 1, Errors = 2 };

// The identifiers of a report table's two columns: the path and what happened to it.
inline constexpr const char* kKeyColumn = "key";
inline constexpr const char* kValueColumn = "value";

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

// What the report window shows; the Qt window implements it, tests use fakes.
class ReportView {
  public:
    virtual ~ReportView() = default;
    virtual void selectFirstTab() = 0;
    virtual void setPropaganda(const std::string& text) = 0;
    virtual void setCountFields(const std::string& copied, const std::string& skipped,
                                const std::string& errors) = 0;
    virtual void setErrorCountRed(bool red) = 0;
    virtual void setTabLabel(int index, const std::string& label) = 0;
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

    // Fills the window from the run result and brings it to the front.
    void showReport();
    // Applies and stores the state of the hide-folder-paths check box.
    void hideFolderPathControlOperated();

    // The tables' data: rows of the shown result, and the text of one cell ("" for a row
    // outside the list).
    long numberOfRowsInTableView(ReportTable table) const;
    std::string tableView(ReportTable table, const std::string& columnIdentifier, long row) const;

    // Fits a column to the widest of `strings` or its header, plus a margin; with `force`
    // the user cannot widen it either. An empty list leaves the widths alone.
    static void updateWidthForStrings(const std::vector<std::string>& strings, ReportColumn* column,
                                      bool force);

    // "You have run Orvane N time(s).\nPlease consider donating."
    static std::string propagandaText(long runs);

    UserDefaults& defaults() { return defaults_; }

  private:
    bool hidesPaths() const;

    UserDefaults& defaults_;
    std::shared_ptr<RunResult> result_ = std::make_shared<RunResult>();
    // The result the window shows: the last one shown, kept while the next run writes its own.
    std::shared_ptr<const RunResult> shown_ = std::make_shared<const RunResult>();
    bool cancelled_ = false;
    ReportView* view_ = nullptr;
    ReportSelection* mainController_ = nullptr;
};

} // namespace orvane
