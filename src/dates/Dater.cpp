#include "dates/Dater.h"

#include "base/Log.h"
#include "base/StringHelpers.h"
#include "dates/ExifDate.h"
#include "dates/ExtendedDate.h"
#include "naming/CameraName.h"

#include <cstring>

namespace orvane {
namespace {

std::string ctimeText(time_t seconds) {
    char buffer[64];
    struct tm local;
    if (!localtime_r(&seconds, &local) || !asctime_r(&local, buffer))
        return "(out of range)";
    buffer[std::strcspn(buffer, "\n")] = '\0';
    return buffer;
}

} // namespace

Dater::Dater(DatingRules rules)
    : rules_(std::move(rules)), exifReader_(exifDateForPath),
      extendedReader_([](const char* path, const struct stat& status, bool& utcInstant) {
          return extendedDateForPath(path, status, &utcInstant);
      }),
      runStart_(time(nullptr)) {}

Dater::~Dater() = default;

void Dater::prepareRun(const PathList& fileList, time_t runStart) {
    pairs_ = PairedFiles(fileList);
    pairedDates_.clear();
    runStart_ = runStart;
}

void Dater::startReadingAhead(const PathList& fileList, const ListedStatuses* statuses) {
    stopReadingAhead();
    entryIndex_ = 0;
    if (!rules_.captureDates)
        return;
    fileList_ = &fileList;
    readAhead_ = std::make_unique<DateReadAhead<std::optional<OwnDate>>>(
        fileList,
        [this](const std::string& path, const struct stat& status) {
            return ownDate(path, status);
        },
        256, dateReadAheadThreads(), statuses);
}

void Dater::stopReadingAhead() {
    readAhead_.reset();
    fileList_ = nullptr;
}

time_t Dater::corrected(time_t date, bool utcInstant) const {
    const TimeSettings& time = rules_.time;
    if (utcInstant && time.videoClockLocal)
        date = wallClockOfFields(date);
    else if (utcInstant && rules_.zone)
        date = rules_.zone->wallClockAt(date);
    return shiftedWallClock(date, time.shift);
}

std::optional<Dater::OwnDate> Dater::ownDate(const std::string& path,
                                             const struct stat& status) const {
    const CameraCatch camera(wantsCamera_);
    time_t date = exifReader_(path.c_str(), status);
    if (date != -1)
        return OwnDate{corrected(date, false), DatedBy::Exif, camera.camera()};
    if (!rules_.otherContainers)
        return std::nullopt;
    bool utcInstant = false;
    date = extendedReader_(path.c_str(), status, utcInstant);
    if (date != -1)
        return OwnDate{corrected(date, utcInstant), DatedBy::Metadata, camera.camera()};
    return std::nullopt;
}

std::string Dater::cameraReadAlone(const std::string& path, const struct stat& status) const {
    if (!S_ISREG(status.st_mode))
        return {};
    const CameraCatch camera;
    if (exifReader_(path.c_str(), status) == -1 && rules_.otherContainers) {
        bool utcInstant = false;
        (void)extendedReader_(path.c_str(), status, utcInstant);
    }
    return camera.camera();
}

std::string Dater::cameraOf(const std::string& path, const struct stat& status,
                            const EntryDate& dated) const {
    // A file whose metadata holds a camera but no date was not noted: it names none.
    if (wantsCamera_ && rules_.captureDates)
        return dated.camera;
    return cameraReadAlone(path, status);
}

std::string Dater::cameraOf(const std::string& path) const {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    if (!wantsCamera_ || !rules_.captureDates)
        return cameraReadAlone(path, status);
    const std::optional<OwnDate> own = cachedOwnDate(path, status);
    return own ? own->camera : std::string();
}

std::optional<Dater::OwnDate> Dater::cachedOwnDate(const std::string& path,
                                                   const struct stat& status) const {
    if (!pairs_.isPaired(path))
        return readOwnDate(path, status);
    auto it = pairedDates_.find(path);
    if (it == pairedDates_.end())
        it = pairedDates_.emplace(path, readOwnDate(path, status)).first;
    return it->second;
}

std::optional<time_t> Dater::pairedDate(const std::string& path) const {
    for (const std::string& partner : pairs_.partnersOf(path)) {
        struct stat status;
        if (::stat(partner.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
            continue;
        if (std::optional<OwnDate> dated = cachedOwnDate(partner, status)) {
            logMessage(LOG_DEBUG, "Dating '%s' by the file it belongs with, '%s'",
                       safeCString(path).c_str(), safeCString(partner).c_str());
            return dated->date;
        }
    }
    return std::nullopt;
}

std::optional<Dater::OwnDate> Dater::readOwnDate(const std::string& path,
                                                 const struct stat& status) const {
    // Only the entry under way was read ahead; the partners of a pair are read here.
    if (readAhead_ && fileList_ && entryIndex_ < fileList_->size() &&
        (*fileList_)[entryIndex_] == path)
        if (std::optional<std::optional<OwnDate>> date = readAhead_->take(entryIndex_, status))
            return *date;
    return ownDate(path, status);
}

std::optional<EntryDate> Dater::leaderDate(const std::string& path) const {
    if (!PairedFiles::isSidecar(path))
        return std::nullopt;
    const std::string leader = pairs_.nameLeaderOf(path);
    struct stat status;
    if (leader == path || ::stat(leader.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    logMessage(LOG_DEBUG, "Dating '%s' as the file it belongs with, '%s'",
               safeCString(path).c_str(), safeCString(leader).c_str());
    EntryDate dated = dateOf(leader, status);
    if (dated.datedBy != DatedBy::Modified)
        dated.datedBy = DatedBy::Paired;
    return dated;
}

EntryDate Dater::dateOf(const std::string& path, const struct stat& status) const {
    // A sidecar goes where its photo or video goes, whatever date it may hold itself (a THM's
    // EXIF, an edited XMP's time): a date of its own could put it in another folder.
    if (S_ISREG(status.st_mode))
        if (std::optional<EntryDate> led = leaderDate(path))
            return *led;
    EntryDate dated;
    dated.date = status.st_mtim.tv_sec;
    if (rules_.captureDates) {
        if (std::optional<OwnDate> own = cachedOwnDate(path, status)) {
            dated.date = own->date;
            dated.datedBy = own->datedBy;
            dated.camera = own->camera;
        } else if (std::optional<time_t> paired =
                       S_ISREG(status.st_mode) ? pairedDate(path) : std::nullopt) {
            dated.date = *paired;
            dated.datedBy = DatedBy::Paired;
        } else {
            logMessage(LOG_DEBUG,
                       "Couldn't get date from EXIF meta data. Falling back on last modification "
                       "date: %ld - %s",
                       static_cast<long>(dated.date), ctimeText(dated.date).c_str());
        }
    }
    dated.checkDate = !isPlausible(dated.date);
    return dated;
}

bool Dater::isPlausible(time_t date) const {
    static const time_t kEarliest = [] {
        struct tm start = {};
        start.tm_year = 80;
        start.tm_mday = 1;
        start.tm_isdst = -1;
        return mktime(&start);
    }();
    return date >= kEarliest && date <= runStart_ + 86400;
}

} // namespace orvane
