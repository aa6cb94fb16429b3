#include "history/RunHistory.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/StringHelpers.h"
#include "history/JournalFile.h"
#include "history/JournalFormat.h"
#include "platform/FileCopier.h"
#include "platform/FileDescriptor.h"
#include "platform/PartialCopies.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <map>
#include <set>
#include <string_view>
#include <sys/file.h>
#include <unistd.h>

namespace orvane {
namespace {

using journal::json;

// Beyond this size a summary reads only the journal's first line and its last part, where
// the closing lines are.
constexpr off_t kTailBytes = 64 * 1024;
// Roots besides the destination a start line may name: more are not read.
constexpr size_t kMaxOtherRoots = 64;
// The copies of one entry a journal may tell apart (the destination's and each backup's).
constexpr size_t kMaxCopies = kMaxOtherRoots + 1;

size_t countOf(const json& line, const char* key) {
    auto it = line.find(key);
    return it != line.end() && it->is_number_unsigned() ? it->get<size_t>() : 0;
}

// The value at `key`, or null when there is none (also when `line` is no object).
const json& fieldOf(const json& line, const char* key) {
    static const json none;
    auto it = line.find(key);
    return it != line.end() ? *it : none;
}

// The counts a closing line ("end" or "interrupted") carries.
RunCounts countsOf(const json& line) {
    return {countOf(line, "copied"), countOf(line, "skipped"), countOf(line, "errors")};
}

std::string textOf(const json& line, const char* key) {
    auto it = line.find(key);
    return it != line.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// Which of an entry's copies a line is about: 0 (the destination's) unless it says.
unsigned copyOf(const json& line) {
    const size_t copy = countOf(line, "copy");
    return copy < kMaxCopies ? static_cast<unsigned>(copy) : 0;
}

// What reading a whole journal keeps besides the record.
struct Reading {
    std::map<size_t, std::string> sources; // of the entries, by their intents
    // Index into the record's intents, by entry and copy.
    std::map<std::pair<size_t, unsigned>, size_t> intentOf;
    std::set<size_t> ended;             // entries recorded as copied, skipped or failed
    std::map<size_t, size_t> removalOf; // index into the record's removals, by entry
};

// Whether a journal line may be of a type a summary reads ("end", "interrupted", "undo"):
// its type's text stands in it between quotes whatever else the line holds, while within a
// text quotes are escaped.
bool mayBeClosingLine(std::string_view text) {
    for (std::string_view type : {"\"end\"", "\"interrupted\"", "\"undo\""})
        if (text.find(type) != std::string_view::npos)
            return true;
    return false;
}

// Reads one line into the record; answers false for the first line when it is no start.
bool applyLine(RunRecord& run, const json& line, bool whole, Reading& reading) {
    const std::string type = textOf(line, "type");
    if (type == "start") {
        // A damaged start line reads as an unknown process rather than stopping the reader.
        const json& pid = fieldOf(line, "pid");
        const json& start = fieldOf(line, "processStart");
        run.process.pid = pid.is_number_integer() ? pid.get<long>() : 0;
        run.process.startTicks = start.is_number_unsigned() ? start.get<unsigned long long>() : 0;
        run.process.bootId = textOf(line, "boot");
        run.started = textOf(line, "started");
        if (auto it = line.find("sources"); it != line.end() && it->is_array())
            for (const json& source : *it)
                if (auto path = journal::pathFrom(source))
                    run.sources.push_back(*path);
        run.destination = journal::pathFrom(fieldOf(line, "destination")).value_or("");
        run.destinationStamp = journal::stampFrom(fieldOf(line, "destinationStamp"));
        if (auto it = line.find("roots"); it != line.end() && it->is_array())
            for (const json& root : *it)
                if (auto path = journal::pathFrom(fieldOf(root, "path"));
                    path && !path->empty() && (*path)[0] == '/' &&
                    run.otherRoots.size() < kMaxOtherRoots)
                    run.otherRoots.push_back({*path, journal::stampFrom(fieldOf(root, "stamp"))});
        if (const json& move = fieldOf(fieldOf(line, "options"), "move"); move.is_boolean())
            run.moving = move.get<bool>();
        return !run.destination.empty() && run.destination[0] == '/';
    }
    if (type == "end") {
        run.state = textOf(line, "outcome") == "cancelled" ? RunRecord::State::kCancelled
                                                           : RunRecord::State::kFinished;
        run.counts = countsOf(line);
        run.originalsRemoved = countOf(line, "removed");
    } else if (type == "interrupted") {
        run.state = RunRecord::State::kInterrupted;
        run.temporariesRemoved = countOf(line, "temporariesRemoved");
        run.counts = countsOf(line);
        run.originalsRemoved = countOf(line, "removed");
    } else if (type == "undo") {
        run.undone = textOf(line, "at");
    } else if (!whole) {
        return true;
    } else if (type == "intent") {
        const size_t entry = countOf(line, "entry");
        const unsigned copy = copyOf(line);
        auto source = journal::pathFrom(fieldOf(line, "source"));
        auto temporary = journal::pathFrom(fieldOf(line, "temporary"));
        auto destination = journal::pathFrom(fieldOf(line, "destination"));
        if (source)
            reading.sources[entry] = *source;
        if (temporary && destination) {
            RunRecord::Intent intent{entry,
                                     source.value_or(""),
                                     *temporary,
                                     *destination,
                                     journal::madeFrom(fieldOf(line, "made")),
                                     copy};
            // A name decided again for the same copy comes as a second intent, which the
            // copy's "made" line no longer needs to reach.
            reading.intentOf[{entry, copy}] = run.intents.size();
            run.intents.push_back(std::move(intent));
        }
    } else if (type == "made") {
        auto it = reading.intentOf.find({countOf(line, "entry"), copyOf(line)});
        if (it != reading.intentOf.end())
            run.intents[it->second].made = journal::madeFrom(fieldOf(line, "made"));
    } else if (type == "placeholder") {
        auto path = journal::pathFrom(fieldOf(line, "path"));
        auto made = journal::madeFrom(fieldOf(line, "made"));
        if (path && made)
            run.placeholders.push_back({*path, *made});
    } else if (type == "copied") {
        RunRecord::Copy copy;
        copy.entry = countOf(line, "entry");
        copy.copy = copyOf(line);
        auto destination = journal::pathFrom(fieldOf(line, "destination"));
        auto stamp = journal::stampFrom(fieldOf(line, "stamp"));
        if (!destination || !stamp)
            return true;
        copy.destination = *destination;
        copy.stamp = *stamp;
        copy.source = reading.sources[copy.entry];
        reading.ended.insert(copy.entry);
        if (auto it = line.find("tree"); it != line.end() && it->is_array()) {
            std::vector<TreeItem> tree;
            for (const json& item : *it) {
                auto path = journal::pathFrom(fieldOf(item, "path"));
                auto itemStamp = journal::stampFrom(fieldOf(item, "stamp"));
                if (path && itemStamp)
                    tree.push_back({*path, *itemStamp});
            }
            copy.tree = std::move(tree);
        }
        run.copies.push_back(std::move(copy));
    } else if (type == "removing") {
        if (std::optional<OriginalRemoval> removal = journal::removingFrom(line)) {
            reading.removalOf[removal->entry] = run.removals.size();
            run.removals.push_back({std::move(*removal), false});
        }
    } else if (type == "removed") {
        auto it = reading.removalOf.find(countOf(line, "entry"));
        if (it != reading.removalOf.end())
            run.removals[it->second].removed = true;
    } else if (type == "folder") {
        if (auto path = journal::pathFrom(fieldOf(line, "path")))
            run.folders.push_back({*path, journal::stampFrom(fieldOf(line, "stamp"))});
    } else if (type == "skipped") {
        ++run.counts.skipped;
        reading.ended.insert(countOf(line, "entry"));
        if (auto source = journal::pathFrom(fieldOf(line, "source")))
            run.skips.push_back({countOf(line, "entry"), *source, textOf(line, "reason")});
    } else if (type == "failed") {
        ++run.counts.errors;
        reading.ended.insert(countOf(line, "entry"));
    }
    return true;
}

// Journals of the folder, by name: the order in which their runs started.
std::vector<std::string> journalPaths(const std::string& folder) {
    std::vector<std::string> paths;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return paths;
    while (dirent* entry = ::readdir(dir))
        if (journal::isJournalName(entry->d_name))
            paths.push_back(folder + "/" + entry->d_name);
    ::closedir(dir);
    std::sort(paths.begin(), paths.end());
    return paths;
}

// A temporary whose identity never reached the record (the process was killed right after
// making it, or the journal is older than such records): one of this user's files or folders
// under the name the run's process gives its temporaries.
bool isUnstampedTemporary(const RunRecord& run, const std::string& name,
                          const struct stat& status) {
    const std::string prefix =
        std::string(kPartialCopyPrefix) + std::to_string(run.process.pid) + "-";
    return run.process.pid > 0 && name.compare(0, prefix.size(), prefix) == 0 &&
           (S_ISREG(status.st_mode) || S_ISDIR(status.st_mode)) && status.st_uid == ::geteuid();
}

// Removes a temporary, logging what could not be removed.
bool removeTemporary(const RecordedItem& temporary, const std::string& path) {
    const int failure = removeRecorded(temporary);
    if (failure)
        logMessage(LOG_WARN, "Couldn't remove temporary copy '%s' (fsr='%s'): %s",
                   safeCString(path).c_str(), path.c_str(), std::strerror(failure));
    return failure == 0;
}

struct AfterCrash {
    size_t temporariesRemoved = 0;
    std::vector<json> recovered; // "copied" lines of copies published but never recorded
    size_t recoveredEntries = 0; // of those, the destination's (a backup's is not counted)
    std::vector<json> removed;   // "removed" lines of originals removed but never recorded
    size_t originalsWaiting = 0;
};

// Of a run that was freeing its sources: the originals whose entries were copied (or found at
// the destination) and are still at their places, which running it again frees.
void countWaitingOriginals(const RunRecord& run, AfterCrash& after) {
    if (run.moving != true)
        return;
    std::map<size_t, std::string> handled; // entry → source
    for (const RunRecord::Copy& copy : run.copies)
        if (copy.copy == 0)
            handled[copy.entry] = copy.source;
    std::map<size_t, std::string> intended; // entry → source, of the destination's copies
    for (const RunRecord::Intent& intent : run.intents)
        if (intent.copy == 0)
            intended[intent.entry] = intent.source;
    for (const json& line : after.recovered)
        if (!line.contains("copy"))
            handled[line["entry"].get<size_t>()] = intended[line["entry"].get<size_t>()];
    for (const RunRecord::Skip& skip : run.skips)
        if (skip.reason.rfind(skip::kAlreadyInDestination, 0) == 0 ||
            skip::isImportedBefore(skip.reason))
            handled[skip.entry] = skip.source;
    for (const RunRecord::Removal& removal : run.removals)
        if (removal.removed)
            handled.erase(removal.original.entry);
    for (const json& line : after.removed)
        handled.erase(line["entry"].get<size_t>());
    for (const auto& [entry, source] : handled) {
        struct stat status;
        if (!source.empty() && source[0] == '/' && ::lstat(source.c_str(), &status) == 0 &&
            S_ISREG(status.st_mode))
            ++after.originalsWaiting;
    }
}

// An original the run was removing when it was killed: recorded as removed when it is gone
// and its copy is intact; one still there was never removed.
void findRemovedOriginals(
    const RunRecord& run,
    const std::function<std::optional<RecordedItem>(const std::string&)>& find, AfterCrash& after) {
    for (const RunRecord::Removal& removal : run.removals) {
        if (removal.removed)
            continue;
        struct stat original;
        if (::lstat(removal.original.source.c_str(), &original) == 0 || errno != ENOENT)
            continue;
        if (const std::optional<RecordedItem> copy = find(removal.original.copy);
            copy && FileStamp::of(copy->status) == removal.original.copyStamp)
            after.removed.push_back(
                {{"type", "removed"}, {"entry", removal.original.entry}, {"recovered", true}});
    }
}

// Removes what an interrupted run left half made, and finds the copies it published without
// recording them. Only items the run made are touched: each must be the very item its
// journal recorded (device, inode and kind), belong to the user running, and lie below the
// run's destination reached without links.
AfterCrash cleanUpAfter(const RunRecord& run) {
    AfterCrash after;
    RecordedRoots roots(run.roots());
    std::set<std::string> unusable; // roots already logged
    auto find = [&](const std::string& path) -> std::optional<RecordedItem> {
        int err = 0;
        const char* problem = nullptr;
        std::optional<RecordedItem> item = roots.find(path, err, problem);
        if (const RecordedRoot* root = problem ? roots.rootOf(path) : nullptr;
            root && unusable.insert(root->path).second)
            logMessage(LOG_WARN,
                       "Left the temporary copies of interrupted run %s in '%s' (fsr='%s') alone: "
                       "that folder is %s",
                       run.id.c_str(), safeCString(root->path).c_str(), root->path.c_str(),
                       problem);
        return item;
    };
    std::set<std::pair<size_t, unsigned>> recorded;
    for (const RunRecord::Copy& copy : run.copies)
        recorded.insert({copy.entry, copy.copy});
    for (const RunRecord::Intent& intent : run.intents) {
        if (std::optional<RecordedItem> temporary = find(intent.temporary);
            temporary && isPartialCopyName(temporary->name) &&
            (intent.made ? isMadeItem(*intent.made, temporary->status)
                         : isUnstampedTemporary(run, temporary->name, temporary->status)) &&
            removeTemporary(*temporary, intent.temporary))
            ++after.temporariesRemoved;
        if (!intent.made || !S_ISREG(intent.made->type) ||
            recorded.count({intent.entry, intent.copy}))
            continue;
        // Renamed to its final name: the inode stays, with the size and time it was given.
        if (const std::optional<RecordedItem> copy = find(intent.destination);
            copy && isMadeCopy(*intent.made, copy->status)) {
            recorded.insert({intent.entry, intent.copy});
            json line = {{"type", "copied"},
                         {"entry", intent.entry},
                         {"destination", journal::pathJson(intent.destination)},
                         {"stamp", journal::stampJson(FileStamp::of(copy->status))},
                         {"recovered", true}};
            if (intent.copy)
                line["copy"] = intent.copy;
            else
                ++after.recoveredEntries;
            after.recovered.push_back(std::move(line));
        }
    }
    // An empty placeholder still under a final name would block that name for good; a folder
    // is removed only while empty.
    for (const RunRecord::Placeholder& placeholder : run.placeholders)
        if (std::optional<RecordedItem> found = find(placeholder.path);
            found && isMadeItem(placeholder.made, found->status) &&
            (S_ISDIR(found->status.st_mode) || found->status.st_size == 0))
            ::unlinkat(found->parent.get(), found->name.c_str(),
                       S_ISDIR(found->status.st_mode) ? AT_REMOVEDIR : 0);
    findRemovedOriginals(run, find, after);
    countWaitingOriginals(run, after);
    return after;
}

} // namespace

std::vector<RecordedRoot> RunRecord::roots() const {
    std::vector<RecordedRoot> all{{destination, destinationStamp}};
    all.insert(all.end(), otherRoots.begin(), otherRoots.end());
    return all;
}

const char* runStateName(RunRecord::State state) {
    switch (state) {
    case RunRecord::State::kRunning:
        return "running";
    case RunRecord::State::kFinished:
        return "finished";
    case RunRecord::State::kCancelled:
        return "cancelled";
    case RunRecord::State::kInterrupted:
        return "interrupted";
    }
    return "unknown";
}

std::optional<RunRecord> readRunFrom(int fd, const std::string& journalPath, off_t size,
                                     bool whole) {
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return std::nullopt;
    journal::LineReader reader(fd);
    std::string text;
    bool tooLong = false;
    if (!reader.next(text, journal::kMaxStartLine, tooLong) || tooLong)
        return std::nullopt;
    RunRecord run;
    run.journalPath = journalPath;
    const std::string name = lastPathComponent(journalPath);
    run.id = name.substr(0, name.rfind(journal::kExtension));
    Reading reading;
    const json first = json::parse(text, nullptr, false);
    if (first.is_discarded() || !first.is_object() || !applyLine(run, first, whole, reading))
        return std::nullopt;

    const off_t next = static_cast<off_t>(text.size()) + 1;
    if (!whole && size - next > kTailBytes)
        reader.skipTo(size - kTailBytes); // the closing lines are at the end
    while (reader.next(text, journal::kMaxLine, tooLong)) {
        // A line cut short by a crash, or damaged, is no line. For a summary only the lines
        // that close or undo a run count: the others, nearly all of the tail, are not parsed.
        if (tooLong || (!whole && !mayBeClosingLine(text)))
            continue;
        const json line = json::parse(text, nullptr, false);
        if (!line.is_discarded() && line.is_object())
            applyLine(run, line, whole, reading);
    }
    // Entries, not copies: a backup's copy of an entry is not counted again.
    if (whole && run.state == RunRecord::State::kRunning) {
        run.counts.copied = static_cast<size_t>(
            std::count_if(run.copies.begin(), run.copies.end(),
                          [](const RunRecord::Copy& copy) { return copy.copy == 0; }));
        run.originalsRemoved = static_cast<size_t>(
            std::count_if(run.removals.begin(), run.removals.end(),
                          [](const RunRecord::Removal& removal) { return removal.removed; }));
    }
    return run;
}

std::optional<RunRecord> readRun(const std::string& journalPath, bool whole) {
    struct stat status;
    const UniqueFd fd = journal::openJournal(journalPath, O_RDONLY, &status);
    if (fd.get() < 0)
        return std::nullopt;
    return readRunFrom(fd.get(), journalPath, status.st_size, whole);
}

std::vector<RunRecord> listRuns(const std::string& folder) {
    std::vector<RunRecord> runs;
    const std::vector<std::string> paths = journalPaths(folder);
    for (auto it = paths.rbegin(); it != paths.rend(); ++it)
        if (std::optional<RunRecord> run = readRun(*it, false))
            runs.push_back(std::move(*run));
    return runs;
}

std::optional<RunRecord> findRun(const std::string& folder, const std::string& id) {
    std::optional<RunRecord> found;
    for (RunRecord& run : listRuns(folder)) {
        if (run.id == id)
            return std::move(run);
        if (!id.empty() && run.id.rfind(id, 0) == 0) {
            if (found)
                return std::nullopt; // ambiguous
            found = std::move(run);
        }
    }
    return found;
}

std::optional<RunRecord> latestEndedRun(const std::string& folder) {
    // A run that found everything there already hides nothing worth taking back.
    std::optional<RunRecord> latest;
    for (RunRecord& run : listRuns(folder)) {
        if (run.state == RunRecord::State::kRunning)
            continue;
        // Its removed originals come back only through its own undo.
        if (run.counts.copied > 0 || run.originalsRemoved > 0)
            return std::move(run);
        if (!latest)
            latest = std::move(run);
    }
    return latest;
}

InterruptedRuns cleanUpInterruptedRuns(const std::string& folder) {
    InterruptedRuns interrupted;
    std::vector<std::string> ended;
    for (const std::string& path : journalPaths(folder)) {
        std::optional<RunRecord> summary = readRun(path, false);
        if (!summary)
            continue;
        if (summary->state != RunRecord::State::kRunning) {
            ended.push_back(path);
            continue;
        }
        if (!processIsGone(summary->process))
            continue;
        // The lock tells a journal still being written (from a process this one cannot see,
        // or another clean-up at work) from one whose writer is gone. The journal is read
        // through the descriptor locked, so that it is the file that is written to.
        struct stat status;
        const UniqueFd fd = journal::openJournal(path, O_RDWR | O_APPEND, &status);
        if (fd.get() < 0 || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        std::optional<RunRecord> run = readRunFrom(fd.get(), path, status.st_size, true);
        if (!run || run->state != RunRecord::State::kRunning)
            continue;
        const AfterCrash after = cleanUpAfter(*run);
        std::string lines;
        for (const json& copied : after.recovered)
            lines += journal::lineText(copied);
        for (const json& removed : after.removed)
            lines += journal::lineText(removed);
        lines += journal::lineText({{"type", "interrupted"},
                                    {"temporariesRemoved", after.temporariesRemoved},
                                    {"copied", run->counts.copied + after.recoveredEntries},
                                    {"skipped", run->counts.skipped},
                                    {"errors", run->counts.errors},
                                    {"removed", run->originalsRemoved + after.removed.size()},
                                    {"at", journal::timeText(time(nullptr))}});
        if (!journal::endLastLine(fd.get(), status.st_size) ||
            !journal::appendDurably(fd.get(), lines))
            logMessage(LOG_WARN,
                       "Couldn't mark the run journal '%s' (fsr='%s') as interrupted: %d-%s",
                       safeCString(path).c_str(), path.c_str(), errno, std::strerror(errno));
        if (!after.recovered.empty())
            logMessage(LOG_INFO,
                       "Run %s: %zu copies that got their names before the run was "
                       "interrupted are now on its record",
                       run->id.c_str(), after.recovered.size());
        ++interrupted.runs;
        interrupted.temporariesRemoved += after.temporariesRemoved;
        interrupted.originalsWaiting += after.originalsWaiting;
        ended.push_back(path);
    }
    if (interrupted.runs > 0)
        logMessage(LOG_INFO,
                   "Cleaned up after %zu interrupted run(s): %zu temporary copies removed",
                   interrupted.runs, interrupted.temporariesRemoved);

    // Only journals of this program's names that it could read as the user's are pruned.
    std::sort(ended.begin(), ended.end());
    for (size_t index = 0; index + kKeptRuns < ended.size(); ++index)
        ::unlink(ended[index].c_str());
    return interrupted;
}

std::string interruptedRunsNote(const InterruptedRuns& interrupted) {
    std::string note = interrupted.temporariesRemoved == 1
                           ? "A previous run was interrupted; 1 temporary copy was removed"
                           : "A previous run was interrupted; " +
                                 std::to_string(interrupted.temporariesRemoved) +
                                 " temporary copies were removed";
    if (interrupted.originalsWaiting == 1)
        note += ". 1 original of the interrupted move still waits on the card; run it again "
                "with --move to free it";
    else if (interrupted.originalsWaiting > 1)
        note += ". " + std::to_string(interrupted.originalsWaiting) +
                " originals of the interrupted move still wait on the card; run it again with "
                "--move to free them";
    return note;
}

std::string runStartedText(const std::string& started) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    struct tm utc = {};
    const char* end = strptime(started.c_str(), "%Y-%m-%dT%H:%M:%SZ", &utc);
    if (!end || *end != '\0')
        return {};
    const time_t when = timegm(&utc);
    struct tm local = {};
    if (!localtime_r(&when, &local))
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%d %s %02d:%02d", local.tm_mday, kMonths[local.tm_mon % 12],
                  local.tm_hour, local.tm_min);
    return text;
}

} // namespace orvane
