#pragma once

#include "base/ErrorText.h"
#include "base/RunResult.h"
#include "merge/FileStamp.h"
#include "platform/ContentHash.h"
#include "platform/FileCopier.h"

#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <sys/types.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace orvane {

// How one entry ended: failed with `error`; else copied, or skipped because `path` already
// holds its contents. `path` is where the entry is when that is not its planned destination.
struct EntryOutcome {
    ErrorText error;
    bool alreadyThere = false;
    std::string path;
    std::string reason; // of a skip other than "Already in destination"

    static EntryOutcome failed(ErrorText error) { return {std::move(error), false, {}, {}}; }
    static EntryOutcome foundAt(std::string path) {
        return {std::nullopt, true, std::move(path), {}};
    }
    // Skipped, for `reason`: `path` stands for the entry.
    static EntryOutcome skippedAs(std::string reason, std::string path) {
        return {std::nullopt, true, std::move(path), std::move(reason)};
    }
    static EntryOutcome copiedTo(std::string path) {
        return {std::nullopt, false, std::move(path), {}};
    }
    const char* skipReason() const {
        return reason.empty() ? skip::kAlreadyInDestination : reason.c_str();
    }
};

// An entry's error when its copy, read back from the disk, holds other bytes than were copied.
inline constexpr const char* kCopyMismatch =
    ORVANE_TRANSLATE_NOOP("Orvane", "The copy didn't match the original when read back");

// An entry's copy below one of the run's backups: made from the entry's first copy, so that
// the source is read once, and published under the same name as the destination's copy.
struct BackupCopy {
    unsigned copy = 0; // the entry's copy number: 1 below the first backup, 2 …
    std::string temporary;
    std::string destination;
    FileStamp made;
};

// A complete copy under its temporary name, waiting to be moved to its final name.
struct PendingCopy {
    size_t entry = 0; // its index in the run's file list
    std::string source;
    std::string temporary;
    std::string destination;        // the name it is to be published under
    std::string plannedDestination; // the entry's planned destination
    ErrorText attributeError;       // the entry's outcome once it is in place (none: copied)
    bool regularFile = true;
    off_t bytes = 0;
    struct stat sourceStatus = {}; // as the plan read it, for a name found taken at publishing
    FileStamp made;                // the temporary as recorded in the journal
    // The hash of the bytes copied, when the copy is to be read back and compared with it.
    std::optional<ContentHash> verifyAgainst;
    // The same copy below backups that lack it. `temporary` is empty when only they do:
    // the destination holds the entry already, at `destination`.
    std::vector<BackupCopy> backups;
};

// Publishes the copies of a run in batches so that a final name appears only when its data
// is on disk, at the cost of one disk flush per batch instead of one per file. A batch is
// made durable (one syncfs on the file system, or fdatasync of each temporary when the
// batch holds only one or two files), then its copies are moved to their final names in
// list order, then the outcomes of its entries are recorded, also in list order, so that
// the run result is the one a run copying one entry at a time would give. A batch is made
// durable on a thread of its own while the next one fills, and published by the next flush:
// the disk writes one batch while the next batch's files are copied.
class PublishBatch {
  public:
    // Moves a durable copy to its final name; answers the entry's outcome.
    using Publisher = std::function<EntryOutcome(const PendingCopy&)>;
    // Removes a copy that could not be made durable; answers the entry's error.
    using Abandoner = std::function<ErrorText(const PendingCopy&, const CopyFailure&)>;
    // Reads the durable copies of a batch back before they are published, removing those that
    // differ from what was copied; answers for each copy whether it is intact.
    using Verifier = std::function<std::vector<bool>(const std::vector<PendingCopy>&)>;

    // A batch is published once it is this old, holds this much data or this many entries.
    // Each flush of a file system with a journal commits it: many small files need batches
    // of thousands, which the age still bounds.
    static constexpr std::chrono::milliseconds kMaxAge{500};
    static constexpr off_t kMaxBytes = off_t{64} << 20;
    static constexpr size_t kMaxEntries = 4096;

    // Told of each entry's outcome as it is recorded, with the entry's index.
    using Recorded =
        std::function<void(size_t entry, const std::string& source, const EntryOutcome&)>;

    PublishBatch(RunResult& result, Publisher publish, Abandoner abandon,
                 size_t maxEntries = kMaxEntries);
    void setRecorded(Recorded recorded) { recorded_ = std::move(recorded); }
    void setVerifier(Verifier verify) { verify_ = std::move(verify); }
    // Told after each flush, once the outcomes it recorded are all recorded; `last` for the
    // flush that finishes the run's publishing.
    using Flushed = std::function<void(bool last)>;
    void setFlushed(Flushed flushed) { flushed_ = std::move(flushed); }
    // The entry that the outcomes added next belong to.
    void beginEntry(size_t entry) { entry_ = entry; }
    PublishBatch(const PublishBatch&) = delete;
    PublishBatch& operator=(const PublishBatch&) = delete;

    void addCopy(PendingCopy copy);
    // An entry that ended without a copy to publish: its outcome waits for the entries
    // before it.
    void addOutcome(const std::string& source, EntryOutcome outcome);
    void addOutcome(const std::string& source, ErrorText error) {
        addOutcome(source, EntryOutcome::failed(std::move(error)));
    }

    // A folder copies may go into, on the file system `device`, as its maker just read it.
    void noteFolder(const std::string& folder, dev_t device);

    // Whether a copy waiting for its final name goes to `path`.
    bool holdsDestination(const std::string& path) const;
    bool due() const;

    // Publishes the batch made durable meanwhile and starts making this one durable.
    void flush();
    // Publishes every copy waiting, before it returns.
    void flushNow();
    // Publishes what is left and makes the moves themselves durable.
    void finish();
    ~PublishBatch();

  private:
    struct Outcome {
        std::string source;
        EntryOutcome outcome;
        size_t entry = 0;
        size_t copy = kNoCopy; // index into its batch's copies when it waits for a publish
    };
    // The copies of one batch and the outcomes that wait for them.
    struct Batch {
        std::vector<PendingCopy> copies;
        std::unordered_set<std::string> destinations; // of the copies, asked for every entry
        std::vector<Outcome> outcomes;
        off_t bytes = 0;
        std::chrono::steady_clock::time_point firstAdded;
        std::set<dev_t> fileSystems; // those written to by its copies
    };
    void record(size_t entry, const std::string& source, const EntryOutcome& outcome);
    static constexpr size_t kNoCopy = static_cast<size_t>(-1);

    // Waits for the batch being made durable, publishes it and records its outcomes.
    void publishSyncing();
    void publish(Batch& batch, const std::optional<CopyFailure>& notDurable);
    static std::optional<CopyFailure> makeDurable(const Batch& batch,
                                                  const std::vector<std::string>& folders);
    void noteFileSystemOf(const std::string& folder);
    static std::optional<CopyFailure> syncFolderFileSystem(const std::string& folder);

    RunResult& result_;
    Publisher publish_;
    Abandoner abandon_;
    Recorded recorded_;
    Verifier verify_;
    Flushed flushed_;
    bool finishing_ = false;
    size_t maxEntries_;
    size_t entry_ = 0;
    Batch filling_;
    // The batch being made durable by `synced_`, which is declared after it so that it is
    // waited for before the batch goes.
    std::optional<Batch> syncing_;
    std::future<std::optional<CopyFailure>> synced_;
    // One folder on each file system written to, for the flushes.
    std::map<dev_t, std::string> fileSystems_;
    // The file system of each folder copied into, looked at once a run: the run's date
    // folders are checked once each too, and are not moved while it copies into them.
    std::unordered_map<std::string, dev_t> folderDevices_;
};

} // namespace orvane
