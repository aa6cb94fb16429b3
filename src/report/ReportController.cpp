#include "report/ReportController.h"

#include "base/Paths.h"
#include "base/StringHelpers.h"
#include "base/WindowText.h"
#include "merge/NameClash.h"
#include "platform/UserDefaults.h"
#include "prefs/PrefKeys.h"
#include "report/RunProgress.h"

#include <algorithm>
#include <cstdio>

namespace orvane {

namespace {

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

// A copy under a numbered name, or a file found already at the destination, shows where it
// is: the date folder and the name there.
std::string withOwnDestination(const RunResult& result, ReportTable table, const std::string& path,
                               const std::string& value) {
    auto destination = result.resDestinationDict.find(path);
    if (destination == result.resDestinationDict.end())
        return value;
    const std::string name = lastPathComponent(destination->second);
    if (table == ReportTable::Copied)
        return value + " (as " + name + ")";
    auto folder = result.resCopiedDict.find(path);
    if (table != ReportTable::Skipped || value != skip::kAlreadyInDestination ||
        folder == result.resCopiedDict.end())
        return value;
    return value + " (" + appendPathComponent(folder->second, name) + ")";
}

// And the copies the entry got below backups, after it.
std::string withDestination(const RunResult& result, ReportTable table, const std::string& path,
                            const std::string& value) {
    std::string shown = withOwnDestination(result, table, path, value);
    if (auto backups = result.resBackupDict.find(path); backups != result.resBackupDict.end())
        for (size_t at = 0; at < backups->second.size(); ++at)
            shown += (at == 0 ? "; also " : ", ") + backups->second[at];
    return shown;
}

// A name taken at the destination stops the copy only because keeping both is off: the row
// says how to get the copy.
std::string withKeepBothHint(ReportTable table, const std::string& source, const std::string& value,
                             bool keepsBoth) {
    if (table != ReportTable::Errors || keepsBoth ||
        value.rfind("Can't overwrite existing file", 0) != 0)
        return value;
    // The taken name ends the error; a name template may have made it differ from the source's.
    constexpr std::string_view kTaken = "Can't overwrite existing file: ";
    const std::string taken = value.rfind(kTaken, 0) == 0 ? value.substr(kTaken.size()) : "";
    return value + ". Turn on Keep both in Preferences to copy it as " +
           numberedName(lastPathComponent(taken.empty() ? source : taken), 1);
}

// The copy a copied entry became: its numbered name, else its date folder and own name.
std::string copyPathOf(const RunResult& result, const std::string& source) {
    if (auto named = result.resDestinationDict.find(source);
        named != result.resDestinationDict.end())
        return named->second;
    auto folder = result.resCopiedDict.find(source);
    const bool whole = folder != result.resCopiedDict.end() && folder->second.rfind('/', 0) == 0;
    if (folder == result.resCopiedDict.end() || (result.destination.empty() && !whole))
        return source;
    const std::string path =
        whole ? folder->second : appendPathComponent(result.destination, folder->second);
    return appendPathComponent(path, lastPathComponent(source));
}

} // namespace

ReportController::TableData ReportController::tableData(ReportTable table) const {
    const RunResult& result = *shown_;
    switch (table) {
    case ReportTable::Copied:
        return {result.resCopiedFiles, result.resCopiedDict};
    case ReportTable::Skipped:
        return {shownSkipped_.others, result.resSkippedDict};
    case ReportTable::ImportedBefore:
        return {shownSkipped_.importedBefore, result.resSkippedDict};
    case ReportTable::Errors:
        break;
    }
    return {result.resErrorFiles, result.resErrorDict};
}

std::string ReportController::propagandaText(long runs) {
    return fillValues(runs == 1 ? ORVANE_TRANSLATE_NOOP("Orvane", "You have run Orvane %1 time.\n"
                                                                  "Please consider donating.")
                                : ORVANE_TRANSLATE_NOOP("Orvane", "You have run Orvane %1 times.\n"
                                                                  "Please consider donating."),
                      {std::to_string(runs)});
}

bool ReportController::hidesPaths() const {
    return defaults_.boolForKey(keys::kHidePathsInReport);
}

void ReportController::showReport() {
    // The run has ended (its last tick observed that under the status lock): its result
    // is complete and becomes the one the window reads.
    shown_ = result_;
    shownAny_ = true;
    shownCancelled_ = cancelled_;
    shownRunSize_ = runSize_;
    shownSkipped_ = splitSkipped(*shown_);
    if (!view_)
        return;
    const RunResult& shown = *shown_;
    view_->selectFirstTab();
    view_->setPropaganda(propagandaText(defaults_.integerForKey(keys::kPreviousRuns)));
    const size_t toCheck = shown.checkDateCount();
    view_->setCountFields(
        std::to_string(shown.resCopiedFiles.size()) +
            (shown.verifying ? " " + fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "(%1 verified)"),
                                                {std::to_string(shown.verified)})
                             : "") +
            (toCheck ? " " + fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "(%1 to check date)"),
                                        {std::to_string(toCheck)})
                     : "") +
            (shown.moving
                 ? " " + fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "(%1 originals removed)"),
                                    {std::to_string(shown.originalsRemoved)})
                 : "") +
            (shown.originalsKept.empty()
                 ? ""
                 : " " + fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "(%1 originals kept)"),
                                    {std::to_string(shown.originalsKept.size())})),
        std::to_string(shown.resSkippedFiles.size()) +
            (shownSkipped_.importedBefore.empty()
                 ? ""
                 : " " + fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "(%1 imported before)"),
                                    {std::to_string(shownSkipped_.importedBefore.size())})),
        std::to_string(shown.resErrorFiles.size()));
    view_->setHideFolderPaths(hidesPaths());
    hideFolderPathControlOperated();
    view_->setTabLabel(1, fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "Copied (%1)"),
                                     {std::to_string(shown.resCopiedFiles.size())}));
    view_->setTabLabel(2, fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "Skipped (%1)"),
                                     {std::to_string(shownSkipped_.others.size())}));
    view_->setTabLabel(3, fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "Errors (%1)"),
                                     {std::to_string(shown.resErrorFiles.size())}));
    view_->setTabLabel(4, fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "Imported Before (%1)"),
                                     {std::to_string(shownSkipped_.importedBefore.size())}));
    view_->setTabShown(4, !shownSkipped_.importedBefore.empty());
    view_->setErrorCountRed(!shown.resErrorFiles.empty());
    view_->setCopyRulesNotice(copyRulesNotice(shown));
    std::string notes;
    for (const std::string& note : shown.notes)
        notes += (notes.empty() ? "" : "\n") + note;
    view_->setNotes(notes);
    view_->setOutcome(outcomeText());
    view_->bringToFront();
}

std::string ReportController::copyRulesNotice(const RunResult& result) {
    if (!result.resCopiedFiles.empty())
        return "";
    size_t keptOut = 0;
    for (const std::string& path : result.resSkippedFiles) {
        auto reason = result.resSkippedDict.find(path);
        keptOut +=
            reason != result.resSkippedDict.end() && reason->second == skip::kPatternPreference;
    }
    if (keptOut == 0)
        return "";
    return fillValues(
        keptOut == 1 ? ORVANE_TRANSLATE_NOOP("Orvane", "Nothing was copied: the file copying "
                                                       "rules in Preferences kept out %1 file.")
                     : ORVANE_TRANSLATE_NOOP("Orvane", "Nothing was copied: the file copying "
                                                       "rules in Preferences kept out %1 files."),
        {std::to_string(keptOut)});
}

void ReportController::copyRulesButtonClicked() {
    if (showCopyRules_)
        showCopyRules_();
}

void ReportController::bringReportToFront() {
    if (view_)
        view_->bringToFront();
}

std::string ReportController::outcomeText() const {
    if (!shownCancelled_)
        return ORVANE_TRANSLATE_NOOP("Orvane", "Finished");
    long aborted = 0;
    for (const auto& [path, reason] : shown_->resSkippedDict)
        if (reason == skip::kMergeAborted)
            ++aborted;
    return fillValues(
        ORVANE_TRANSLATE_NOOP("Orvane", "Stopped after %1 of %2"),
        {groupedCount(std::max(0L, shownRunSize_ - aborted)), groupedCount(shownRunSize_)});
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
    for (ReportTable skipped : {ReportTable::Skipped, ReportTable::ImportedBefore})
        updateWidthForStrings(keysOf(shown.resSkippedDict, hide),
                              view_->column(skipped, kKeyColumn), true);
    updateWidthForStrings(keysOf(shown.resCopiedDict, hide),
                          view_->column(ReportTable::Copied, kKeyColumn), true);
    defaults_.synchronize();
}

long ReportController::numberOfRowsInTableView(ReportTable table) const {
    return static_cast<long>(tableData(table).files.size());
}

std::string ReportController::datedByText(const std::string& path) const {
    auto dating = shown_->resDatingDict.find(path);
    if (dating == shown_->resDatingDict.end())
        return "";
    const DatedBy by = dating->second.datedBy;
    // In the order of DatedBy, in the preview's words, with ", check date" when it is flagged.
    static constexpr const char* kTexts[4][2] = {
        {ORVANE_TRANSLATE_NOOP("Orvane", "EXIF"),
         ORVANE_TRANSLATE_NOOP("Orvane", "EXIF, check date")},
        {ORVANE_TRANSLATE_NOOP("Orvane", "Metadata"),
         ORVANE_TRANSLATE_NOOP("Orvane", "Metadata, check date")},
        {ORVANE_TRANSLATE_NOOP("Orvane", "Paired"),
         ORVANE_TRANSLATE_NOOP("Orvane", "Paired, check date")},
        {ORVANE_TRANSLATE_NOOP("Orvane", "Modified"),
         ORVANE_TRANSLATE_NOOP("Orvane", "Modified, check date")}};
    return kTexts[static_cast<int>(by)][dating->second.checkDate ? 1 : 0];
}

std::string ReportController::tableView(ReportTable table, const std::string& columnIdentifier,
                                        long row) const {
    const TableData data = tableData(table);
    if (row < 0 || static_cast<size_t>(row) >= data.files.size())
        return "";
    const std::string& path = data.files[static_cast<size_t>(row)];
    if (columnIdentifier == kKeyColumn)
        return hidesPaths() ? lastPathComponent(path) : path;
    if (columnIdentifier == kDatedByColumn)
        return table == ReportTable::Copied ? datedByText(path) : "";
    auto entry = data.dict.find(path);
    const std::string value = entry == data.dict.end() ? "" : entry->second;
    return withKeepBothHint(table, path, withDestination(*shown_, table, path, value),
                            defaults_.boolForKey(keys::kKeepBothOnNameClash));
}

std::vector<ReportRow> ReportController::tableRows(ReportTable table) const {
    const TableData data = tableData(table);
    const bool hide = hidesPaths();
    const bool keepsBoth = defaults_.boolForKey(keys::kKeepBothOnNameClash);
    std::vector<ReportRow> rows;
    rows.reserve(data.files.size());
    for (const std::string& path : data.files) {
        auto entry = data.dict.find(path);
        rows.push_back({path, hide ? lastPathComponent(path) : path,
                        withKeepBothHint(table, path,
                                         withDestination(*shown_, table, path,
                                                         entry == data.dict.end() ? std::string()
                                                                                  : entry->second),
                                         keepsBoth),
                        table == ReportTable::Copied ? datedByText(path) : std::string(),
                        table == ReportTable::Copied ? copyPathOf(*shown_, path) : path});
    }
    return rows;
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
