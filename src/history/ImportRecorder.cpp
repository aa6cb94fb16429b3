#include "history/ImportRecorder.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/RunResult.h"
#include "history/DestinationIndex.h"
#include "merge/RunDestinations.h"
#include "naming/FileKind.h"
#include "platform/FileDescriptor.h"
#include "platform/RemoteSources.h"
#include "platform/UserDefaults.h"
#include "prefs/PrefKeys.h"

#include <ctime>
#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace orvane {
namespace {

// Published copies are recorded in batches of this many, each one transaction.
constexpr size_t kBatch = 256;

// SQLite's name for a database that lives in this connection's memory and ends with it.
constexpr const char* kRunOnlyHistory = ":memory:";

int64_t nanoseconds(const struct timespec& time) {
    return static_cast<int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

// The bytes of the source opened as the plan saw it, hashed by `hash`, or none.
template <typename Hash>
std::optional<ContentHash> hashSource(const std::string& source, const struct stat& status,
                                      Hash hash) {
    struct stat opened;
    const UniqueFd fd = openSourceFile(AT_FDCWD, source.c_str(), &opened);
    if (fd.get() < 0 || opened.st_ino != status.st_ino || opened.st_dev != status.st_dev ||
        opened.st_size != status.st_size)
        return std::nullopt;
    return hash(fd.get(), opened.st_size);
}

CopyStamp copyStampOf(const struct stat& status) {
    return {static_cast<int64_t>(status.st_dev), static_cast<int64_t>(status.st_ino),
            static_cast<int64_t>(status.st_size), nanoseconds(status.st_mtim)};
}

// Whether the copy a record names is still the file this program made: then it stands for
// the source without a byte of either being read, as a quick re-import needs.
bool copyUnchanged(const ImportRecord& record) {
    struct stat now;
    return record.copy && ::lstat(record.destination.c_str(), &now) == 0 && S_ISREG(now.st_mode) &&
           copyStampOf(now) == *record.copy;
}

} // namespace

std::string importedBeforeText(const ImportRecord& record) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const time_t when = static_cast<time_t>(record.imported);
    struct tm local = {};
    localtime_r(&when, &local);
    std::string folder = deletingLastPathComponent(record.destination);
    if (folder.size() > record.root.size() &&
        folder.compare(0, record.root.size() + 1, record.root + "/") == 0)
        folder = "…" + folder.substr(record.root.size());
    return std::string(skip::kImportedBefore) + " on " + std::to_string(local.tm_mday) + " " +
           kMonths[local.tm_mon % 12] + " " + std::to_string(local.tm_year + 1900) + " into " +
           folder;
}

std::string runIdFor(const std::string& journalPath) {
    if (!journalPath.empty()) {
        std::string name = lastPathComponent(journalPath);
        return name.substr(0, name.rfind('.'));
    }
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm utc;
    gmtime_r(&now.tv_sec, &utc);
    char text[40];
    const size_t length = std::strftime(text, sizeof text, "%Y%m%dT%H%M%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%03ldZ-%ld", now.tv_nsec / 1000000,
                  static_cast<long>(::getpid()));
    return text;
}

void forgetUndoneCopies(const std::string& historyFile, const std::string& run,
                        const std::vector<std::string>& removed) {
    if (historyFile.empty() || removed.empty())
        return;
    std::string problem;
    std::unique_ptr<ImportHistory> history = ImportHistory::open(historyFile, problem);
    if (!history) {
        logMessage(LOG_WARN, "%s", historyProblemNote(problem).c_str());
        return;
    }
    (void)history->forgetRun(run, &removed);
}

std::unique_ptr<ImportRecorder> ImportRecorder::start(const std::string& file, Options options,
                                                      std::vector<std::string>& notes) {
    // Without a history the destination's index still finds copies anywhere: it is kept in
    // memory for this run alone, where no earlier import is known and nothing is kept.
    if (file.empty() && !options.skipCopiesAnywhere)
        return nullptr;
    if (file.empty())
        options.ignoreHistory = true;
    std::string problem;
    std::unique_ptr<ImportHistory> history =
        ImportHistory::open(file.empty() ? kRunOnlyHistory : file, problem);
    if (!problem.empty())
        notes.push_back(historyProblemNote(problem));
    if (!history)
        return nullptr;
    return std::unique_ptr<ImportRecorder>(
        new ImportRecorder(std::move(history), std::move(options), notes));
}

std::unique_ptr<ImportRecorder> ImportRecorder::forPlan(const std::string& file,
                                                        const std::string& destination,
                                                        const UserDefaults& rules,
                                                        std::vector<std::string>& notes) {
    Options options;
    options.destination = destination;
    options.ignoreHistory = rules.boolForKey(keys::kIgnoreImportHistory);
    options.skipCopiesAnywhere = rules.boolForKey(keys::kSkipCopiesAnywhere);
    options.wholeContents = rules.boolForKey(keys::kCompareWholeContents);
    options.videoDestination = runDestinationsOf(rules, destination).videos;
    return start(file, std::move(options), notes);
}

ImportRecorder::ImportRecorder(std::unique_ptr<ImportHistory> history, Options options,
                               std::vector<std::string>& notes)
    : history_(std::move(history)), options_(std::move(options)), notes_(notes) {}

ImportRecorder::~ImportRecorder() {
    flush();
}

void ImportRecorder::failed(const std::string& problem) {
    if (!broken_)
        notes_.push_back(historyProblemNote(problem, history_->failedAccess()));
    broken_ = true;
    records_.clear();
    pending_.clear();
    published_.clear();
    index_.reset();
    videoIndex_.reset();
}

bool ImportRecorder::goesApart(const std::string& source) const {
    return !options_.videoDestination.empty() &&
           fileKindOf(lastPathComponent(source)) == std::string_view(kVideosKind);
}

const std::string& ImportRecorder::rootOf(const std::string& copy) const {
    const std::string& videos = options_.videoDestination;
    const bool belowVideos = !videos.empty() && copy.size() > videos.size() + 1 &&
                             copy.compare(0, videos.size() + 1, videos + "/") == 0;
    // The video destination may lie inside the destination: the nearer root holds the copy.
    const std::string& main = options_.destination;
    const bool belowMain = copy.size() > main.size() + 1 &&
                           copy.compare(0, main.size(), main) == 0 && copy[main.size()] == '/';
    return belowVideos && (!belowMain || videos.size() >= main.size()) ? videos : main;
}

void ImportRecorder::prepare(const std::vector<std::string>& fileList) {
    if (!options_.skipCopiesAnywhere || broken_)
        return;
    std::set<int64_t> sizes, videoSizes;
    for (const std::string& path : fileList) {
        struct stat status;
        if (::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode))
            (goesApart(path) ? videoSizes : sizes).insert(status.st_size);
    }
    auto indexBelow = [&](const std::string& root, const std::set<int64_t>& ofSizes) {
        std::optional<DestinationIndex> index = DestinationIndex::refresh(*history_, root, ofSizes);
        if (!index || !index->save(*history_))
            return std::unique_ptr<DestinationIndex>();
        return std::make_unique<DestinationIndex>(std::move(*index));
    };
    index_ = indexBelow(options_.destination, sizes);
    if (index_ && !videoSizes.empty())
        videoIndex_ = indexBelow(options_.videoDestination, videoSizes);
    if (!index_ || (!videoSizes.empty() && !videoIndex_))
        failed(history_->error());
}

std::optional<PriorCopy> ImportRecorder::priorCopy(size_t entry, const std::string& source,
                                                   const struct stat& status) {
    if (broken_ || !S_ISREG(status.st_mode))
        return std::nullopt;
    // A camera's file is known by the camera's serial number, not by the port it is on today.
    RemoteSources* remote = isCameraPath(source) ? remoteSources() : nullptr;
    const VolumePlace place =
        remote ? remote->placeOf(source) : volumes_.placeOf(source, status.st_dev);
    Pending& pending = pending_[entry];
    pending.source = {place.volume, place.path, static_cast<int64_t>(status.st_size),
                      nanoseconds(status.st_mtim)};
    if (!options_.ignoreHistory && !options_.importAgain.count(source)) {
        const std::optional<ImportRecord> last = history_->latest(pending.source);
        if (!last && !history_->error().empty()) {
            failed(history_->error());
            return std::nullopt;
        }
        // With wholeContents the quick look is not trusted: only the hash of all of the
        // source's bytes, as the history keeps it, tells a file imported before.
        if (last && last->full && options_.wholeContents)
            if (std::optional<ContentHash> full = hashSource(source, status, fullHashOf);
                full && *full == *last->full) {
                pending_.erase(entry);
                return PriorCopy{importedBeforeText(*last), last->destination};
            }
        if (last && !options_.wholeContents && copyUnchanged(*last)) {
            pending_.erase(entry);
            return PriorCopy{importedBeforeText(*last), last->destination};
        }
        if (last && !options_.wholeContents)
            if (std::optional<ContentHash> edges = hashSource(source, status, edgeHashOf))
                if (std::optional<ImportRecord> record = history_->find(pending.source, *edges)) {
                    pending_.erase(entry);
                    return PriorCopy{importedBeforeText(*record), record->destination};
                }
    }
    const bool apart = goesApart(source);
    const DestinationIndex* index = apart ? videoIndex_.get() : index_.get();
    if (index && index->hasSize(status.st_size))
        if (std::optional<ContentHash> full = hashSource(source, status, fullHashOf))
            if (std::optional<std::string> found = index->find(status.st_size, *full)) {
                pending_.erase(entry);
                return PriorCopy{
                    "Already in destination as " + *found,
                    appendPathComponent(apart ? options_.videoDestination : options_.destination,
                                        *found)};
            }
    return std::nullopt;
}

void ImportRecorder::entryHashed(size_t entry, const ContentHash& full, const ContentHash& edges) {
    auto it = pending_.find(entry);
    if (it == pending_.end())
        return;
    it->second.full = full;
    it->second.edges = edges;
}

void ImportRecorder::entryPublished(EntryCopy copy, const std::string& destination,
                                    const struct stat& published) {
    if (copy.copy != 0)
        return;
    auto it = pending_.find(copy.entry);
    if (it == pending_.end())
        return;
    if (it->second.edges && !broken_) {
        const std::string& root = rootOf(destination);
        records_.push_back({std::move(it->second.source), *it->second.edges, it->second.full,
                            destination, root, options_.run, static_cast<int64_t>(time(nullptr)),
                            copyStampOf(published)});
        DestinationIndex* index = &root == &options_.destination ? index_.get() : videoIndex_.get();
        if (index && it->second.full)
            published_.push_back({index, destination, published, *it->second.full});
    }
    pending_.erase(it);
    if (records_.size() >= kBatch)
        flush();
}

void ImportRecorder::entryFoundAt(size_t entry, const std::string&, const std::string& existing) {
    auto it = pending_.find(entry);
    struct stat found;
    if (it == pending_.end() || broken_ || ::lstat(existing.c_str(), &found) != 0 ||
        !S_ISREG(found.st_mode))
        return;
    // The file holds the entry's bytes, byte for byte: its edges are the source's.
    const std::optional<ContentHash> edges = hashSource(existing, found, edgeHashOf);
    if (!edges)
        return;
    records_.push_back({std::move(it->second.source), *edges, std::nullopt, existing,
                        rootOf(existing), options_.run, static_cast<int64_t>(time(nullptr)),
                        copyStampOf(found)});
    pending_.erase(it);
    if (records_.size() >= kBatch)
        flush();
}

void ImportRecorder::entrySkipped(size_t entry, const std::string&, const std::string&) {
    pending_.erase(entry);
}

void ImportRecorder::entryFailed(size_t entry, const std::string&, const std::string&) {
    pending_.erase(entry);
}

void ImportRecorder::runEnded(bool, const RunCounts&) {
    flush();
    if (!broken_)
        for (const PublishedCopy& copy : published_)
            copy.index->add(copy.path, copy.status, copy.hash);
    published_.clear();
    for (DestinationIndex* index : {index_.get(), videoIndex_.get()})
        if (index && !broken_ && !index->save(*history_))
            failed(history_->error());
}

void ImportRecorder::flush() {
    if (broken_ || records_.empty())
        return;
    if (!history_->add(records_))
        failed(history_->error());
    records_.clear();
}

} // namespace orvane
