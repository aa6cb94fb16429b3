#include "cli/Runs.h"

#include "app/BuildInfo.h"
#include "app/LoggingSetup.h"
#include "base/Log.h"
#include "base/StringHelpers.h"
#include "cli/ReportPrinter.h"
#include "history/ImportHistory.h"
#include "history/ImportRecorder.h"
#include "history/RunHistory.h"
#include "history/RunUndo.h"
#include "platform/UserDefaults.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

namespace orvane::cli {
namespace {

using nlohmann::ordered_json;

// Parses the arguments; answers -1 to go on, else the exit status.
int parse(CLI::App& app, int argc, char** argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }
    return -1;
}

// The journal folder, with logging set up and the clean-up after killed runs done.
std::string prepare() {
    setLogStream(stderr);
    UserDefaults& defaults = UserDefaults::standard();
    setUpLogging(defaults, build::kVersion);
    const std::string folder = UserDefaults::runJournalDirectory().string();
    const InterruptedRuns interrupted = cleanUpInterruptedRuns(folder);
    if (interrupted.runs > 0)
        std::fprintf(stderr, "orvane: %s\n", interruptedRunsNote(interrupted).c_str());
    return folder;
}

// "2026-12-08T00:36:45Z" as local time, "2026-12-08 01:36:45".
std::string localTimeText(const std::string& utc) {
    struct tm parts = {};
    if (!strptime(utc.c_str(), "%Y-%m-%dT%H:%M:%SZ", &parts))
        return utc;
    return localDateText(timegm(&parts));
}

// Paths as JSON strings: valid UTF-8, invalid bytes escaped.
ordered_json pathsJson(const PathList& paths) {
    return collectWithSelector(paths, jsonText);
}

ordered_json runJson(const RunRecord& run) {
    PathList others;
    for (const RecordedRoot& root : run.otherRoots)
        others.push_back(root.path);
    return {{"id", run.id},
            {"started", run.started},
            {"state", runStateName(run.state)},
            {"undone", run.undone ? ordered_json(*run.undone) : ordered_json(nullptr)},
            {"sources", pathsJson(run.sources)},
            {"destination", jsonText(run.destination)},
            {"also_into", pathsJson(others)},
            {"copied", run.counts.copied},
            {"skipped", run.counts.skipped},
            {"errors", run.counts.errors},
            {"originals_removed", run.originalsRemoved},
            {"journal", jsonText(run.journalPath)}};
}

void printRunText(const RunRecord& run) {
    std::printf("%s  %s  %s%s\n", run.id.c_str(), localTimeText(run.started).c_str(),
                runStateName(run.state),
                run.undone ? (", undone " + localTimeText(*run.undone)).c_str() : "");
    if (run.state != RunRecord::State::kRunning)
        std::printf(
            "  %zu copied, %zu skipped, %zu errors%s\n", run.counts.copied, run.counts.skipped,
            run.counts.errors,
            run.originalsRemoved > 0
                ? (", " + std::to_string(run.originalsRemoved) + " originals removed").c_str()
                : "");
    for (const std::string& source : run.sources)
        std::printf("  from %s\n", displayPath(source).c_str());
    std::printf("  into %s\n", displayPath(run.destination).c_str());
    for (const RecordedRoot& root : run.otherRoots)
        std::printf("  also into %s\n", displayPath(root.path).c_str());
}

// "Title (N):" and the paths below it, one a line; nothing for no paths.
void printPaths(const char* title, const PathList& paths) {
    if (paths.empty())
        return;
    std::printf("%s (%zu):\n", title, paths.size());
    for (const std::string& path : paths)
        std::printf("  %s\n", displayPath(path).c_str());
}

void printUndoText(const UndoResult& result, bool dryRun) {
    printPaths(dryRun ? "Originals to put back" : "Originals put back", result.restored);
    printPaths(dryRun ? "To remove" : "Removed", result.removed);
    if (!result.kept.empty()) {
        std::printf("Kept (%zu):\n", result.kept.size());
        for (const auto& [path, reason] : result.kept)
            std::printf("  %s: %s\n", displayPath(path).c_str(), reason.c_str());
    }
    printPaths(dryRun ? "Folders to remove" : "Folders removed", result.foldersRemoved);
    if (!result.restored.empty())
        std::printf("%zu originals %s, ", result.restored.size(),
                    dryRun ? "to put back" : "put back");
    std::printf("%zu %s, %zu kept, %zu folders %s%s\n", result.removed.size(),
                dryRun ? "to remove" : "removed", result.kept.size(), result.foldersRemoved.size(),
                dryRun ? "to remove" : "removed", dryRun ? " (dry run: nothing was removed)" : "");
}

void printUndoJson(const RunRecord& run, const UndoResult& result, bool dryRun) {
    ordered_json kept = ordered_json::array();
    for (const auto& [path, reason] : result.kept)
        kept.push_back({{"path", jsonText(path)}, {"reason", reason}});
    const ordered_json report = {{"run", run.id},
                                 {"dryRun", dryRun},
                                 {"restored", pathsJson(result.restored)},
                                 {"removed", pathsJson(result.removed)},
                                 {"kept", std::move(kept)},
                                 {"foldersRemoved", pathsJson(result.foldersRemoved)}};
    std::printf("%s\n", report.dump(2).c_str());
}

} // namespace

void addRunsOptions(CLI::App& app, bool& json) {
    app.description("List the recorded runs, latest first, with what each copied.");
    app.add_flag("--json", json, "print the runs as JSON");
}

void addUndoOptions(CLI::App& app, UndoArguments& arguments) {
    app.description("Remove the copies a run made, where they are still as the run left them, "
                    "and the date folders it created once they are empty. Copies changed, moved "
                    "or replaced since are kept. A run that removed its originals (--move) puts "
                    "them back from their copies first, and changes nothing when it can't. A run "
                    "whose copies stand for originals a later run removed is not undone before "
                    "that run.");
    app.add_option("run", arguments.id,
                   "RUN: the run's id as `orvane runs` shows it (or its beginning); "
                   "default: the latest run that has ended and copied something or removed "
                   "originals");
    app.add_flag("--dry-run", arguments.dryRun,
                 "show what would be removed and kept, removing nothing");
    app.add_flag("--json", arguments.json, "print the outcome as JSON");
}

int runRuns(int argc, char** argv) {
    CLI::App app{"", "orvane runs"};
    bool json = false;
    addRunsOptions(app, json);
    if (int status = parse(app, argc, argv); status >= 0)
        return status;

    const std::string folder = prepare();
    const std::vector<RunRecord> runs = listRuns(folder);
    if (json) {
        ordered_json list = ordered_json::array();
        for (const RunRecord& run : runs)
            list.push_back(runJson(run));
        std::printf("%s\n", list.dump(2).c_str());
    } else if (runs.empty()) {
        std::printf("No runs recorded in %s\n", displayPath(folder).c_str());
    } else {
        for (const RunRecord& run : runs)
            printRunText(run);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int runUndo(int argc, char** argv) {
    CLI::App app{"", "orvane undo"};
    UndoArguments arguments;
    addUndoOptions(app, arguments);
    if (int status = parse(app, argc, argv); status >= 0)
        return status;
    const std::string& id = arguments.id;
    const bool dryRun = arguments.dryRun;
    const bool json = arguments.json;

    const std::string folder = prepare();
    const std::optional<RunRecord> run = id.empty() ? latestEndedRun(folder) : findRun(folder, id);
    if (!run) {
        if (id.empty())
            std::fprintf(stderr, "orvane: no run to undo in %s\n", displayPath(folder).c_str());
        else
            std::fprintf(stderr,
                         "orvane: no run '%s' (or more than one begins so); see `orvane runs`\n",
                         displayPath(id).c_str());
        return 2;
    }

    const UndoResult result = undoRun(run->journalPath, dryRun);
    switch (result.status) {
    case UndoResult::Status::kAlreadyUndone:
        std::fprintf(stderr, "orvane: run %s was already undone on %s\n", run->id.c_str(),
                     localTimeText(result.undone).c_str());
        return 1;
    case UndoResult::Status::kNotEnded:
        std::fprintf(stderr, "orvane: run %s has not ended yet\n", run->id.c_str());
        return 1;
    case UndoResult::Status::kUnreadable:
        std::fprintf(stderr, "orvane: the journal of run %s can't be read\n", run->id.c_str());
        return 1;
    case UndoResult::Status::kOriginalsNotRestored:
    case UndoResult::Status::kOriginalsRemovedLater:
        std::fprintf(stderr, "orvane: %s; no copy was removed\n", result.problem.c_str());
        return 1;
    case UndoResult::Status::kDone:
        break;
    }
    if (!dryRun)
        forgetUndoneCopies(ImportHistory::defaultFile(), run->id, result.removed);
    if (json)
        printUndoJson(*run, result, dryRun);
    else
        printUndoText(result, dryRun);
    if (std::fflush(stdout) != 0)
        return 1;
    if (result.journalNotUpdated)
        std::fprintf(stderr, "orvane: the undo could not be recorded in the run's journal\n");
    bool removalFailed = result.journalNotUpdated;
    for (const auto& [path, reason] : result.kept)
        removalFailed = removalFailed || reason.rfind(kept::kCouldNotRemove, 0) == 0;
    return removalFailed ? 1 : 0;
}

} // namespace orvane::cli
