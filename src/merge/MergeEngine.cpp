#include "merge/MergeEngine.h"

#include "base/ErrorFormat.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/RunStatus.h"
#include "base/StringHelpers.h"
#include "dates/ExifDate.h"
#include "dates/ExtendedDate.h"
#include "merge/CopyPool.h"
#include "merge/NameClash.h"
#include "merge/RunDestinations.h"
#include "merge/SourceRemoval.h"
#include "platform/PartialCopies.h"
#include "platform/RemoteSources.h"
#include "platform/StoredReads.h"
#include "platform/UserDefaults.h"
#include "prefs/DateRendering.h"
#include "prefs/DatingPrefs.h"
#include "prefs/PrefKeys.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cxxabi.h>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <typeinfo>
#include <unistd.h>

namespace orvane {
namespace {

std::string demangledTypeName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 && name ? name.get() : type.name();
}

RunCounts countsOf(const RunResult& result) {
    return {result.resCopiedFiles.size(), result.resSkippedFiles.size(),
            result.resErrorFiles.size()};
}

std::string describeErrorInfo(const CopyErrorInfo& info) {
    std::string out = "{";
    for (const auto& [key, value] : info)
        out += key + " = \"" + safeCString(value) + "\"; ";
    return out + "}";
}

// A copier's text names the temporary copy; the user knows only the final name.
std::string namingFinalPath(std::string text, const std::string& temporary,
                            const std::string& destination) {
    for (size_t at = text.find(temporary); at != std::string::npos;
         at = text.find(temporary, at + destination.size()))
        text.replace(at, temporary.size(), destination);
    return text;
}

// A copy cheap enough that handing it to a copy thread costs as much as making it.
bool isSmallCopy(const CopyJob& job) {
    constexpr off_t kSmallCopy = 64 * 1024;
    return S_ISREG(job.status.st_mode) && job.status.st_size <= kSmallCopy && job.fetched.empty();
}

// A file a pending copy made: its temporary and the name it is to take.
struct MadeFile {
    const std::string* temporary;
    const std::string* destination;
};

// The files an entry's copy made, the destination's first (none when only the backups
// lacked the entry), then each backup's.
std::vector<MadeFile> madeFilesOf(const PendingCopy& copy) {
    std::vector<MadeFile> made;
    if (!copy.temporary.empty())
        made.push_back({&copy.temporary, &copy.destination});
    for (const BackupCopy& backup : copy.backups)
        made.push_back({&backup.temporary, &backup.destination});
    return made;
}

} // namespace

MergeEngine::MergeEngine(const UserDefaults& defaults, RunStatus& status, RunResult& result)
    : defaults_(defaults), status_(status), result_(result), dater_(datingRulesOf(defaults)) {}

void MergeEngine::prepareRun(const PathList& fileList, time_t runStart) {
    dater_.setRules(datingRulesOf(defaults_));
    dater_.prepareRun(fileList, runStart);
    namer_.prepare(defaults_, toPath_, dater_.pairs(), fileSystemType_);
    dater_.setWantsCamera(namer_.wantsCamera());
}

void MergeEngine::mergeFiles(const PathList& fileList, const std::string& treeRoot,
                             const ListedStatuses* statuses) {
    toPath_ = treeRoot;
    prepareRun(fileList, time(nullptr));
    result_.timeSettings = dater_.rules().time;
    // The report's readers, in the window too, see what the dates were corrected by.
    if (const std::string applied = timeSettingsSummary(result_.timeSettings); !applied.empty())
        result_.notes.push_back("Dates: " + applied + ".");
    result_.destination = treeRoot;
    const RunDestinations destinations = runDestinationsOf(defaults_, treeRoot);
    backups_ = destinations.backups;
    videoRoot_ = destinations.videos;
    result_.backups = backups_;
    // Freeing the sources trusts only copies read back from the disk.
    const bool moving = defaults_.boolForKey(keys::kMoveOriginals);
    verifyCopies_ = moving || defaults_.boolForKey(keys::kVerifyCopies);
    result_.verifying = verifyCopies_;
    result_.moving = moving;
    clock_gettime(CLOCK_REALTIME, &runStartedAt_);
    checkedFolders_.clear();
    const DateLocale locale;
    PublishBatch batch(
        result_, [this](const PendingCopy& copy) { return publish(copy); },
        [this](const PendingCopy& copy, const CopyFailure& failure) {
            if (!copy.temporary.empty())
                discardPartial(copy.temporary);
            discardBackups(copy.backups);
            return copyFailed(copy.source, copy.destination, failure);
        },
        batchEntries_);
    if (verifyCopies_)
        batch.setVerifier(
            [this](const std::vector<PendingCopy>& copies) { return readBack(copies); });
    std::optional<SourceRemoval> removal;
    if (moving) {
        removal.emplace(result_, observer_, videoRoot_, &dater_.pairs());
        batch.setFlushed([&removal](bool last) { removal->removeFreed(last); });
    }
    if (observer_ || removal)
        batch.setRecorded(
            [this, &removal](size_t entry, const std::string& source, const EntryOutcome& outcome) {
                if (observer_ && outcome.error)
                    observer_->entryFailed(entry, source, *outcome.error);
                else if (observer_ && outcome.alreadyThere) {
                    if (outcome.reason.empty())
                        observer_->entryFoundAt(entry, source, outcome.path);
                    observer_->entrySkipped(entry, source, outcome.skipReason());
                }
                if (removal)
                    removal->consider(entry, source, outcome);
            });
    logMessage(LOG_DEBUG, "Merging paths into tree");

    // Dates are read on other threads while the loop copies; it takes them in list order.
    dater_.startReadingAhead(fileList, statuses);
    // Several copies at once: made on the pool's threads while this loop decides the next
    // entries' names; outcomes are taken back in list order.
    std::optional<CopyPool> pool;
    if (copyJobs_ > 1)
        pool.emplace(copyJobs_);
    pool_ = pool ? &*pool : nullptr;
    // Many entries of one name would otherwise each look at every numbered name before theirs.
    NameClashCache nameClashes;
    nameClashes_ = &nameClashes;
    batch_ = &batch;
    struct Detach {
        MergeEngine& engine;
        ~Detach() {
            engine.underway_.clear(); // empty unless an exception left the loop
            engine.underwayNames_.clear();
            engine.underwayCopies_ = engine.underwayLargeCopies_ = 0;
            engine.notStarted_ = 0;
            engine.pool_ = nullptr;
            engine.nameClashes_ = nullptr;
            engine.batch_ = nullptr;
            engine.dater_.stopReadingAhead();
        }
    } detach{*this};

    for (size_t index = 0; index < fileList.size(); ++index) {
        entryIndex_ = index;
        dater_.setCurrentEntry(index);
        {
            std::unique_lock lock(status_.statusLock);
            if (status_.mergeState == kMergeCancelRequested) {
                // The entries begun are finished: their copies are made and published first.
                lock.unlock();
                collect(batch, true);
                batch.finish();
                lock.lock();
                for (size_t rest = index; rest < fileList.size(); ++rest) {
                    result_.recordSkipped(fileList[rest], skip::kMergeAborted);
                    logMessage(LOG_DEBUG, "Skipping merge of '%s' due to user-cancel.",
                               safeCString(fileList[rest]).c_str());
                }
                status_.mergeState = kMergeCancelled;
                result_.nextSequenceNumber = namer_.nextStored();
                lock.unlock();
                if (observer_) {
                    for (size_t rest = index; rest < fileList.size(); ++rest)
                        observer_->entrySkipped(rest, fileList[rest], skip::kMergeAborted);
                    observer_->runEnded(true, countsOf(result_));
                }
                return;
            }
            ++status_.filesDone;
        }

        const std::string& source = fileList[index];
        try {
            processEntry(index, source, locale, batch);
        } catch (...) {
            endEntry(index, source, exceptionOutcome(source, std::current_exception()), batch);
        }
        collect(batch, false);
        if (batch.due())
            batch.flush();
    }
    collect(batch, true);

    batch.finish();
    {
        std::lock_guard lock(status_.statusLock);
        result_.nextSequenceNumber = namer_.nextStored();
    }
    if (observer_)
        observer_->runEnded(false, countsOf(result_));
    logMessage(LOG_DEBUG, "Merge complete. Signalling main thread");
    std::lock_guard lock(status_.statusLock);
    status_.filesDone = static_cast<int>(fileList.size()) + 1;
}

std::optional<EntryPlan> MergeEngine::planEntry(const std::string& source, const DateLocale& locale,
                                                std::string& error, const std::string& readFrom,
                                                const struct stat* known) const {
    EntryPlan plan;
    struct stat& status = plan.status;
    const std::string& readable = readFrom.empty() ? source : readFrom;
    if (known)
        status = *known;
    else if (::stat(readable.c_str(), &status) != 0) {
        const int err = errno;
        error = fillPlaceholders("Original not found: %s", std::strerror(err), "");
        logMessage(LOG_WARN, "Couldn't read attributes for path '%s' (fsr='%s'): %d-%s",
                   safeCString(source).c_str(), source.c_str(), err, std::strerror(err));
        return std::nullopt;
    }

    if (!namer_.prepared()) // planned without prepareRun: named as a run of this one entry
        namer_.prepare(defaults_, toPath_, dater_.pairs(), fileSystemType_);
    const EntryDate dated = dater_.dateOf(readable, status);
    const time_t date = dated.date;
    plan.date = date;
    plan.datedBy = dated.datedBy;
    plan.checkDate = dated.checkDate;

    struct tm calendarDate;
    if (!localtime_r(&date, &calendarDate)) {
        error = "The file's date (" + std::to_string(static_cast<long long>(date)) +
                " seconds since 1970) is outside the calendar's range";
        logMessage(LOG_WARN, "Date %lld of '%s' can't be converted to local time",
                   static_cast<long long>(date), safeCString(source).c_str());
        return std::nullopt;
    }
    const std::string camera =
        namer_.wantsCamera() ? dater_.cameraOf(readable, status, dated) : std::string();
    const EntryNamer::CameraOf partnerCamera = [this](const std::string& partner) {
        return dater_.cameraOf(partner);
    };
    // A capture after midnight may belong to the day before: its folder and its {seq} day.
    const std::optional<EntryPlace> place =
        namer_.place(source, status, {date, dater_.folderDateOf(date)}, camera, partnerCamera,
                     locale, error, readFrom);
    if (!place) {
        logMessage(LOG_WARN, "No place inside '%s' for '%s': %s", safeCString(toPath_).c_str(),
                   safeCString(source).c_str(), safeCString(error).c_str());
        return std::nullopt;
    }
    plan.levels = place->levels;
    plan.root = place->root;
    plan.dateFolder = place->folder;
    plan.destinationFolder = appendPathComponent(plan.root, plan.dateFolder);
    plan.destination = appendPathComponent(plan.destinationFolder, place->name);
    return plan;
}

void MergeEngine::processEntry(size_t index, const std::string& source, const DateLocale& locale,
                               PublishBatch& batch) {
    logMessage(LOG_DEBUG, "Beginning copy for original file '%s'", source.c_str());

    // A camera's file is downloaded first: its date is in its data. The download stays the
    // entry's until it is handed to its copy job.
    struct Fetched {
        std::string path;
        ~Fetched() {
            if (!path.empty())
                discardPartial(path);
        }
    } fetched;
    if (isCameraPath(source)) {
        if (ErrorText error = fetchRemote(index, source, fetched.path)) {
            endEntry(index, source, EntryOutcome::failed(*error), batch);
            return;
        }
    }

    // The source's status, read once: the import history is asked with it before the file
    // is dated, so that a re-import reads no file for its date, and the plan takes it over.
    // A camera's file is asked about once its download is planned.
    struct stat status;
    const bool statted = fetched.path.empty() && ::stat(source.c_str(), &status) == 0;
    auto askPrior = [&](const struct stat& entryStatus) {
        std::optional<PriorCopy> prior;
        if (prior_ && S_ISREG(entryStatus.st_mode))
            prior = prior_->priorCopy(index, source, entryStatus);
        if (prior)
            endEntry(index, source,
                     EntryOutcome::skippedAs(std::move(prior->reason), std::move(prior->path)),
                     batch);
        return prior.has_value();
    };
    if (statted && askPrior(status))
        return;

    std::string planError;
    const std::optional<EntryPlan> plan =
        planEntry(source, locale, planError, fetched.path, statted ? &status : nullptr);
    if (!plan) {
        endEntry(index, source, EntryOutcome::failed(planError), batch);
        return;
    }
    if (hooks_.afterPlan)
        hooks_.afterPlan(source);
    if (!statted && askPrior(plan->status))
        return;

    // A date folder found fit before had its levels checked then, and no copy decided since
    // can go to one of them: it found them taken. (A backup's levels may have failed then.)
    std::vector<std::string> folderLevels;
    if (!backups_.empty() || !checkedFolders_.count(plan->destinationFolder))
        for (std::string level = plan->destinationFolder;
             folderLevels.size() < static_cast<size_t>(plan->levels);
             level = deletingLastPathComponent(level))
            folderLevels.insert(folderLevels.begin(), level);
    // Copies made at once with this entry that go to the same name end first, so that its
    // name is decided as in a run of one entry at a time (publishing would decide again, but
    // only after copying data that may be found there already).
    auto takenByUnderway = [&](const std::string& path) { return underwayGoesTo(path); };
    if (takenByUnderway(plan->destination) ||
        std::any_of(folderLevels.begin(), folderLevels.end(), takenByUnderway))
        collect(batch, true);
    // A copy still waiting for its final name must take it first, as it would have in a
    // run of one entry at a time, so that this entry sees the same destination.
    if (batch.holdsDestination(plan->destination) ||
        std::any_of(folderLevels.begin(), folderLevels.end(),
                    [&](const std::string& level) { return batch.holdsDestination(level); }))
        batch.flushNow();
    for (const std::string& level : folderLevels) {
        if (ErrorText error = assertDirectoryPresent(level)) {
            endEntry(index, source, EntryOutcome::failed(error), batch);
            return;
        }
    }
    // Each backup gets the same folders.
    for (const std::string& level : folderLevels)
        for (const std::string& backupLevel : inBackups(level))
            if (ErrorText error = assertDirectoryPresent(backupLevel)) {
                endEntry(index, source, EntryOutcome::failed(error), batch);
                return;
            }

    // A folder below another root than the destination (videos sent apart) is kept whole.
    result_.resCopiedDict[source] = plan->root == toPath_
                                        ? plan->dateFolder
                                        : appendPathComponent(plan->root, plan->dateFolder);
    result_.resDatingDict[source] = EntryDating{plan->datedBy, plan->checkDate};
    if (S_ISREG(plan->status.st_mode))
        status_.bytesDone.fetch_add(static_cast<uint64_t>(plan->status.st_size),
                                    std::memory_order_relaxed);
    std::optional<CopyJob> job;
    EntryOutcome outcome =
        decideCopy(index, source, plan->destination, plan->status, job, fetched.path);
    if (job) {
        fetched.path.clear();
        startCopyOf(std::move(*job));
    } else
        endEntry(index, source, std::move(outcome), batch);
}

void MergeEngine::endEntry(size_t index, const std::string& source, EntryOutcome outcome,
                           PublishBatch& batch) {
    if (underway_.empty()) {
        batch.beginEntry(index);
        batch.addOutcome(source, std::move(outcome));
        return;
    }
    // Waits for the entries before it.
    underway_.push_back({index, source, std::move(outcome), std::nullopt, {}});
}

void MergeEngine::startCopyOf(CopyJob job) {
    // With copy threads, small copies are handed over a few at once, after their intents
    // were put on record in one go.
    constexpr size_t kHandedOverTogether = 16;
    const bool small = isSmallCopy(job);
    underway_.push_back({job.entry, job.source, std::nullopt, std::move(job), {}});
    trackUnderway(underway_.back(), true);
    ++notStarted_;
    if (!pool_ || !small || notStarted_ >= kHandedOverTogether)
        startWaitingCopies();
}

void MergeEngine::startWaitingCopies() {
    if (notStarted_ == 0)
        return;
    // No temporary is made before the intent that names it is on record.
    if (observer_)
        observer_->beforeMakingTemporaries();
    for (Underway& entry : underway_) {
        if (!entry.job || entry.made.valid())
            continue;
        if (pool_) {
            entry.made = pool_->run<MadeCopy>([this, job = *entry.job] {
                LogDeferral deferral;
                try {
                    MadeCopy made = makeCopy(job);
                    made.log = deferral.take();
                    return made;
                } catch (...) {
                    writeDeferredLog(deferral.take()); // out of turn rather than lost
                    throw;
                }
            });
        } else {
            std::promise<MadeCopy> made;
            try {
                made.set_value(makeCopy(*entry.job));
            } catch (...) {
                made.set_exception(std::current_exception());
            }
            entry.made = made.get_future();
        }
    }
    notStarted_ = 0;
}

void MergeEngine::collect(PublishBatch& batch, bool all) {
    // Bounds the copies under way and the outcomes waiting behind the oldest of them.
    constexpr size_t kMaxWaiting = 256;
    // Small copies queue up for the copy threads beyond one a thread: waiting for each of them
    // costs two hand-overs between threads, more than copying a small file does.
    constexpr size_t kQueuedSmallCopies = 64;
    while (!underway_.empty()) {
        Underway& oldest = underway_.front();
        if (oldest.job && !all) {
            const size_t copies = underwayCopies_;
            const size_t limit = underwayLargeCopies_ == 0
                                     ? std::max<size_t>(copyJobs_, kQueuedSmallCopies)
                                     : copyJobs_;
            const bool ready =
                oldest.made.valid() &&
                oldest.made.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
            if (!ready && copies < limit && underway_.size() < kMaxWaiting)
                return;
        }
        if (oldest.job && !oldest.made.valid())
            startWaitingCopies();
        trackUnderway(oldest, false);
        Underway entry = std::move(oldest);
        underway_.pop_front();
        batch.beginEntry(entry.entry);
        if (entry.outcome) {
            batch.addOutcome(entry.source, std::move(*entry.outcome));
        } else {
            std::optional<PendingCopy> copy;
            EntryOutcome outcome;
            try {
                MadeCopy made = entry.made.get();
                writeDeferredLog(made.log);
                outcome = finishCopy(*entry.job, std::move(made), copy);
            } catch (...) {
                outcome = exceptionOutcome(entry.source, std::current_exception());
            }
            if (copy)
                batch.addCopy(std::move(*copy));
            else
                batch.addOutcome(entry.source, std::move(outcome));
        }
        if (batch.due())
            batch.flush();
    }
}

void MergeEngine::trackUnderway(const Underway& entry, bool added) {
    if (!entry.job)
        return;
    const std::hash<std::string> hashOf;
    for (const std::string* name : {&entry.job->target, &entry.job->plannedDestination}) {
        if (added)
            underwayNames_.insert(hashOf(*name));
        else if (auto found = underwayNames_.find(hashOf(*name)); found != underwayNames_.end())
            underwayNames_.erase(found);
    }
    const bool large = !isSmallCopy(*entry.job);
    if (added) {
        ++underwayCopies_;
        underwayLargeCopies_ += large;
    } else {
        --underwayCopies_;
        underwayLargeCopies_ -= large;
    }
}

bool MergeEngine::underwayGoesTo(const std::string& path) const {
    return underwayNames_.count(std::hash<std::string>{}(path)) != 0;
}

EntryOutcome MergeEngine::exceptionOutcome(const std::string& source,
                                           std::exception_ptr error) const {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        logMessage(LOG_ERR, "Got exception %s while copying file '%s': %s (userinfo=%s)",
                   demangledTypeName(typeid(e)).c_str(), safeCString(source).c_str(), e.what(),
                   "(null)");
        return EntryOutcome::failed(std::string("Exception occurred: ") + e.what());
    } catch (...) {
        logMessage(LOG_ERR, "Got exception %s while copying file '%s': %s (userinfo=%s)", "unknown",
                   safeCString(source).c_str(), "unknown exception", "(null)");
        return EntryOutcome::failed(std::string("Exception occurred: unknown exception"));
    }
}

ErrorText MergeEngine::checkExistingFolder(const std::string& path, const struct statx& status,
                                           bool madeMeanwhile) {
    if (S_ISLNK(status.stx_mode)) {
        // A link may lead anywhere, outside the destination too, where copies would be
        // neither the user's library nor undone with the run: never followed.
        logMessage(LOG_WARN, "Date folder '%s' (fsr='%s') is a link; not following it",
                   safeCString(path).c_str(), path.c_str());
        return std::string(kLinkedDateFolder);
    } else if (observer_ && S_ISDIR(status.stx_mode) &&
               (madeMeanwhile ||
                ((status.stx_mask & STATX_BTIME) &&
                 (status.stx_btime.tv_sec > runStartedAt_.tv_sec ||
                  (status.stx_btime.tv_sec == runStartedAt_.tv_sec &&
                   static_cast<long>(status.stx_btime.tv_nsec) >= runStartedAt_.tv_nsec))))) {
        observer_->folderCreated(path);
    }
    // A link's own device is not that of the folder it leads to: the batch reads that one.
    if (S_ISDIR(status.stx_mode) && batch_)
        batch_->noteFolder(path, makedev(status.stx_dev_major, status.stx_dev_minor));
    checkedFolders_.insert(path);
    return std::nullopt;
}

ErrorText MergeEngine::assertDirectoryPresent(const std::string& path) {
    if (checkedFolders_.count(path))
        return std::nullopt;
    const std::string shown = safeCString(path);
    struct statx status;
    auto look = [&] {
        return ::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME,
                       &status) == 0;
    };
    // Below a folder this run made, a level is made without a look first: it cannot be
    // there unless made meanwhile, which the making finds.
    if (!nameClashes_ || !nameClashes_->madeFolder(deletingLastPathComponent(path))) {
        if (look())
            return checkExistingFolder(path, status);
        if (const int err = errno; err != ENOENT) {
            logMessage(LOG_WARN,
                       "Couldn't read attributes for destination directory '%s' (fsr='%s'): "
                       "%d-%s",
                       shown.c_str(), path.c_str(), err, std::strerror(err));
            return fillPlaceholders("Couldn't find destination directory '%@': %s",
                                    errorDetailFileNameForDestPath(path), std::strerror(err));
        }
    }
    if (::mkdir(path.c_str(), 0777) == 0) {
        logMessage(LOG_DEBUG, "Created destination folder '%s' (fsr='%s')", shown.c_str(),
                   path.c_str());
        // Read once, for the record and for the flushes of the batches that go into it.
        struct stat made;
        const bool known = ::lstat(path.c_str(), &made) == 0 && S_ISDIR(made.st_mode);
        if (known && batch_)
            batch_->noteFolder(path, made.st_dev);
        if (observer_)
            observer_->folderCreated(path, known ? &made : nullptr);
        if (known && nameClashes_)
            nameClashes_->folderMade(path);
        checkedFolders_.insert(path);
        return std::nullopt;
    }
    const int err = errno;
    // Made meanwhile by someone else (another run into the same destination): present.
    if (err == EEXIST && look())
        return checkExistingFolder(path, status, true);
    logMessage(LOG_WARN, "Couldn't create destination folder '%s' (fsr='%s'): %d-%s", shown.c_str(),
               path.c_str(), err, std::strerror(err));
    return fillPlaceholders("Couldn't create destination directory '%@': %s",
                            errorDetailFileNameForDestPath(path), std::strerror(err));
}

std::string MergeEngine::temporaryNameIn(const std::string& folder) {
    // Short and hidden, so that it fits beside names of any length and is not mistaken for
    // a finished copy.
    // The random part keeps a leftover of a crashed earlier process with the same pid from
    // blocking this one.
    static const std::string prefix = [] {
        unsigned int random = 0;
        if (getrandom(&random, sizeof random, 0) != sizeof random)
            random = static_cast<unsigned int>(time(nullptr));
        char text[64];
        std::snprintf(text, sizeof text, "%s%d-%08x-", std::string(kPartialCopyPrefix).c_str(),
                      static_cast<int>(getpid()), random);
        return std::string(text);
    }();
    static std::atomic<unsigned long> counter{0};
    return appendPathComponent(folder, prefix + std::to_string(++counter));
}

UniqueFd MergeEngine::makeTemporary(const std::string& path, const struct stat& sourceStatus,
                                    FileStamp& made) {
    UniqueFd fd;
    if (S_ISDIR(sourceStatus.st_mode)) {
        if (::mkdir(path.c_str(), 0700) != 0)
            return fd;
        fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    } else {
        fd = UniqueFd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                             sourceStatus.st_mode & 0777));
    }
    struct stat status;
    if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0) {
        // What was made here is left for the caller's removal of the unfinished copy.
        const int err = errno;
        fd.reset();
        errno = err;
        return fd;
    }
    made = FileStamp::of(status);
    // The copy gets the source's size and, as copyAttributes sets it, its modification time.
    made.size = sourceStatus.st_size;
    made.modified = {sourceStatus.st_mtim.tv_sec, sourceStatus.st_mtim.tv_nsec / 1000 * 1000};
    return fd;
}

void MergeEngine::discardPartial(const std::string& partial) {
    if (partial.empty())
        return;
    if (std::optional<CopyFailure> failure = removeTree(partial))
        logMessage(LOG_WARN, "Couldn't remove unfinished copy '%s' (fsr='%s'): %s",
                   safeCString(partial).c_str(), partial.c_str(), failure->text.c_str());
    partial_copies::forget(partial);
}

ErrorText MergeEngine::destinationTaken(const std::string& source, const std::string& destination) {
    logMessage(LOG_WARN,
               "Can't overwrite existing file '%s' (fsr='%s') with source file '%s' (fsr='%s').",
               safeCString(destination).c_str(), destination.c_str(), safeCString(source).c_str(),
               source.c_str());
    return fillPlaceholders("Can't overwrite existing file: %@",
                            errorDetailFileNameForDestPath(destination), "");
}

ErrorText MergeEngine::copyFailed(const std::string& source, const std::string& destination,
                                  const CopyFailure& failure) {
    const std::string shownSource = safeCString(source);
    const std::string shownDestination = safeCString(destination);
    switch (failure.kind) {
    case CopyFailure::Kind::SourceReplaced:
        logMessage(LOG_WARN,
                   "Original file '%s' (fsr='%s') was replaced after it was examined; not "
                   "copied: %s",
                   shownSource.c_str(), source.c_str(), safeCString(failure.text).c_str());
        return fillPlaceholders("Original not found: %s", std::strerror(ENOENT), "");
    case CopyFailure::Kind::SourceChanged:
        logMessage(LOG_WARN, "Original file '%s' (fsr='%s') changed while it was copied: %s",
                   shownSource.c_str(), source.c_str(), safeCString(failure.text).c_str());
        return std::string("The original changed while it was copied; try again");
    case CopyFailure::Kind::Stopped:
        logMessage(LOG_WARN, "Copy of '%s' (fsr='%s') abandoned: the run was stopped",
                   shownSource.c_str(), source.c_str());
        return std::string(skip::kMergeAborted);
    case CopyFailure::Kind::Failed:
        break;
    }
    fileManagerShouldProceedAfterError(failure.errorInfo());
    logMessage(LOG_WARN,
               "Couldn't merge by file-manager-copy for original file '%s' (fsr='%s'), "
               "destination file '%s' (fsr='%s'). Error dict: %s",
               shownSource.c_str(), source.c_str(), shownDestination.c_str(), destination.c_str(),
               describeErrorInfo(*errorDict_).c_str());
    auto it = errorDict_->find("Error");
    return fillPlaceholders("Couldn't copy file to '%@': %@",
                            errorDetailFileNameForDestPath(destination),
                            it != errorDict_->end() ? it->second : "Unknown Error");
}

NameClashDecision MergeEngine::decideName(const std::string& source,
                                          const struct stat& sourceStatus,
                                          const std::string& destination) const {
    const NameClashRules rules{defaults_.boolForKey(keys::kSkipIdenticalFiles),
                               defaults_.boolForKey(keys::kKeepBothOnNameClash)};
    NameClashDecision decision =
        resolveNameClash(source, sourceStatus, destination, rules, nameClashes_);
    if (decision.kind == NameClashDecision::Kind::AlreadyThere)
        logMessage(LOG_DEBUG, "Skipping '%s' (fsr='%s'): '%s' already holds the same contents",
                   safeCString(source).c_str(), source.c_str(), safeCString(decision.path).c_str());
    else if (decision.kind == NameClashDecision::Kind::Free && decision.path != destination)
        logMessage(LOG_DEBUG, "Name '%s' is taken by another file; keeping both as '%s'",
                   safeCString(destination).c_str(), safeCString(decision.path).c_str());
    return decision;
}

NameClashDecision MergeEngine::decideWithBackups(const std::string& source,
                                                 const struct stat& status,
                                                 const std::string& destination,
                                                 std::vector<BackupCopy>& backups,
                                                 bool& destinationHolds) const {
    const NameClashRules rules{defaults_.boolForKey(keys::kSkipIdenticalFiles),
                               defaults_.boolForKey(keys::kKeepBothOnNameClash)};
    std::vector<std::string> paths = inBackups(destination);
    paths.insert(paths.begin(), destination);
    const SharedNameDecision shared = resolveSharedNameClash(source, status, paths, rules);
    if (shared.kind == NameClashDecision::Kind::Taken) {
        // The name of the first place that holds something else is the one to name.
        for (size_t place = 0; place < paths.size(); ++place)
            if (struct stat existing; ::lstat(paths[place].c_str(), &existing) == 0)
                return {shared.kind, paths[place]};
        return {shared.kind, destination};
    }
    if (shared.kind == NameClashDecision::Kind::AlreadyThere)
        logMessage(LOG_DEBUG, "Skipping '%s' (fsr='%s'): '%s' and its backups hold it already",
                   safeCString(source).c_str(), source.c_str(),
                   safeCString(shared.paths[0]).c_str());
    for (size_t place = 1; place < paths.size(); ++place)
        if (!shared.holds[place])
            backups.push_back({static_cast<unsigned>(place), {}, shared.paths[place], {}});
    destinationHolds = shared.holds[0];
    return {shared.kind, shared.paths[0]};
}

std::vector<std::string> MergeEngine::inBackups(const std::string& path) const {
    std::vector<std::string> paths;
    if (backups_.empty())
        return paths;
    // A video below its own folder has its place below each backup as a photo has.
    for (std::string root : {toPath_, videoRoot_}) {
        while (root.size() > 1 && root.back() == '/')
            root.pop_back();
        const size_t below = root == "/" ? 1 : root.size() + 1;
        if (root.empty() || path.size() <= below || path.compare(0, root.size(), root) != 0 ||
            (root != "/" && path[root.size()] != '/'))
            continue;
        for (const std::string& backup : backups_)
            paths.push_back(appendPathComponent(backup, path.substr(below)));
        return paths;
    }
    return paths;
}

void MergeEngine::discardBackups(const std::vector<BackupCopy>& backups) {
    for (const BackupCopy& backup : backups)
        discardPartial(backup.temporary);
}

EntryOutcome MergeEngine::copyFile(const std::string& source, const std::string& destination,
                                   const struct stat& origStatbuf,
                                   std::optional<PendingCopy>& copy) {
    std::optional<CopyJob> job;
    EntryOutcome outcome = decideCopy(entryIndex_, source, destination, origStatbuf, job);
    if (!job)
        return outcome;
    if (observer_)
        observer_->beforeMakingTemporaries();
    return finishCopy(*job, makeCopy(*job), copy);
}

EntryOutcome MergeEngine::decideCopy(size_t entry, const std::string& source,
                                     const std::string& destination, const struct stat& status,
                                     std::optional<CopyJob>& job, const std::string& fetched) {
    // Nothing is copied for an entry whose contents are there already.
    const std::string& compared = fetched.empty() ? source : fetched;
    std::vector<BackupCopy> backups;
    bool destinationHolds = false;
    const NameClashDecision decision =
        backups_.empty()
            ? decideName(compared, status, destination)
            : decideWithBackups(compared, status, destination, backups, destinationHolds);
    switch (decision.kind) {
    case NameClashDecision::Kind::Taken:
        return EntryOutcome::failed(destinationTaken(source, decision.path));
    case NameClashDecision::Kind::AlreadyThere:
        return EntryOutcome::foundAt(decision.path);
    case NameClashDecision::Kind::Free:
        break;
    }
    const std::string& target = decision.path;

    // The copy is made under a temporary name and moved into place only when complete and
    // on disk, so that a failed copy or a power cut never leaves a short file under the
    // final name, nor one that blocks a later run.
    const std::string partial =
        destinationHolds ? std::string() : temporaryNameIn(deletingLastPathComponent(target));
    // On record before it exists, so that a crash leaves no temporary nobody knows of. Once
    // made (on the copy's thread: creating a file is among the costliest steps of a copy),
    // what identifies it is recorded too, before the copy is published, so that the clean-up
    // after a crash removes it, or finds it under its final name, by its identity.
    // Remembered until it is published or removed, so that a process told to stop at once
    // can remove it, also while it is being written or waits in its batch.
    if (!partial.empty()) {
        if (observer_)
            observer_->entryIntent(entry, source, partial, target);
        partial_copies::remember(partial);
    }
    for (BackupCopy& backup : backups) {
        backup.temporary = temporaryNameIn(deletingLastPathComponent(backup.destination));
        if (observer_)
            observer_->entryIntent({entry, backup.copy}, source, backup.temporary,
                                   backup.destination);
        partial_copies::remember(backup.temporary);
    }
    job = CopyJob{entry, source, partial, target, destination, status, fetched, std::move(backups)};
    return {};
}

ErrorText MergeEngine::fetchRemote(size_t entry, const std::string& source, std::string& fetched) {
    RemoteSources* remote = remoteSources();
    if (!remote)
        return kNoCameraAccess;
    const std::string partial = temporaryNameIn(toPath_);
    if (observer_) {
        observer_->entryIntent(entry, source, partial,
                               appendPathComponent(toPath_, lastPathComponent(source)));
        // Made at once: the intent goes on record first, with any held back.
        observer_->beforeMakingTemporaries();
    }
    partial_copies::remember(partial);
    UniqueFd fd(::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0644));
    if (fd.get() < 0) {
        const int err = errno;
        partial_copies::forget(partial);
        logMessage(LOG_WARN, "Couldn't create download '%s' (fsr='%s'): %d-%s",
                   safeCString(partial).c_str(), partial.c_str(), err, std::strerror(err));
        return fillPlaceholders("Couldn't copy file to '%@': %@",
                                errorDetailFileNameForDestPath(toPath_), std::strerror(err));
    }
    if (ErrorText error = remote->fetch(source, fd.get())) {
        logMessage(LOG_WARN, "Couldn't download '%s': %s", safeCString(source).c_str(),
                   safeCString(*error).c_str());
        fd.reset();
        discardPartial(partial);
        return error;
    }
    fetched = partial;
    return std::nullopt;
}

std::optional<CopyFailure> MergeEngine::moveFetched(const CopyJob& job, FileStamp& made) const {
    std::optional<CopyFailure> failure;
    if (::rename(job.fetched.c_str(), job.temporary.c_str()) == 0) {
        partial_copies::forget(job.fetched);
        struct stat status;
        if (::lstat(job.temporary.c_str(), &status) != 0)
            return CopyFailure{CopyFailure::Kind::Failed, errno,
                               "Couldn't find '" + job.temporary + "': " + std::strerror(errno),
                               job.temporary, job.temporary};
        made = FileStamp::of(status);
        made.modified = {job.status.st_mtim.tv_sec, job.status.st_mtim.tv_nsec / 1000 * 1000};
        return std::nullopt;
    }
    // A date folder reached through a link may be on another disk.
    const int err = errno;
    if (err != EXDEV) {
        failure = CopyFailure{CopyFailure::Kind::Failed, err,
                              "Couldn't move '" + job.fetched + "': " + std::strerror(err),
                              job.fetched, job.temporary};
    } else if (UniqueFd temporary = makeTemporary(job.temporary, job.status, made);
               temporary.get() < 0) {
        failure = CopyFailure{CopyFailure::Kind::Failed, errno,
                              "Couldn't create '" + job.temporary + "': " + std::strerror(errno),
                              job.temporary, job.temporary};
    } else {
        failure = copyPath(job.fetched, job.status, job.temporary, nullptr, temporary.release());
    }
    discardPartial(job.fetched);
    return failure;
}

MadeCopy MergeEngine::makeCopy(const CopyJob& job) const {
    MadeCopy made;
    CopyObserver observer{hooks_.betweenChunks, [this] {
                              std::lock_guard lock(status_.statusLock);
                              return status_.mergeState == kMergeCancelRequested &&
                                     status_.abandonLargeCopies;
                          }};
    std::optional<StreamingHash> hash;
    if ((hashCopies_ || verifyCopies_) && S_ISREG(job.status.st_mode)) {
        hash.emplace(job.status.st_size);
        observer.hash = &*hash;
    }
    std::optional<CopyFailure> failure;
    if (job.temporary.empty()) {
        // Only backups need the entry: the first of them is made from the source.
    } else if (!job.fetched.empty()) {
        failure = moveFetched(job, made.made);
    } else {
        UniqueFd temporary = makeTemporary(job.temporary, job.status, made.made);
        if (const int err = temporary.get() < 0 ? errno : 0)
            failure = CopyFailure{CopyFailure::Kind::Failed, err,
                                  "Couldn't create '" + job.temporary + "': " + std::strerror(err),
                                  job.temporary, job.temporary};
        else
            failure =
                copyPath(job.source, job.status, job.temporary, &observer, temporary.release());
    }
    if (failure) {
        discardPartial(job.temporary);
        discardBackups(job.backups);
        if (job.temporary.empty())
            discardPartial(job.fetched);
        failure->text = namingFinalPath(failure->text, job.temporary, job.target);
        failure->path = namingFinalPath(failure->path, job.temporary, job.target);
        failure->toPath = namingFinalPath(failure->toPath, job.temporary, job.target);
        made.failure = std::move(failure);
        return made;
    }
    if (hash && !job.temporary.empty()) {
        made.full = hash->full();
        made.edges = hash->edges();
    }
    if (hooks_.copyWritten && !job.temporary.empty())
        hooks_.copyWritten(job.temporary);
    if (!job.temporary.empty()) {
        made.attributeError = copyAttributes(job.status, job.source, job.temporary, job.target);
        if (!made.attributeError && S_ISDIR(job.status.st_mode))
            made.attributeError =
                recursivelyCopyAttributesFromTree(job.source, job.temporary, job.target);
    }
    if (!job.backups.empty()) {
        makeBackups(job, made);
        if (job.temporary.empty())
            discardPartial(job.fetched); // a camera's download, copied to the backups
        if (made.failure) {
            discardPartial(job.temporary);
            return made;
        }
    }
    if (hooks_.beforePublish)
        hooks_.beforePublish(job.source, job.plannedDestination);
    return made;
}

void MergeEngine::makeBackups(const CopyJob& job, MadeCopy& made) const {
    // The source is read once: each backup is copied from the copy before it, whose pages are
    // still in memory; the first, when the destination needed no copy, from the source (or
    // the camera's download).
    std::string from =
        job.temporary.empty() ? (job.fetched.empty() ? job.source : job.fetched) : job.temporary;
    const bool fromSource = job.temporary.empty();
    made.backupsMade.resize(job.backups.size());
    std::optional<StreamingHash> hash;
    CopyObserver observer{hooks_.betweenChunks, {}};
    for (size_t at = 0; at < job.backups.size() && !made.failure; ++at) {
        const BackupCopy& backup = job.backups[at];
        struct stat fromStatus = job.status;
        if (at > 0 || !fromSource) {
            if (::lstat(from.c_str(), &fromStatus) != 0)
                fromStatus = job.status;
        } else if (!job.fetched.empty() && ::lstat(from.c_str(), &fromStatus) != 0) {
            fromStatus = job.status;
        }
        // The first copy of an entry that only backups need is hashed as it is read.
        const bool hashing =
            at == 0 && fromSource && (hashCopies_ || verifyCopies_) && S_ISREG(job.status.st_mode);
        if (hashing) {
            hash.emplace(job.status.st_size);
            observer.hash = &*hash;
        }
        UniqueFd temporary = makeTemporary(backup.temporary, job.status, made.backupsMade[at]);
        if (const int err = temporary.get() < 0 ? errno : 0)
            made.failure =
                CopyFailure{CopyFailure::Kind::Failed, err,
                            "Couldn't create '" + backup.temporary + "': " + std::strerror(err),
                            backup.temporary, backup.temporary};
        else
            made.failure = copyPath(from, fromStatus, backup.temporary,
                                    hashing ? &observer : nullptr, temporary.release());
        observer.hash = nullptr;
        if (made.failure) {
            made.failure->text =
                namingFinalPath(made.failure->text, backup.temporary, backup.destination);
            made.failedAt = backup.destination;
            break;
        }
        if (hooks_.copyWritten)
            hooks_.copyWritten(backup.temporary);
        if (hashing) {
            made.full = hash->full();
            made.edges = hash->edges();
        }
        made.attributeError =
            copyAttributes(job.status, job.source, backup.temporary, backup.destination);
        if (!made.attributeError && S_ISDIR(job.status.st_mode))
            made.attributeError =
                recursivelyCopyAttributesFromTree(job.source, backup.temporary, backup.destination);
        from = backup.temporary;
    }
    if (made.failure)
        discardBackups(job.backups);
}

EntryOutcome MergeEngine::finishCopy(const CopyJob& job, MadeCopy made,
                                     std::optional<PendingCopy>& copy) {
    if (made.failure) {
        setErrorDict(std::nullopt);
        return EntryOutcome::failed(copyFailed(
            job.source, made.failedAt.empty() ? job.target : made.failedAt, *made.failure));
    }
    if (observer_) {
        if (!job.temporary.empty())
            observer_->temporaryMade(job.entry, made.made);
        for (size_t at = 0; at < job.backups.size(); ++at)
            observer_->temporaryMade({job.entry, job.backups[at].copy}, made.backupsMade[at]);
        if (made.full && made.edges)
            observer_->entryHashed(job.entry, *made.full, *made.edges);
    }
    std::vector<BackupCopy> backups = job.backups;
    for (size_t at = 0; at < backups.size(); ++at)
        backups[at].made = made.backupsMade[at];
    copy = PendingCopy{job.entry,
                       job.source,
                       job.temporary,
                       job.target,
                       job.plannedDestination,
                       std::move(made.attributeError),
                       S_ISREG(job.status.st_mode),
                       S_ISREG(job.status.st_mode) ? job.status.st_size : 0,
                       job.status,
                       made.made,
                       verifyCopies_ ? made.full : std::nullopt,
                       std::move(backups)};
    return {};
}

std::vector<bool> MergeEngine::readBack(const std::vector<PendingCopy>& copies) const {
    // Every copy of the batch, in the order they were made (so mostly in the order the disk
    // holds them), with the index of each entry's first one.
    std::vector<StoredReads::File> files;
    std::vector<size_t> firstFile(copies.size());
    for (size_t at = 0; at < copies.size(); ++at) {
        firstFile[at] = files.size();
        if (copies[at].verifyAgainst)
            for (const MadeFile& made : madeFilesOf(copies[at]))
                files.push_back({*made.temporary, copies[at].bytes});
    }
    StoredReads reads(std::move(files));

    std::vector<char> answers(copies.size(), 1); // written by several threads, unlike bits
    std::vector<std::string> logs(copies.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t at = next++; at < copies.size(); at = next++) {
            if (!copies[at].verifyAgainst)
                continue;
            LogDeferral deferral; // written below in list order, as if one thread had read
            answers[at] = readsBackIntact(copies[at], reads, firstFile[at]);
            logs[at] = deferral.take();
        }
    };
    // Reading back is mostly waiting for the disk: it overlaps as well as copies do there.
    std::vector<std::thread> helpers;
    for (size_t helper = 1; helper < std::min<size_t>(copyJobs_, copies.size()); ++helper)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    std::vector<bool> intact(copies.size());
    for (size_t at = 0; at < copies.size(); ++at) {
        writeDeferredLog(logs[at]);
        intact[at] = answers[at] != 0;
    }
    return intact;
}

bool MergeEngine::readsBackIntact(const PendingCopy& copy, StoredReads& reads,
                                  size_t firstFile) const {
    const std::vector<MadeFile> made = madeFilesOf(copy);
    for (size_t at = 0; at < made.size(); ++at) {
        const std::optional<ContentHash> stored = reads.hashOf(firstFile + at);
        if (stored && *stored == *copy.verifyAgainst)
            continue;
        const std::string& destination = *made[at].destination;
        // All the entry's copies go: it failed, and no place keeps a copy of a failed entry.
        logMessage(LOG_WARN, "Copy of '%s' (fsr='%s') to '%s' (fsr='%s') %s; removing it",
                   safeCString(copy.source).c_str(), copy.source.c_str(),
                   safeCString(destination).c_str(), destination.c_str(),
                   stored ? "read back with other bytes than were copied"
                          : "could not be read back");
        discardPartial(copy.temporary);
        discardBackups(copy.backups);
        return false;
    }
    return true;
}

EntryOutcome MergeEngine::publish(const PendingCopy& copy) {
    if (observer_)
        observer_->beforePublishing();
    std::string target = copy.destination;
    if (copy.temporary.empty()) // only the backups lacked the entry
        return publishBackups(copy, target, EntryOutcome::foundAt(target));
    EntryOutcome outcome = publishCopy(copy, target);
    if (copy.backups.empty())
        return outcome;
    if (outcome.error || outcome.alreadyThere) {
        discardBackups(copy.backups);
        return outcome;
    }
    return publishBackups(copy, target, std::move(outcome));
}

EntryOutcome MergeEngine::publishCopy(const PendingCopy& copy, std::string& target) {
    // Where renames cannot refuse to replace (FUSE mounts), an empty placeholder holds the name
    // first; on record before it is used, so that a crash never leaves one under a final name.
    const PlaceholderRecorder recordPlaceholder = [&](const std::string& path,
                                                      const struct stat& made) {
        if (observer_)
            observer_->placeholderMade(copy.entry, path, made);
        return true;
    };
    std::optional<CopyFailure> failure = renameNoReplace(copy.temporary, target, recordPlaceholder);
    // A name taken while the copy was made is decided about again, as before the copy.
    for (int attempt = 0;
         failure && (failure->error == EEXIST || failure->error == ENOTEMPTY) && attempt < 100;
         ++attempt) {
        if (nameClashes_)
            nameClashes_->foundTaken(target);
        // A camera's file is compared by its copy: the camera is not read twice. With backups
        // the new name must be free in each of them too, as the first one was.
        const std::string& compared = isCameraPath(copy.source) ? copy.temporary : copy.source;
        std::vector<BackupCopy> lacking;
        bool destinationHolds = false;
        NameClashDecision decision =
            copy.backups.empty()
                ? decideName(compared, copy.sourceStatus, copy.plannedDestination)
                : decideWithBackups(compared, copy.sourceStatus, copy.plannedDestination, lacking,
                                    destinationHolds);
        if (destinationHolds)
            decision.kind = NameClashDecision::Kind::AlreadyThere;
        if (decision.kind != NameClashDecision::Kind::Free) {
            discardPartial(copy.temporary);
            if (decision.kind == NameClashDecision::Kind::AlreadyThere)
                return EntryOutcome::foundAt(decision.path);
            return EntryOutcome::failed(destinationTaken(copy.source, copy.plannedDestination));
        }
        target = decision.path;
        if (observer_)
            observer_->entryIntent(copy.entry, copy.source, copy.temporary, target, &copy.made);
        failure = renameNoReplace(copy.temporary, target, recordPlaceholder);
    }
    if (failure) {
        discardPartial(copy.temporary);
        const int err = failure->error;
        if (err == EEXIST || err == ENOTEMPTY)
            return EntryOutcome::failed(destinationTaken(copy.source, copy.plannedDestination));
        logMessage(LOG_WARN,
                   "Couldn't merge by file-manager-copy for original file '%s' (fsr='%s'), "
                   "destination file '%s' (fsr='%s'). Error dict: %s",
                   safeCString(copy.source).c_str(), copy.source.c_str(),
                   safeCString(target).c_str(), target.c_str(), std::strerror(err));
        return EntryOutcome::failed(fillPlaceholders("Couldn't copy file to '%@': %@",
                                                     errorDetailFileNameForDestPath(target),
                                                     std::strerror(err)));
    }
    partial_copies::forget(copy.temporary);
    namer_.published(copy.source);
    if (observer_) {
        struct stat published;
        if (::lstat(target.c_str(), &published) == 0)
            observer_->entryPublished(copy.entry, target, published);
    }
    if (copy.attributeError)
        return EntryOutcome::failed(copy.attributeError);
    if (copy.verifyAgainst)
        ++result_.verified;

    logMessage(LOG_DEBUG,
               "Merged by file-manager-copy for original file '%s' (fsr='%s'), destination file "
               "'%s' (fsr='%s')",
               safeCString(copy.source).c_str(), copy.source.c_str(), safeCString(target).c_str(),
               target.c_str());
    // The report names the copy where its name is not the original's.
    const bool renamed = lastPathComponent(target) != lastPathComponent(copy.source);
    return EntryOutcome::copiedTo(renamed ? target : std::string());
}

EntryOutcome MergeEngine::publishBackups(const PendingCopy& copy, const std::string& target,
                                         EntryOutcome outcome) {
    const std::string name = lastPathComponent(target);
    for (size_t at = 0; at < copy.backups.size(); ++at) {
        const BackupCopy& backup = copy.backups[at];
        // The destination's copy may have been given another name when publishing.
        const std::string backupTarget =
            appendPathComponent(deletingLastPathComponent(backup.destination), name);
        if (observer_ && backupTarget != backup.destination)
            observer_->entryIntent({copy.entry, backup.copy}, copy.source, backup.temporary,
                                   backupTarget, &backup.made);
        const PlaceholderRecorder recordPlaceholder = [&](const std::string& path,
                                                          const struct stat& made) {
            if (observer_)
                observer_->placeholderMade(copy.entry, path, made);
            return true;
        };
        if (std::optional<CopyFailure> failure =
                renameNoReplace(backup.temporary, backupTarget, recordPlaceholder)) {
            discardBackups({copy.backups.begin() + static_cast<long>(at), copy.backups.end()});
            const int err = failure->error;
            logMessage(LOG_WARN, "Couldn't publish the backup copy of '%s' (fsr='%s') as '%s': %s",
                       safeCString(copy.source).c_str(), copy.source.c_str(),
                       safeCString(backupTarget).c_str(), std::strerror(err));
            if (err == EEXIST || err == ENOTEMPTY)
                return EntryOutcome::failed(destinationTaken(copy.source, backupTarget));
            return EntryOutcome::failed(
                fillPlaceholders("Couldn't copy file to '%@': %@",
                                 errorDetailFileNameForDestPath(backupTarget), std::strerror(err)));
        }
        partial_copies::forget(backup.temporary);
        if (observer_) {
            struct stat published;
            if (::lstat(backupTarget.c_str(), &published) == 0)
                observer_->entryPublished({copy.entry, backup.copy}, backupTarget, published);
        }
        result_.resBackupDict[copy.source].push_back(backupTarget);
    }
    if (copy.temporary.empty() && copy.verifyAgainst)
        ++result_.verified;
    return outcome;
}

std::string MergeEngine::errorDetailFileNameForDestPath(const std::string& path) const {
    if (toPath_ == "/")
        return path;
    const std::string parent = deletingLastPathComponent(toPath_);
    if (parent == "/")
        return path.substr(1);
    // A path below another root (the video destination's) is named whole.
    if (path.compare(0, parent.size() + 1, parent + "/") != 0)
        return path;
    return stringByRemovingCommonPrefixWith(path, parent + "/");
}

bool MergeEngine::fileManagerShouldProceedAfterError(const CopyErrorInfo& info) {
    setErrorDict(info);
    return false;
}

} // namespace orvane
