#pragma once

// The one place that decides a file's date: the merge, the dry run and the preview ask it,
// so that all three give every entry the same date, found the same way.

#include "base/RunResult.h"
#include "base/TimeSettings.h"
#include "dates/DateReadAhead.h"
#include "dates/PairedFiles.h"
#include "dates/WallClock.h"

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unordered_map>

namespace orvane {

// The date of an entry and how it was found.
struct EntryDate {
    time_t date = 0; // seconds since 1970
    DatedBy datedBy = DatedBy::Modified;
    bool checkDate = false; // implausible: the report asks to check it
    // The camera (tidied EXIF make and model) noted while the date was read, when cameras
    // are wanted; empty when the file names none.
    std::string camera;
};

// What a run dates files by.
struct DatingRules {
    bool captureDates = true;    // EXIF and other capture dates; else modification times only
    bool otherContainers = true; // capture dates of files the EXIF reader does not read
    TimeSettings time;
    std::optional<ShootZone> zone; // time.zone, looked up once; none: this computer's
};

class Dater {
  public:
    // Answers a file's capture date in seconds since 1970, or -1 when it has none.
    using Reader = std::function<time_t(const char* path, const struct stat& status)>;
    // The same, telling in `utcInstant` whether the date is a UTC instant (a movie header's)
    // rather than a wall-clock time.
    using InstantReader =
        std::function<time_t(const char* path, const struct stat& status, bool& utcInstant)>;

    explicit Dater(DatingRules rules = {});
    ~Dater();
    Dater(const Dater&) = delete;
    Dater& operator=(const Dater&) = delete;

    void setExifReader(Reader reader) { exifReader_ = std::move(reader); }
    // Reads the files whose first bytes the EXIF reader does not take (other photo and video
    // containers), with the same contract.
    void setExtendedReader(InstantReader reader) { extendedReader_ = std::move(reader); }

    // The run's file list, for pairing sidecars and RAW+JPEG pairs with their photos, and
    // the start of the run that plausible dates are measured against. Neither this nor the
    // rules may change while dates are read ahead.
    void prepareRun(const PathList& fileList, time_t runStart);
    void setRules(DatingRules rules) { rules_ = std::move(rules); }
    const DatingRules& rules() const { return rules_; }
    // Whether the dates carry the camera that names the file (for names that show it): the
    // readers note it in the metadata they read anyway. Set before reading ahead.
    void setWantsCamera(bool wanted) { wantsCamera_ = wanted; }
    // The pairs and sidecars of the run's file list, as prepareRun found them.
    const PairedFiles& pairs() const { return pairs_; }

    // Reads the dates of `fileList` (which must outlive the reading) on other threads, ahead
    // of the caller, who takes them in list order by telling which entry it is at.
    void startReadingAhead(const PathList& fileList, const ListedStatuses* statuses = nullptr);
    void stopReadingAhead();
    void setCurrentEntry(size_t index) { entryIndex_ = index; }

    // The date of the entry at `path`, whose stat result is `status`.
    EntryDate dateOf(const std::string& path, const struct stat& status) const;

    // The camera of the entry at `path` dated `dated`: the one noted with the date when
    // cameras are wanted and dates read, else read for it alone.
    std::string cameraOf(const std::string& path, const struct stat& status,
                         const EntryDate& dated) const;
    // The camera of another entry of the run (a sidecar's partner), found the same way.
    std::string cameraOf(const std::string& path) const;

    // The date whose day names the entry's date folder: a day may start after midnight.
    time_t folderDateOf(time_t date) const { return dayOf(date, rules_.time.dayStartsAt); }

    // Whether a date is one a camera could have written for this run: not before 1980, not
    // later than a day after the run began.
    bool isPlausible(time_t date) const;

  private:
    struct OwnDate {
        time_t date;
        DatedBy datedBy;
        std::string camera; // noted by the readers when cameras are wanted
    };
    // A date read from a file as the run's time settings want it: a UTC instant in the zone
    // of the shoot (or read as the camera's wall clock), moved by the camera clock's shift.
    time_t corrected(time_t date, bool utcInstant) const;
    std::optional<OwnDate> ownDate(const std::string& path, const struct stat& status) const;
    std::optional<OwnDate> cachedOwnDate(const std::string& path, const struct stat& status) const;
    std::optional<time_t> pairedDate(const std::string& path) const;
    // The date of a sidecar's leader (PairedFiles::nameLeaderOf) when it has one in the run.
    std::optional<EntryDate> leaderDate(const std::string& path) const;
    // Reads a file for its camera only, when its dates were not read with it.
    std::string cameraReadAlone(const std::string& path, const struct stat& status) const;
    // The entry's own date: read ahead for the entry under way, else now.
    std::optional<OwnDate> readOwnDate(const std::string& path, const struct stat& status) const;

    DatingRules rules_;
    Reader exifReader_;
    InstantReader extendedReader_;
    PairedFiles pairs_;
    time_t runStart_;
    bool wantsCamera_ = false;
    // Own dates of paired entries, which their partners may ask for again.
    mutable std::unordered_map<std::string, std::optional<OwnDate>> pairedDates_;
    std::unique_ptr<DateReadAhead<std::optional<OwnDate>>> readAhead_;
    const PathList* fileList_ = nullptr; // while reading ahead
    size_t entryIndex_ = 0;
};

} // namespace orvane
