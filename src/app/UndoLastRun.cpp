#include "app/UndoLastRun.h"

#include "app/Controller.h"
#include "base/NumberText.h"
#include "base/StringHelpers.h"
#include "base/WindowText.h"
#include "history/ImportRecorder.h"
#include "history/RunUndo.h"

#include <ctime>

namespace orvane {
namespace {

constexpr const char* kTitle = ORVANE_TRANSLATE_NOOP("Orvane", "Undo Last Organize");
constexpr const char* kCantUndoNow =
    ORVANE_TRANSLATE_NOOP("Orvane", "The last organize can't be undone now.");
// Kept files listed by name in the report; the rest are counted.
constexpr size_t kListedKept = 10;

std::string quoted(const std::string& path) {
    return "\u201C" + safeCString(path) + "\u201D";
}

} // namespace

std::optional<RunRecord> UndoLastRun::undoableRun() {
    if (controller_.runJournalFolder().empty() || controller_.runInProgress())
        return std::nullopt;
    for (RunRecord& run : listRuns(controller_.runJournalFolder()))
        if (run.state != RunRecord::State::kRunning && !run.undone &&
            (run.counts.copied > 0 || run.originalsRemoved > 0))
            return std::move(run);
    return std::nullopt;
}

std::string UndoLastRun::startedText(const std::string& started) {
    return runStartedText(started);
}

std::optional<std::string> UndoLastRun::commandTitle() {
    const std::optional<RunRecord> run = undoableRun();
    if (!run)
        return std::nullopt;
    const std::string started = startedText(run->started);
    if (started.empty())
        return kPlainTitle;
    // A move that found every file there already is known by the originals it removed.
    const size_t files = run->counts.copied > 0 ? run->counts.copied : run->originalsRemoved;
    return "Undo the organize of " + started + ": " + countedText(files, "file", "files") +
           "\u2026";
}

bool UndoLastRun::canUndo() {
    return undoableRun().has_value();
}

std::string UndoLastRun::confirmationText(size_t removed, const std::string& destination,
                                          size_t kept) {
    std::string text = fillValues(
        removed == 1
            ? ORVANE_TRANSLATE_NOOP("Orvane", "%1 file copied by the last organize will be "
                                              "removed from %2.")
            : ORVANE_TRANSLATE_NOOP("Orvane", "%1 files copied by the last organize will "
                                              "be removed from %2."),
        {std::to_string(removed), quoted(destination)});
    if (kept > 0)
        text +=
            "\n\n" +
            fillValues(kept == 1 ? ORVANE_TRANSLATE_NOOP("Orvane", "%1 file has changed or moved "
                                                                   "since and will be kept.")
                                 : ORVANE_TRANSLATE_NOOP("Orvane", "%1 files have changed or "
                                                                   "moved since and will be kept."),
                       {std::to_string(kept)});
    return text;
}

std::string UndoLastRun::reportText(const UndoResult& result, const std::string& destination) {
    // The values of a window text are numbered in their order, the count of one included
    // (base/WindowText.h): one template for each plural.
    const size_t files = result.removed.size(), folders = result.foldersRemoved.size();
    const std::string where = quoted(destination);
    std::string text =
        folders == 0
            ? fillValues(files == 1 ? ORVANE_TRANSLATE_NOOP("Orvane", "Removed %1 file from %2.")
                                    : ORVANE_TRANSLATE_NOOP("Orvane", "Removed %1 files from %2."),
                         {std::to_string(files), where})
            : fillValues(
                  files == 1
                      ? (folders == 1 ? ORVANE_TRANSLATE_NOOP(
                                            "Orvane", "Removed %1 file and %2 folder from %3.")
                                      : ORVANE_TRANSLATE_NOOP(
                                            "Orvane", "Removed %1 file and %2 folders from %3."))
                      : (folders == 1 ? ORVANE_TRANSLATE_NOOP(
                                            "Orvane", "Removed %1 files and %2 folder from %3.")
                                      : ORVANE_TRANSLATE_NOOP(
                                            "Orvane", "Removed %1 files and %2 folders from %3.")),
                  {std::to_string(files), std::to_string(folders), where});
    if (!result.kept.empty()) {
        text += "\n\n" + fillValues(result.kept.size() == 1
                                        ? ORVANE_TRANSLATE_NOOP("Orvane", "Kept %1 file:")
                                        : ORVANE_TRANSLATE_NOOP("Orvane", "Kept %1 files:"),
                                    {std::to_string(result.kept.size())});
        for (size_t i = 0; i < result.kept.size() && i < kListedKept; ++i)
            text += "\n" + safeCString(result.kept[i].first) + ": " + result.kept[i].second;
        if (result.kept.size() > kListedKept)
            text += "\n" + fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "… and %1 more"),
                                      {std::to_string(result.kept.size() - kListedKept)});
    }
    if (result.journalNotUpdated)
        text += "\n\n" + std::string(ORVANE_TRANSLATE_NOOP(
                             "Orvane", "The undo could not be recorded in the run's journal."));
    return text;
}

void UndoLastRun::undo() {
    AlertService* alerts = controller_.services().alerts;
    const std::optional<RunRecord> run = alerts ? undoableRun() : std::nullopt;
    if (!run) {
        if (controller_.services().beeper)
            controller_.services().beeper->beep();
        return;
    }
    const UndoResult preview = undoRun(run->journalPath, true);
    if (preview.status == UndoResult::Status::kOriginalsNotRestored ||
        preview.status == UndoResult::Status::kOriginalsRemovedLater) {
        alerts->runAlert(kTitle, preview.problem + ".", "OK");
        return;
    }
    if (preview.status != UndoResult::Status::kDone) {
        alerts->runAlert(kTitle, kCantUndoNow, "OK");
        return;
    }
    if (preview.removed.empty() && preview.restored.empty()) {
        alerts->runAlert(kTitle,
                         ORVANE_TRANSLATE_NOOP(
                             "Orvane",
                             "Nothing will be removed: every file the last organize copied has "
                             "changed, moved or gone since."),
                         "OK");
        return;
    }
    // A move that copied nothing has only originals to put back.
    std::string confirmation =
        preview.removed.empty() && !preview.restored.empty()
            ? std::string()
            : confirmationText(preview.removed.size(), run->destination, preview.kept.size());
    if (!preview.restored.empty())
        confirmation =
            fillValues(preview.restored.size() == 1
                           ? ORVANE_TRANSLATE_NOOP("Orvane", "%1 original removed by the last "
                                                             "organize will be put back first.")
                           : ORVANE_TRANSLATE_NOOP("Orvane", "%1 originals removed by the last "
                                                             "organize will be put back first."),
                       {std::to_string(preview.restored.size())}) +
            (confirmation.empty() ? "" : "\n\n" + confirmation);
    if (alerts->runAlert(kTitle, confirmation, ORVANE_TRANSLATE_NOOP("Orvane", "Remove Files"),
                         ORVANE_TRANSLATE_NOOP("Orvane", "Cancel")) != 0)
        return;
    const UndoResult result = undoRun(run->journalPath, false);
    forgetUndoneCopies(controller_.importHistoryFile(), run->id, result.removed);
    if (result.status == UndoResult::Status::kOriginalsNotRestored ||
        result.status == UndoResult::Status::kOriginalsRemovedLater) {
        alerts->runAlert(kTitle, result.problem + ".", "OK");
        return;
    }
    if (result.status != UndoResult::Status::kDone) {
        alerts->runAlert(kTitle, kCantUndoNow, "OK");
        return;
    }
    if (controller_.services().workspace)
        controller_.services().workspace->noteFileSystemChanged();
    alerts->runAlert(kTitle, reportText(result, run->destination), "OK");
}

} // namespace orvane
