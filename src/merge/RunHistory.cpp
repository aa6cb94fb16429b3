#include "merge/RunHistory.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/StringHelpers.h"
#include "merge/JournalFormat.h"
#include "merge/MergeEngine.h"
#include "platform/FileCopier.h"
#include "platform/FileDescriptor.h"
#include "platform/PartialCopies.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sys/file.h>
#include <unistd.h>

namespace orvane {
namespace {

using journal::json;

// Beyond this size a summary reads only the journal's first line and its last part, where
// the closing lines are.
constexpr off_t kTailBytes = 64 * 1024;

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

// Reads one line into the record; answers false for the first line when it is no start.
bool applyLine(RunRecord& run, const json& line, bool whole,
               std::map<size_t, std::string>& sources) {
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
        return !run.destination.empty();
    }
    if (type == "end") {
        run.state = textOf(line, "outcome") == "cancelled" ? RunRecord::State::kCancelled
                                                           : RunRecord::State::kFinished;
        run.counts = countsOf(line);
    } else if (type == "interrupted") {
        run.state = RunRecord::State::kInterrupted;
        run.temporariesRemoved = countOf(line, "temporariesRemoved");
        run.counts = countsOf(line);
    } else if (type == "undo") {
        run.undone = textOf(line, "at");
    } else if (!whole) {
        return true;
    } else if (type == "intent") {
        auto source = journal::pathFrom(fieldOf(line, "source"));
        auto temporary = journal::pathFrom(fieldOf(line, "temporary"));
        if (source)
            sources[countOf(line, "entry")] = *source;
        if (temporary)
            run.temporaries.push_back(*temporary);
    } else if (type == "copied") {
        RunRecord::Copy copy;
        copy.entry = countOf(line, "entry");
        auto destination = journal::pathFrom(fieldOf(line, "destination"));
        auto stamp = journal::stampFrom(fieldOf(line, "stamp"));
        if (!destination || !stamp)
            return true;
        copy.destination = *destination;
        copy.stamp = *stamp;
        copy.source = sources[copy.entry];
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
    } else if (type == "folder") {
        if (auto path = journal::pathFrom(fieldOf(line, "path")))
            run.folders.push_back({*path, journal::stampFrom(fieldOf(line, "stamp"))});
    } else if (type == "skipped") {
        ++run.counts.skipped;
    } else if (type == "failed") {
        ++run.counts.errors;
    }
    return true;
}

// Journals of the folder, by name: the order in which their runs started.
std::vector<std::string> journalPaths(const std::string& folder) {
    std::vector<std::string> paths;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return paths;
    const std::string extension = journal::kExtension;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > extension.size() && name[0] != '.' &&
            name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
            paths.push_back(folder + "/" + name);
    }
    ::closedir(dir);
    std::sort(paths.begin(), paths.end());
    return paths;
}

bool hasTemporaryName(const std::string& path) {
    return isPartialCopyName(lastPathComponent(path));
}

// Removes the temporaries an interrupted run left; answers how many there were.
size_t removeTemporaries(const RunRecord& run) {
    size_t removed = 0;
    for (const std::string& temporary : run.temporaries) {
        struct stat status;
        if (!hasTemporaryName(temporary) || !componentsBelow(run.destination, temporary) ||
            ::lstat(temporary.c_str(), &status) != 0)
            continue;
        if (std::optional<CopyFailure> failure = removeTree(temporary)) {
            logMessage(LOG_WARN, "Couldn't remove temporary copy '%s' (fsr='%s'): %s",
                       safeCString(temporary).c_str(), temporary.c_str(), failure->text.c_str());
            continue;
        }
        ++removed;
    }
    return removed;
}

} // namespace

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

std::optional<RunRecord> readRun(const std::string& journalPath, bool whole) {
    std::ifstream in(journalPath, std::ios::binary);
    std::string text;
    if (!in || !std::getline(in, text))
        return std::nullopt;
    RunRecord run;
    run.journalPath = journalPath;
    const std::string name = lastPathComponent(journalPath);
    run.id = name.substr(0, name.rfind(journal::kExtension));
    std::map<size_t, std::string> sources;
    const json first = json::parse(text, nullptr, false);
    if (first.is_discarded() || !applyLine(run, first, whole, sources))
        return std::nullopt;

    if (!whole) {
        in.seekg(0, std::ios::end);
        const std::streamoff size = in.tellg();
        const std::streamoff next = static_cast<std::streamoff>(text.size()) + 1;
        if (size - next > kTailBytes) {
            in.seekg(size - kTailBytes);
            std::getline(in, text); // the rest of a line begun before
        } else {
            in.seekg(next);
        }
    }
    while (std::getline(in, text)) {
        // A line cut short by a crash is no line.
        const json line = json::parse(text, nullptr, false);
        if (!line.is_discarded() && line.is_object())
            applyLine(run, line, whole, sources);
    }
    if (whole && run.state == RunRecord::State::kRunning)
        run.counts.copied = run.copies.size();
    return run;
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
    for (RunRecord& run : listRuns(folder))
        if (run.state != RunRecord::State::kRunning)
            return std::move(run);
    return std::nullopt;
}

std::optional<std::vector<std::string>> componentsBelow(const std::string& root,
                                                        const std::string& path) {
    std::string prefix = root;
    while (prefix.size() > 1 && prefix.back() == '/')
        prefix.pop_back();
    if (prefix != "/")
        prefix += '/';
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    std::vector<std::string> components;
    size_t start = prefix.size();
    for (;;) {
        const size_t slash = path.find('/', start);
        std::string part =
            path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part.empty() || part == "." || part == "..")
            return std::nullopt;
        components.push_back(std::move(part));
        if (slash == std::string::npos)
            return components;
        start = slash + 1;
    }
}

bool appendToJournal(int journalFd, const std::string& line) {
    return writeFully(journalFd, line.data(), line.size()) && ::fdatasync(journalFd) == 0;
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
        // or another clean-up at work) from one whose writer is gone.
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;
        }
        std::optional<RunRecord> run = readRun(path, true);
        if (run && run->state == RunRecord::State::kRunning) {
            const size_t removed = removeTemporaries(*run);
            const json line = {
                {"type", "interrupted"},        {"temporariesRemoved", removed},
                {"copied", run->counts.copied}, {"skipped", run->counts.skipped},
                {"errors", run->counts.errors}, {"at", journal::timeText(time(nullptr))}};
            if (!appendToJournal(fd, journal::lineText(line)))
                logMessage(LOG_WARN,
                           "Couldn't mark the run journal '%s' (fsr='%s') as interrupted: %d-%s",
                           safeCString(path).c_str(), path.c_str(), errno, std::strerror(errno));
            ++interrupted.runs;
            interrupted.temporariesRemoved += removed;
            ended.push_back(path);
        }
        ::close(fd);
    }
    if (interrupted.runs > 0)
        logMessage(LOG_INFO,
                   "Cleaned up after %zu interrupted run(s): %zu temporary copies removed",
                   interrupted.runs, interrupted.temporariesRemoved);

    std::sort(ended.begin(), ended.end());
    for (size_t index = 0; index + kKeptRuns < ended.size(); ++index)
        ::unlink(ended[index].c_str());
    return interrupted;
}

std::string interruptedRunsNote(const InterruptedRuns& interrupted) {
    if (interrupted.temporariesRemoved == 1)
        return "A previous run was interrupted; 1 temporary copy was removed";
    return "A previous run was interrupted; " + std::to_string(interrupted.temporariesRemoved) +
           " temporary copies were removed";
}

} // namespace orvane
