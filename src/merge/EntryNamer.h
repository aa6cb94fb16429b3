#pragma once

#include "dates/PairedFiles.h"
#include "merge/NumberedCopies.h"
#include "naming/NameSequence.h"
#include "naming/SafeNames.h"
#include "platform/FileSystemType.h"
#include "prefs/NamingSettings.h"

#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unordered_map>

namespace orvane {

class DateLocale;
class UserDefaults;

// Where one entry goes, by the run's templates.
struct EntryPlace {
    std::string root;   // the destination, or the video destination for a video
    std::string folder; // below the root: "2026/2026-12-08 Wedding Smith"
    long levels = 0;    // the folder's levels
    std::string name;   // the copy's name in it
};

// An entry's date, and the date whose day names its folder and counts its per-day {seq}: a
// capture after midnight may belong to the day before.
struct EntryDates {
    time_t date = 0;
    time_t day = 0;
};

// Names the entries of one run as its templates say: the root (videos go below their own
// when the preferences send them apart, with a sidecar its video's), the folder below it, and
// the copy's name (the original one unless a name template is set). The partners of a pair
// or sidecar take their leader's new stem and sequence number. Entries are named in list
// order, so that the dry run, the preview and the run give the same numbers. A file whose
// bytes its folder holds already under a name the template gives it with another number
// keeps that name: the number an earlier run gave it, whatever this run counts.
class EntryNamer {
  public:
    // The camera of an entry other than the one being named (a sidecar's partner), as the
    // merge reads it.
    using CameraOf = std::function<std::string(const std::string& path)>;

    // Takes the run's settings, the video destination among them; entries then fail with
    // `settingsError` when they are refused.
    void prepare(const UserDefaults& rules, const std::string& toPath, const PairedFiles& pairs,
                 const FileSystemTypeProbe& fileSystemType);

    bool prepared() const { return prepared_; }
    bool wantsCamera() const { return settings_ && settings_->usesCamera(); }

    // The entry's place, or none with its error in `error`. `readFrom` holds the entry's
    // bytes when `source` cannot be read itself (a camera's file downloaded).
    std::optional<EntryPlace> place(const std::string& source, const struct stat& status,
                                    EntryDates dates, const std::string& camera,
                                    const CameraOf& cameraOf, const DateLocale& locale,
                                    std::string& error, const std::string& readFrom = {});

    // A copy of `source` was published: its sequence number counts as used.
    void published(const std::string& source);
    // The entry just named is skipped before a run would name it (imported before): a run
    // asks the history first and gives it no number, so the plan gives its number back.
    void skippedUnnamed(const std::string& source);
    // For a stored counter, where the next run counts on from, when this one used a number.
    std::optional<uint64_t> nextStored() const { return sequence_.nextStored(); }

  private:
    bool prepared_ = false;
    std::optional<NamingSettings> settings_;
    std::string settingsError_;
    const PairedFiles* pairs_ = nullptr;
    std::string root_;
    std::string videoRoot_; // empty: videos go with the rest
    NameRules rules_ = NameRules::Posix;
    NameRules videoRules_ = NameRules::Posix;
    NameSequence sequence_{SequenceScope::Run, 1};
    std::unordered_map<std::string, uint64_t> sequenceOfLeader_;
    std::unordered_map<std::string, uint64_t> sequenceOfSource_;
    struct Taken {
        std::string leader;
        uint64_t number = 0;
        time_t day = 0;
    };
    std::optional<Taken> lastTaken_; // the number taken last, by the group it went to
    NumberedCopies numberedCopies_;
};

} // namespace orvane
