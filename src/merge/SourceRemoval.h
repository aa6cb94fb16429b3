#pragma once

#include "base/RunResult.h"
#include "base/WindowText.h"
#include "dates/PairedFiles.h"
#include "merge/OriginalRemoval.h"
#include "merge/PublishBatch.h"
#include "merge/RunObserver.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace orvane {

// The report's note when the sources cannot be changed: the run stays a copy.
inline constexpr const char* kReadOnlySources =
    ORVANE_TRANSLATE_NOOP("Orvane", "The card is read-only: nothing was removed from it");
// The report's note when the run's record could not keep the removals.
inline constexpr const char* kRemovalsNotRecorded = ORVANE_TRANSLATE_NOOP(
    "Orvane", "The run's journal couldn't be written: no more originals were removed");
inline constexpr const char* kCameraFilesStay =
    ORVANE_TRANSLATE_NOOP("Orvane", "Files on a camera or phone are not removed from it");
// Why an original whose copy is safe stays: it changed since it was copied, or removing it
// failed (followed by the system's error text).
inline constexpr const char* kOriginalChanged =
    ORVANE_TRANSLATE_NOOP("Orvane", "Changed since it was copied");
inline constexpr const char* kCouldNotRemoveOriginal = "Couldn't remove: ";
// Why an original stays although its copy is safe: a sidecar or the other half of its pair
// stays on the card, and the two are freed together or not at all.
inline constexpr const char* kPartnerStays = ORVANE_TRANSLATE_NOOP(
    "Orvane", "Its sidecar or the other half of its pair stays, so it stays with it");

// Frees the sources of a run that moves: an original is removed once its batch is durable,
// read back, published and on record, and only when the entry was copied or found already at
// the destination after comparing bytes. An entry skipped for a copy made before (imported
// before, or its bytes found elsewhere in the destination) is freed like one found there once
// that copy's bytes are compared now, when it lies below the run's folders without a link on
// the way (where undo can put the original back from it) and every backup holds it too.
// Anything else (failed, skipped by a rule, a folder, a camera's file) stays. Originals go in list
// order, a group at a time after the batch that completes it; a group's removals are on record
// durably before the first of them, so that at every instant each original is at its place or
// stands as an intact, durable copy.
class SourceRemoval {
  public:
    // `videoRoot`: where videos go when they go apart (empty when they do not). `pairs`: which
    // entries belong together (a photo, its sidecars, the halves of a pair); such a group's
    // originals are removed together or not at all, so that a sidecar never stays behind
    // on the card without its photo, to be copied later on its own.
    SourceRemoval(RunResult& result, RunObserver* observer, std::string videoRoot = {},
                  const PairedFiles* pairs = nullptr)
        : result_(result), observer_(observer), videoRoot_(std::move(videoRoot)), pairs_(pairs) {}

    // Told of each entry's outcome as it is recorded, in list order.
    void consider(size_t entry, const std::string& source, const EntryOutcome& outcome);
    // Removes, in list order, the originals of the outcomes recorded before, once enough are
    // waiting or with `last`.
    void removeFreed(bool last);
    // Originals removed together: each group costs the disk a flush of its own, and on file
    // systems that discard freed blocks at once a flush after removals is slow.
    static constexpr size_t kGroupEntries = 4096;
    static constexpr off_t kGroupBytes = off_t{1} << 30;

  private:
    // Decides whether the entry's original may go; answers whether it was added to `freed_`.
    bool considerFreeing(size_t entry, const std::string& source, const EntryOutcome& outcome);
    // The group an entry belongs to (its name leader), or none when it stands alone.
    std::optional<std::string> groupOf(const std::string& source) const;
    // Keeps back from `freed` the members of groups that are held, or (with `keepLast`) that
    // may still get members considered later; answers what may go now.
    std::vector<OriginalRemoval> takeRemovable(bool keepLast);
    std::string dateFolderOf(const std::string& source) const;
    // Whether the copy an earlier run made, which a skip names, may stand for the original.
    bool earlierCopyStands(const std::string& source, const struct stat& original,
                           const std::string& copy) const;
    // Makes the copies' names durable on their file systems; keeps every original when that
    // fails.
    bool copiesDurable(const std::vector<OriginalRemoval>& removals);
    // Whether the original's folder is on a read-only file system (noted once in the report).
    bool sourceReadOnly(const std::string& source);
    void markReadOnly(const std::string& source);
    void noteReadOnly();
    void keepOriginal(const std::string& source, const std::string& reason);

    RunResult& result_;
    RunObserver* observer_;
    std::string videoRoot_;
    const PairedFiles* pairs_;
    std::set<std::string> heldGroups_;     // groups of which a member stays
    std::optional<std::string> lastGroup_; // the group of the entry considered last
    std::vector<OriginalRemoval> freed_;
    off_t freedBytes_ = 0;
    std::map<std::string, bool> readOnlyFolders_;
    bool stopped_ = false; // no more removals in this run
    bool readOnlyNoted_ = false;
    bool cameraNoted_ = false;
};

// For tests only: makes the sources act as on a card mounted read-only.
namespace removal_faults {
void setReadOnlySources(bool on);
} // namespace removal_faults

} // namespace orvane
