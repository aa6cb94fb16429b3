#include "merge/RunChecks.h"

#include "base/NumberText.h"
#include "base/StringHelpers.h"
#include "base/WindowText.h"
#include "merge/FolderPlaces.h"
#include "merge/RunDestinations.h"
#include "naming/FileKind.h"
#include "platform/FileSystemProbe.h"
#include "platform/RemoteSources.h"
#include "platform/UserDefaults.h"
#include "prefs/PrefKeys.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace orvane {
namespace {

std::string quoted(const std::string& path) {
    return "\u201c" + safeCString(path) + "\u201d";
}

} // namespace

RunProblem checkDestination(const std::string& destination, FileSystemProbe& probe) {
    struct stat st;
    if (::stat(destination.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return fillValues(
                ORVANE_TRANSLATE_NOOP("Orvane", "The destination folder %1 does not exist."),
                {quoted(destination)});
        return "The destination folder " + quoted(destination) +
               " can't be examined: " + std::strerror(errno) + ".";
    }
    if (!S_ISDIR(st.st_mode))
        return fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "The destination %1 is not a folder."),
                          {quoted(destination)});
    if (const int error = probe.writeProbe(destination))
        return "Orvane can't create files in the destination folder " + quoted(destination) + ": " +
               std::strerror(error) + ".";
    return std::nullopt;
}

RunProblem checkBackup(const std::string& backup, FileSystemProbe& probe) {
    struct stat st;
    if (::stat(backup.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "The backup %1 isn't connected."),
                          {quoted(backup)});
    return checkDestination(backup, probe);
}

RunProblem checkSources(const PathList& sources) {
    for (const std::string& source : sources) {
        struct stat st;
        if (isCameraPath(source))
            continue; // a device is reached when it is listed
        if (::lstat(source.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
            return fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "The source %1 no longer exists."),
                              {quoted(source)});
    }
    return std::nullopt;
}

namespace {

inline constexpr const char* kBackupIsPlace =
    ORVANE_TRANSLATE_NOOP("Orvane", "The backup %1 is the same folder as %2.");
inline constexpr const char* kBackupInsidePlace =
    ORVANE_TRANSLATE_NOOP("Orvane", "The backup %1 lies inside %2.");
inline constexpr const char* kBackupHoldsPlace =
    ORVANE_TRANSLATE_NOOP("Orvane", "The backup %1 holds %2.");
inline constexpr const char* kBackupOwnFolder =
    ORVANE_TRANSLATE_NOOP("Orvane", "A backup must be a folder of its own, outside the "
                                    "destination folders and the sources.");

// The backups as the user gave them: the run's own list leaves out one spelled like the
// destination and one given twice, which is what must be refused.
PathList backupsAsGiven(const UserDefaults& rules) {
    const StringList disabled =
        rules.stringArrayForKey(keys::kDisabledBackups).value_or(StringList{});
    PathList backups;
    for (const std::string& backup :
         rules.stringArrayForKey(keys::kBackupDestinations).value_or(StringList{}))
        if (!backup.empty() &&
            std::find(disabled.begin(), disabled.end(), backup) == disabled.end())
            backups.push_back(backup);
    return backups;
}

// The folder a source names, none for a device.
std::string folderOfSource(const std::string& source) {
    constexpr std::string_view kFolderCamera = "camera:disk:";
    if (!isCameraPath(source))
        return source;
    return source.compare(0, kFolderCamera.size(), kFolderCamera) == 0
               ? source.substr(kFolderCamera.size())
               : std::string();
}

RunProblem placeProblem(const char* text, const std::string& backup, const std::string& other) {
    return fillValues(text, {quoted(backup), quoted(other)}) + "\n" + kBackupOwnFolder;
}

// The text for a backup that is the folder `other`, lies inside it or holds it; none when it
// does neither.
const char* overlapText(const FolderPlace& backup, const FolderPlace& other) {
    const bool inside = liesWithin(backup, other);
    const bool holds = liesWithin(other, backup);
    return inside && holds ? kBackupIsPlace
           : inside        ? kBackupInsidePlace
           : holds         ? kBackupHoldsPlace
                           : nullptr;
}

} // namespace

RunProblem checkBackupPlaces(const UserDefaults& rules, const std::string& destination,
                             const PathList& sources) {
    const PathList backups = backupsAsGiven(rules);
    if (backups.empty())
        return std::nullopt;
    struct Named {
        std::string path;
        FolderPlace place;
    };
    std::vector<Named> roots{{destination, folderPlaceOf(destination)}};
    if (const std::string videos = runDestinationsOf(rules, destination).videos; !videos.empty())
        roots.push_back({videos, folderPlaceOf(videos)});
    std::vector<Named> placed;
    for (const std::string& backup : backups)
        placed.push_back({backup, folderPlaceOf(backup)});
    for (size_t at = 0; at < placed.size(); ++at) {
        const Named& backup = placed[at];
        for (const Named& root : roots)
            if (const char* text = overlapText(backup.place, root.place))
                return placeProblem(text, backup.path, root.path);
        for (const std::string& source : sources) {
            // A folder seen as a camera ("camera:disk:FOLDER") is a folder all the same; a
            // source inside a backup is read as any source.
            const std::string folder = folderOfSource(source);
            if (!folder.empty() && liesWithin(backup.place, folderPlaceOf(folder)))
                return placeProblem(overlapText(backup.place, folderPlaceOf(folder)), backup.path,
                                    folder);
        }
        for (size_t other = 0; other < at; ++other)
            if (const char* text = overlapText(backup.place, placed[other].place))
                return placeProblem(text, backup.path, placed[other].path);
    }
    return std::nullopt;
}

uint64_t sizeOfEntries(const PathList& entries, const ListedStatuses* statuses) {
    namespace fs = std::filesystem;
    uint64_t total = 0;
    // An entry listed twice (its source given twice) is copied once.
    std::unordered_set<std::string_view> counted;
    const bool listed = statuses && statuses->size() == entries.size();
    for (size_t at = 0; at < entries.size(); ++at) {
        const std::string& entry = entries[at];
        struct stat st;
        if (!counted.insert(entry).second)
            continue;
        // A file the listing read a moment ago: a rough sum needs no fresher size.
        if (listed && S_ISREG((*statuses)[at].mode)) {
            total += static_cast<uint64_t>((*statuses)[at].size);
            continue;
        }
        if (isCameraPath(entry) ? !remoteSources() || !remoteSources()->status(entry, st)
                                : ::stat(entry.c_str(), &st) != 0)
            continue;
        if (S_ISREG(st.st_mode)) {
            total += static_cast<uint64_t>(st.st_size);
        } else if (S_ISDIR(st.st_mode)) {
            std::error_code error;
            for (fs::recursive_directory_iterator
                     it(entry, fs::directory_options::skip_permission_denied, error),
                 end;
                 !error && it != end; it.increment(error)) {
                std::error_code sizeError;
                if (it->is_regular_file(sizeError) && !it->is_symlink(sizeError))
                    total += it->file_size(sizeError);
            }
        }
    }
    return total;
}

namespace {

// The regular files below some folders, by size, with their modification times (links not
// followed): a copy keeps its original's size and time, to the two seconds of FAT. A source
// that lies below them is no copy of itself.
class FilesBelow {
  public:
    explicit FilesBelow(const PathList& folders) {
        namespace fs = std::filesystem;
        for (const std::string& folder : folders) {
            std::error_code error;
            for (fs::recursive_directory_iterator
                     it(folder, fs::directory_options::skip_permission_denied, error),
                 end;
                 !error && it != end; it.increment(error)) {
                struct stat st;
                if (::lstat(it->path().c_str(), &st) == 0 && S_ISREG(st.st_mode))
                    files_[static_cast<uint64_t>(st.st_size)].push_back(
                        {st.st_mtim.tv_sec, st.st_dev, st.st_ino});
            }
        }
    }
    bool holdsCopyOf(const struct stat& file) const {
        const auto it = files_.find(static_cast<uint64_t>(file.st_size));
        return it != files_.end() &&
               std::any_of(it->second.begin(), it->second.end(), [&](const Found& found) {
                   return std::llabs(
                              static_cast<long long>(found.modified - file.st_mtim.tv_sec)) <= 2 &&
                          (found.device != file.st_dev || found.inode != file.st_ino);
               });
    }

  private:
    struct Found {
        time_t modified;
        dev_t device;
        ino_t inode;
    };
    std::unordered_map<uint64_t, std::vector<Found>> files_;
};

// The bytes the run will copy below `roots`: the entries without the files it will skip.
uint64_t bytesToCopy(const PathList& fileList, const PathList& roots,
                     const ListedStatuses* statuses, const SkippedByRun& skipped) {
    const FilesBelow there(roots);
    std::unordered_set<std::string_view> counted;
    uint64_t total = 0;
    for (size_t at = 0; at < fileList.size(); ++at) {
        const std::string& entry = fileList[at];
        if (!counted.insert(entry).second)
            continue;
        struct stat st;
        if (statuses && S_ISREG((*statuses)[at].mode))
            st = (*statuses)[at].asStat();
        else if (isCameraPath(entry) || ::stat(entry.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            total += sizeOfEntries({entry});
            continue;
        }
        if (!there.holdsCopyOf(st) && !(skipped && skipped(entry, st)))
            total += static_cast<uint64_t>(st.st_size);
    }
    return total;
}

// `roots`: the folders below `destination`'s file system that the copies go to.
RunProblem checkSpaceOn(const PathList& fileList, const std::string& destination,
                        FileSystemProbe& probe, const ListedStatuses* statuses,
                        const SkippedByRun& skipped, const PathList& roots) {
    const std::optional<uint64_t> free = probe.freeBytes(destination);
    if (!free)
        return std::nullopt;
    // Counted whole, although the answer is known once the sum passes the free space: the
    // warning names what the copies need, not where counting stopped.
    uint64_t needed = sizeOfEntries(fileList, statuses);
    if (needed <= *free)
        return std::nullopt;
    // Only now is it worth a look at the destination and the history: a re-run copies little.
    needed = bytesToCopy(fileList, roots, statuses, skipped);
    if (needed <= *free)
        return std::nullopt;
    return fillValues(
        ORVANE_TRANSLATE_NOOP("Orvane", "The files to copy need at least %1, but the disk of %2 "
                                        "has only %3 free. Files that do not fit will "
                                        "fail to copy."),
        {byteCountText(needed), quoted(destination), byteCountText(*free)});
}

bool sameFileSystem(const std::string& one, const std::string& other) {
    struct stat a, b;
    return ::stat(one.c_str(), &a) != 0 || ::stat(other.c_str(), &b) != 0 || a.st_dev == b.st_dev;
}

} // namespace

RunProblem checkSpace(const PathList& fileList, const std::string& destination,
                      FileSystemProbe& probe, const std::string& videoDestination,
                      const ListedStatuses* statuses, const SkippedByRun& skipped) {
    if (statuses && statuses->size() != fileList.size())
        statuses = nullptr;
    if (videoDestination.empty())
        return checkSpaceOn(fileList, destination, probe, statuses, skipped, {destination});
    if (sameFileSystem(destination, videoDestination))
        return checkSpaceOn(fileList, destination, probe, statuses, skipped,
                            {destination, videoDestination});
    PathList videos, others;
    ListedStatuses videoStatuses, otherStatuses;
    for (size_t at = 0; at < fileList.size(); ++at) {
        const bool video = fileKindOf(fileList[at]) == std::string_view(kVideosKind);
        (video ? videos : others).push_back(fileList[at]);
        if (statuses)
            (video ? videoStatuses : otherStatuses).push_back((*statuses)[at]);
    }
    RunProblem problem = checkSpaceOn(others, destination, probe,
                                      statuses ? &otherStatuses : nullptr, skipped, {destination});
    return problem ? problem
                   : checkSpaceOn(videos, videoDestination, probe,
                                  statuses ? &videoStatuses : nullptr, skipped, {videoDestination});
}

} // namespace orvane
