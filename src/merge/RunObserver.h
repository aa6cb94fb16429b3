#pragma once

#include "merge/FileStamp.h"
#include "merge/OriginalRemoval.h"
#include "platform/ContentHash.h"

#include <cstddef>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace orvane {

// The counts a run ends with, as its report shows them.
struct RunCounts {
    size_t copied = 0;
    size_t skipped = 0;
    size_t errors = 0;
};

// One of an entry's copies: the destination's (copy 0), then one in each backup, in the
// order of the run's backups.
struct EntryCopy {
    EntryCopy(size_t entry, unsigned copy = 0) : entry(entry), copy(copy) {}
    size_t entry;
    unsigned copy;
};

// What the merge tells the keeper of a run's record (the run journal), on the worker
// thread. `entry` is the entry's index in the file list.
class RunObserver {
  public:
    virtual ~RunObserver() = default;
    // A date folder the run created; `status`, when known, read right after it was made.
    virtual void folderCreated(const std::string& path, const struct stat* status = nullptr) = 0;
    // Before an entry's copy begins: the temporary name it is to be written under and its
    // final name. Told again, with `made`, when publishing decides the final name anew.
    virtual void entryIntent(EntryCopy copy, const std::string& source,
                             const std::string& temporary, const std::string& destination,
                             const FileStamp* made = nullptr) = 0;
    // The temporaries of the intents told since the last call are about to be made: those
    // intents must be on record now. Until then a keeper may hold them back, so that the
    // intents of several copies are written at once.
    virtual void beforeMakingTemporaries() {}
    // The temporary was made, empty, as `made` tells (with the size and modification time the
    // copy will have): what identifies the copy after a crash, under either name.
    virtual void temporaryMade(EntryCopy copy, const FileStamp& made) = 0;
    // The bytes a regular file's copy read, hashed as they went by (when the run hashes
    // copies): all of them, and its edges (platform/ContentHash.h). Before it is published.
    virtual void entryHashed(size_t entry, const ContentHash& full, const ContentHash& edges) {}
    // Before a copy is moved to its final name: what identifies it must be on record first.
    virtual void beforePublishing() = 0;
    // An empty item made to hold the final name on a file system that cannot rename without
    // replacing; on record (durably) when this returns, before the copy replaces it.
    virtual void placeholderMade(size_t entry, const std::string& path,
                                 const struct stat& made) = 0;
    // The copy has its final name; `published` is its status read right after the rename.
    virtual void entryPublished(EntryCopy copy, const std::string& destination,
                                const struct stat& published) = 0;
    // Before an entry is skipped because `existing` holds its bytes already (at its place,
    // or under another number of its name): what the run found instead of a copy.
    virtual void entryFoundAt(size_t entry, const std::string& source,
                              const std::string& existing) {}
    virtual void entrySkipped(size_t entry, const std::string& source,
                              const std::string& reason) = 0;
    virtual void entryFailed(size_t entry, const std::string& source, const std::string& error) = 0;
    // Before a run that frees its sources removes the originals of a batch (whose copies are
    // durable and recorded): answers whether the removals are on record durably; when not,
    // none may be made.
    virtual bool removingOriginals(const std::vector<OriginalRemoval>& removals) { return true; }
    virtual void originalRemoved(size_t entry) {}
    // The run is over; everything it published is durable.
    virtual void runEnded(bool cancelled, const RunCounts& counts) = 0;
};

} // namespace orvane
