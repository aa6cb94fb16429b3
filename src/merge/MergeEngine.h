#pragma once

#include "base/ErrorText.h"
#include "base/RunResult.h"
#include "base/WindowText.h"
#include "dates/Dater.h"
#include "merge/EntryNamer.h"
#include "merge/NameClash.h"
#include "merge/PriorImports.h"
#include "merge/PublishBatch.h"
#include "merge/RunObserver.h"
#include "platform/DirectoryWalker.h"
#include "platform/FileCopier.h"
#include "platform/FileDescriptor.h"

#include <ctime>
#include <deque>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>

namespace orvane {

class UserDefaults;
struct RunStatus;

// An entry's error when a date folder is a link that may lead anywhere.
inline constexpr const char* kLinkedDateFolder =
    ORVANE_TRANSLATE_NOOP("Orvane", "The date folder is a link Orvane won't follow");

// Points where tests can act in the middle of copying an entry.
struct MergeHooks {
    // Called after an entry's plan was made, before its source is opened.
    std::function<void(const std::string& source)> afterPlan = {};
    // Called between two chunks of a regular file's data (inside folders too).
    std::function<void(const std::string& file, off_t copied)> betweenChunks = {};
    // Called after an entry's data is complete under its temporary name, before it joins
    // the batch that moves it to its final name.
    std::function<void(const std::string& source, const std::string& destination)> beforePublish =
        {};
    // Called with the temporary an entry's data was written to, once complete (tests change
    // the copy's bytes here, as a failing disk or cable would).
    std::function<void(const std::string& temporary)> copyWritten = {};
};

// Where one entry of the file list goes, worked out without changing anything.
struct EntryPlan {
    struct stat status = {}; // of the source, links followed
    time_t date = 0;         // seconds since 1970
    DatedBy datedBy = DatedBy::Modified;
    bool checkDate = false; // the date is implausible: the report asks to check it
    long levels = 0;
    std::string root;              // the destination root, or the video destination's
    std::string dateFolder;        // below the root
    std::string destinationFolder; // the root and the date folder
    std::string destination;       // the copy's path
};

// A copy decided in list order: the entry's data goes to `temporary`, to be published as
// `target`. Made on the merge thread or, with several copies at once, on a copy thread.
struct CopyJob {
    size_t entry = 0;
    std::string source;
    std::string temporary;
    std::string target;
    std::string plannedDestination;
    struct stat status = {}; // of the source, as the plan read it
    // The entry's data already in the destination (a camera's file, downloaded to be dated):
    // moved into the temporary instead of copied.
    std::string fetched;
    // The copies below backups that lack the entry; `temporary` is empty when only they do.
    std::vector<BackupCopy> backups;
};

// What making a copy gave: a failure (its temporary is removed then), else a complete copy
// whose times were restored unless `attributeError` says otherwise.
struct MadeCopy {
    std::optional<CopyFailure> failure;
    ErrorText attributeError;
    std::string log; // the lines logged on a copy thread, written in the entry's turn
    FileStamp made;  // the temporary as made, for the journal
    std::vector<FileStamp> backupsMade;     // each backup's temporary, as `made`
    std::string failedAt;                   // the final name a failure is about (none: the target)
    std::optional<ContentHash> full, edges; // of a regular file's bytes, when copies are hashed
};

class CopyPool;
class StoredReads;

// The merge loop of one run: dates each entry of the file list, creates its date folder
// under the destination root, copies it there without ever replacing anything and records
// the outcome. Runs on the worker thread; shares only the run status (under its lock) and
// the run result with the main thread.
class MergeEngine {
  public:
    MergeEngine(const UserDefaults& defaults, RunStatus& status, RunResult& result);

    // What dates the entries; its rules are taken from the preferences by prepareRun.
    Dater& dater() { return dater_; }
    void setHooks(MergeHooks hooks) { hooks_ = std::move(hooks); }
    // The keeper of the run's record (its journal), told of every change the run makes.
    void setObserver(RunObserver* observer) { observer_ = observer; }
    // Asked before each regular file is copied whether it needs no copy (imported before).
    void setPriorImports(PriorImports* prior) { prior_ = prior; }
    // Hashes each regular file's bytes as they are copied, for the observer.
    void setHashCopies(bool on) { hashCopies_ = on; }
    // How many entries mergeFiles copies at once (1: one after another). The outcomes are
    // the same either way: names are decided and outcomes recorded in list order.
    void setCopyJobs(unsigned jobs) { copyJobs_ = jobs < 1 ? 1 : jobs; }
    // The most copies published together (smaller, in tests, to see batches follow batches).
    void setBatchEntries(size_t entries) { batchEntries_ = entries < 1 ? 1 : entries; }
    // Tells the destination's file system type, which decides the characters made names may
    // hold; set before prepareRun.
    void setFileSystemTypeProbe(FileSystemTypeProbe probe) { fileSystemType_ = std::move(probe); }

    // `statuses`, when given, holds what the listing read of each entry, in the list's order:
    // the dates read ahead start from it instead of reading each entry again.
    void mergeFiles(const PathList& fileList, const std::string& treeRoot,
                    const ListedStatuses* statuses = nullptr);

    // Reads an entry's attributes and date and renders its date folder under the destination
    // root (setToPath). Creates, copies and records nothing; logs as the merge does. Answers
    // the plan, or none with the entry's error text in `error`. An entry that cannot be read
    // in place (a camera's file) is read from its download `readFrom`. `known` is the
    // entry's status when the caller has just read it.
    std::optional<EntryPlan> planEntry(const std::string& source, const class DateLocale& locale,
                                       std::string& error, const std::string& readFrom = {},
                                       const struct stat* known = nullptr) const;
    // The entry just planned is one a run skips before it names it (imported before).
    void plannedSkipUnnamed(const std::string& source) const { namer_.skippedUnnamed(source); }

    ErrorText assertDirectoryPresent(const std::string& path);
    // Copies an entry under a temporary name beside `destination` and restores its times;
    // on success `copy` holds what publishing needs. Answers the entry's outcome when it
    // ended without a copy: an error, or its contents already at the destination.
    EntryOutcome copyFile(const std::string& source, const std::string& destination,
                          const struct stat& origStatbuf, std::optional<PendingCopy>& copy);
    // Moves a complete, durable copy to its final name; answers the entry's outcome.
    EntryOutcome publish(const PendingCopy& copy);
    std::string errorDetailFileNameForDestPath(const std::string& path) const;

    // The copy's error handler: keeps the error of a failed copy; the copy has stopped.
    bool fileManagerShouldProceedAfterError(const CopyErrorInfo& info);
    const std::optional<CopyErrorInfo>& errorDict() const { return errorDict_; }
    void setErrorDict(std::optional<CopyErrorInfo> info) { errorDict_ = std::move(info); }

    // Restores access and modification times. `shownDestination` is the path that error
    // texts name (the final name of a copy still under its temporary name).
    ErrorText copyAttributes(const struct stat& status, const std::string& source,
                             const std::string& destination,
                             const std::string& shownDestination) const;
    ErrorText recursivelyCopyAttributesFromTree(const std::string& sourceTree,
                                                const std::string& copiedTree,
                                                const std::string& shownTree) const;

    void setToPath(const std::string& toPath) { toPath_ = toPath; }
    // Hands the dater the run's file list (for pairing sidecars and RAW+JPEG pairs with their
    // photos), the start of the run that plausible dates are measured against and the
    // preferences' dating rules. mergeFiles does it.
    void prepareRun(const PathList& fileList, time_t runStart);

  private:
    // An entry taken in list order whose outcome or copy is not yet in the batch.
    struct Underway {
        size_t entry = 0;
        std::string source;
        std::optional<EntryOutcome> outcome; // it ended without a copy
        std::optional<CopyJob> job;          // else the copy it waits for
        std::future<MadeCopy> made;          // none until the copy is started
    };
    // Counts an entry's copy in (or, once taken off the list, out of) what the list holds.
    void trackUnderway(const Underway& entry, bool added);
    void processEntry(size_t index, const std::string& source, const class DateLocale& locale,
                      PublishBatch& batch);
    void endEntry(size_t index, const std::string& source, EntryOutcome outcome,
                  PublishBatch& batch);
    // Takes the entry's copy under way; a small one may wait to be started with the next.
    void startCopyOf(CopyJob job);
    // Starts the copies taken under way but not yet started, their intents on record first.
    void startWaitingCopies();
    // Hands the entries under way to the batch in list order: those whose copies are done,
    // or all of them (waiting for their copies) with `all`.
    void collect(PublishBatch& batch, bool all);
    // Whether an entry under way goes to `path`.
    bool underwayGoesTo(const std::string& path) const;
    // Decides the entry's final name in list order; answers its outcome when it ends without
    // a copy, else fills `job` (its temporary is remembered from then on).
    EntryOutcome decideCopy(size_t entry, const std::string& source, const std::string& destination,
                            const struct stat& status, std::optional<CopyJob>& job,
                            const std::string& fetched = {});
    // Downloads a camera's file into a temporary in the destination root, on record like any
    // temporary; answers the entry's error, else fills `fetched`.
    ErrorText fetchRemote(size_t entry, const std::string& source, std::string& fetched);
    // Moves a download into the job's temporary (copies it where the date folder is on another
    // file system), filling `made` as makeTemporary does.
    std::optional<CopyFailure> moveFetched(const CopyJob& job, FileStamp& made) const;
    // Copies the data and restores the times; may run on a copy thread.
    MadeCopy makeCopy(const CopyJob& job) const;
    // The entry's outcome once its copy was made; fills `copy` when there is one to publish.
    EntryOutcome finishCopy(const CopyJob& job, MadeCopy made, std::optional<PendingCopy>& copy);
    EntryOutcome exceptionOutcome(const std::string& source, std::exception_ptr error) const;
    // Where an entry may go when `destination` may be taken: the one decision about taken
    // names, made before the copy and again when publishing finds the name taken.
    NameClashDecision decideName(const std::string& source, const struct stat& sourceStatus,
                                 const std::string& destination) const;
    // The same when the run has backups: one name for the destination and every backup,
    // free or holding the entry in each. Fills `backups` with the copies the backups lack and
    // `destinationHolds` when the destination has the entry already.
    NameClashDecision decideWithBackups(const std::string& source, const struct stat& status,
                                        const std::string& destination,
                                        std::vector<BackupCopy>& backups,
                                        bool& destinationHolds) const;
    // `path` (below the destination, or the folder for videos) below each backup.
    std::vector<std::string> inBackups(const std::string& path) const;
    // Copies the entry's first copy (or its source, when the destination needed none) to
    // each backup's temporary, with the source's times.
    void makeBackups(const CopyJob& job, MadeCopy& made) const;
    // Moves the backups' copies to the name the destination's copy got.
    EntryOutcome publishBackups(const PendingCopy& copy, const std::string& target,
                                EntryOutcome outcome);
    // Moves the destination's copy to its final name, filling `target` with it.
    EntryOutcome publishCopy(const PendingCopy& copy, std::string& target);
    static void discardBackups(const std::vector<BackupCopy>& backups);
    // The entry's error when its final name is taken, before the copy or when publishing.
    ErrorText destinationTaken(const std::string& source, const std::string& destination);
    ErrorText copyFailed(const std::string& source, const std::string& destination,
                         const CopyFailure& failure);
    static std::string temporaryNameIn(const std::string& folder);
    // Makes the temporary an entry is copied into, empty, and answers it open; fills `made`
    // with what the journal records of it.
    static UniqueFd makeTemporary(const std::string& path, const struct stat& sourceStatus,
                                  FileStamp& made);
    // A date folder level that exists: whether the entry may go into it (a link is followed
    // only when the user running made it and owns the folder it leads to), recording a
    // folder that another run made meanwhile (`madeMeanwhile`, or born after this run
    // began where the file system tells) as this run's too, so that undo of either removes
    // it once empty.
    ErrorText checkExistingFolder(const std::string& path, const struct statx& status,
                                  bool madeMeanwhile = false);
    // Whether a durable copy reads back from the disk as the bytes that were copied; a copy
    // that does not is removed.
    // `firstFile` is the index in `reads` of the first of the entry's copies.
    bool readsBackIntact(const PendingCopy& copy, StoredReads& reads, size_t firstFile) const;
    // The same for each copy of a batch, read as many at once as copies are made at once.
    std::vector<bool> readBack(const std::vector<PendingCopy>& copies) const;
    // Removes an unfinished copy, logging what could not be removed.
    static void discardPartial(const std::string& partial);

    const UserDefaults& defaults_;
    RunStatus& status_;
    RunResult& result_;
    std::string toPath_;
    PathList backups_;      // the enabled backups of the run, set by mergeFiles
    std::string videoRoot_; // where videos go apart, set by mergeFiles; empty: with the rest
    std::optional<CopyErrorInfo> errorDict_;
    Dater dater_;
    FileSystemTypeProbe fileSystemType_ = fileSystemTypeAt;
    mutable EntryNamer namer_;          // numbers entries as they are planned, in list order
    struct timespec runStartedAt_ = {}; // of mergeFiles, to tell folders made during the run
    // Date folders found or made fit for copies during this run: checked once each.
    std::unordered_set<std::string> checkedFolders_;
    MergeHooks hooks_;
    RunObserver* observer_ = nullptr;
    PriorImports* prior_ = nullptr;
    bool hashCopies_ = false;
    bool verifyCopies_ = false; // copies are read back before publishing (a preference)
    size_t entryIndex_ = 0;     // of the entry mergeFiles is at
    unsigned copyJobs_ = 1;
    size_t batchEntries_ = PublishBatch::kMaxEntries;
    CopyPool* pool_ = nullptr;              // during mergeFiles with several copies at once
    NameClashCache* nameClashes_ = nullptr; // during mergeFiles
    PublishBatch* batch_ = nullptr;         // during mergeFiles
    std::deque<Underway> underway_;
    // Kept beside the list, so that no entry walks it: the names its copies go to (as hashes:
    // a collision only makes an entry wait), how many copies it holds, and how many not small.
    std::unordered_multiset<size_t> underwayNames_;
    size_t underwayCopies_ = 0;
    size_t underwayLargeCopies_ = 0;
    size_t notStarted_ = 0; // copies under way whose making has not begun
};

} // namespace orvane
