#include "report/ReportController.h"

#include "base/Paths.h"
#include "base/StringHelpers.h"
#include "platform/UserDefaults.h"
#include "prefs/PrefKeys.h"

#include <cstdio>

namespace orvane {

namespace {

struct TableData {
    const PathList& files;
    const PathDict& dict;
};

TableData tableData(const RunResult& result, ReportTable table) {
    switch (table) {
    case ReportTable::Copied:
        return {result.resCopiedFiles, result.resCopiedDict};
    case ReportTable::Skipped:
        return {result.resSkippedFiles, result.resSkippedDict};
    case ReportTable::Errors:
        break;
    }
    return {result.resErrorFiles, result.resErrorDict};
}

std::vector<std::string> keysOf(const PathDict& dict, bool lastComponents) {
    std::vector<std::string> keys;
    keys.reserve(dict.size());
    for (const auto& [key, value] : dict)
        keys.push_back(lastComponents ? lastPathComponent(key) : key);
    return keys;
}

std::vector<std::string> valuesOf(const PathDict& dict) {
    std::vector<std::string> values;
    values.reserve(dict.size());
    for (const auto& [key, value] : dict)
        values.push_back(value);
    return values;
}

} // namespace

std::string ReportController::propagandaText(long runs) {
    char text[160];
    std::snprintf(text, sizeof text, "You have run Orvane %ld time%s.\nPlease consider donating.",
                  runs, runs == 1 ? "" : "s");
    return text;
}

bool ReportController::hidesPaths() const {
    return defaults_.boolForKey(keys::kHidePathsInReport);
}

void ReportController::showReport() {
    // The run has ended (its last tick observed that under the status lock): its result
    // is complete and becomes the one the window reads.
    shown_ = result_;
    if (!view_)
        return;
    const RunResult& shown = *shown_;
    view_->selectFirstTab();
    view_->setPropaganda(propagandaText(defaults_.integerForKey(keys::kPreviousRuns)));
    view_->setCountFields(std::to_string(shown.resCopiedFiles.size()),
                          std::to_string(shown.resSkippedFiles.size()),
                          std::to_string(shown.resErrorFiles.size()));
    view_->setHideFolderPaths(hidesPaths());
    hideFolderPathControlOperated();
    view_->setTabLabel(1, "Copied (" + std::to_string(shown.resCopiedFiles.size()) + ")");
    view_->setTabLabel(2, "Skipped (" + std::to_string(shown.resSkippedFiles.size()) + ")");
    view_->setTabLabel(3, "Errors (" + std::to_string(shown.resErrorFiles.size()) + ")");
    view_->setErrorCountRed(!shown.resErrorFiles.empty());
    view_->bringToFront();
}

void ReportController::hideFolderPathControlOperated() {
    if (!view_)
        return;
    const bool hide = view_->hideFolderPaths();
    defaults_.setBool(keys::kHidePathsInReport, hide);

    const std::string toPath = mainController_ ? mainController_->toPath() : std::string();
    view_->setSourceField(mainController_
                              ? mainController_->fromPathDescriptionIncludingPrefix(!hide)
                              : std::string());
    view_->setDestField(hide && !toPath.empty() ? lastPathComponent(toPath) : toPath);
    view_->reloadTables();

    const RunResult& shown = *shown_;
    updateWidthForStrings(valuesOf(shown.resErrorDict),
                          view_->column(ReportTable::Errors, kValueColumn), false);
    updateWidthForStrings(keysOf(shown.resErrorDict, hide),
                          view_->column(ReportTable::Errors, kKeyColumn), true);
    updateWidthForStrings(keysOf(shown.resSkippedDict, hide),
                          view_->column(ReportTable::Skipped, kKeyColumn), true);
    updateWidthForStrings(keysOf(shown.resCopiedDict, hide),
                          view_->column(ReportTable::Copied, kKeyColumn), true);
    defaults_.synchronize();
}

long ReportController::numberOfRowsInTableView(ReportTable table) const {
    return static_cast<long>(tableData(*shown_, table).files.size());
}

std::string ReportController::tableView(ReportTable table, const std::string& columnIdentifier,
                                        long row) const {
    const TableData data = tableData(*shown_, table);
    if (row < 0 || static_cast<size_t>(row) >= data.files.size())
        return "";
    const std::string& path = data.files[static_cast<size_t>(row)];
    if (columnIdentifier == kKeyColumn)
        return hidesPaths() ? lastPathComponent(path) : path;
    auto entry = data.dict.find(path);
    return entry == data.dict.end() ? "" : entry->second;
}

void ReportController::updateWidthForStrings(const std::vector<std::string>& strings,
                                             ReportColumn* column, bool force) {
    if (!column)
        return;
    float widest = 0;
    for (const std::string& text : strings)
        if (float width = column->textWidth(text); width > widest)
            widest = width;
    if (!strings.empty() && widest >= 1.0f) {
        const float width = std::max(widest, column->headerWidth()) + 8.0f;
        column->setWidth(width);
        column->setMinWidth(width);
        if (force)
            column->setMaxWidth(width);
    }
    column->sizeTableToFit();
}

} // namespace orvane
