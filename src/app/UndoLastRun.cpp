#include "app/UndoLastRun.h"

#include "app/Controller.h"
#include "base/StringHelpers.h"
#include "merge/RunUndo.h"

#include <ctime>

namespace orvane {
namespace {

constexpr const char* kTitle = "Undo Last Organize";
// Kept files listed by name in the report; the rest are counted.
constexpr size_t kListedKept = 10;

std::string files(size_t count) {
    return std::to_string(count) + (count == 1 ? " file" : " files");
}

std::string quoted(const std::string& path) {
    return "\u201C" + safeCString(path) + "\u201D";
}

} // namespace

std::optional<RunRecord> UndoLastRun::undoableRun() {
    if (controller_.runJournalFolder().empty() || controller_.runInProgress())
        return std::nullopt;
    for (RunRecord& run : listRuns(controller_.runJournalFolder()))
        if (run.state != RunRecord::State::kRunning && !run.undone && run.counts.copied > 0)
            return std::move(run);
    return std::nullopt;
}

std::string UndoLastRun::startedText(const std::string& started) {
    struct tm utc = {};
    const char* end = strptime(started.c_str(), "%Y-%m-%dT%H:%M:%SZ", &utc);
    if (!end || *end != '\0')
        return {};
    const time_t when = timegm(&utc);
    struct tm local = {};
    char text[32];
    if (!localtime_r(&when, &local) || strftime(text, sizeof text, "%-d %b %H:%M", &local) == 0)
        return {};
    return text;
}

std::optional<std::string> UndoLastRun::commandTitle() {
    const std::optional<RunRecord> run = undoableRun();
    if (!run)
        return std::nullopt;
    const std::string started = startedText(run->started);
    if (started.empty())
        return kPlainTitle;
    return "Undo the organize of " + started + ": " + files(run->counts.copied) + "\u2026";
}

bool UndoLastRun::canUndo() {
    return undoableRun().has_value();
}

std::string UndoLastRun::confirmationText(size_t removed, const std::string& destination,
                                          size_t kept) {
    std::string text = files(removed) + " copied by the last organize will be removed from " +
                       quoted(destination) + ".";
    if (kept > 0)
        text += " " + files(kept) + (kept == 1 ? " has" : " have") +
                " changed or moved since and will be kept.";
    return text;
}

std::string UndoLastRun::reportText(const UndoResult& result, const std::string& destination) {
    std::string text = "Removed " + files(result.removed.size());
    if (!result.foldersRemoved.empty())
        text += " and " + std::to_string(result.foldersRemoved.size()) +
                (result.foldersRemoved.size() == 1 ? " folder" : " folders");
    text += " from " + quoted(destination) + ".";
    if (!result.kept.empty()) {
        text += "\n\nKept " + files(result.kept.size()) + ":";
        for (size_t i = 0; i < result.kept.size() && i < kListedKept; ++i)
            text += "\n" + safeCString(result.kept[i].first) + ": " + result.kept[i].second;
        if (result.kept.size() > kListedKept)
            text += "\n\u2026 and " + std::to_string(result.kept.size() - kListedKept) + " more";
    }
    if (result.journalNotUpdated)
        text += "\n\nThe undo could not be recorded in the run's journal.";
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
    if (preview.status != UndoResult::Status::kDone) {
        alerts->runAlert(kTitle, "The last organize can't be undone now.", "OK");
        return;
    }
    if (preview.removed.empty()) {
        alerts->runAlert(kTitle,
                         "Nothing will be removed: every file the last organize copied has "
                         "changed, moved or gone since.",
                         "OK");
        return;
    }
    if (alerts->runAlert(
            kTitle, confirmationText(preview.removed.size(), run->destination, preview.kept.size()),
            "Remove Files", "Cancel") != 0)
        return;
    const UndoResult result = undoRun(run->journalPath, false);
    if (result.status != UndoResult::Status::kDone) {
        alerts->runAlert(kTitle, "The last organize can't be undone now.", "OK");
        return;
    }
    if (controller_.services().workspace)
        controller_.services().workspace->noteFileSystemChanged();
    alerts->runAlert(kTitle, reportText(result, run->destination), "OK");
}

} // namespace orvane
