#include "merge/SourceRemoval.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/StringHelpers.h"
#include "merge/NameClash.h"
#include "platform/FileCopier.h"
#include "platform/FileDescriptor.h"
#include "platform/RemoteSources.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace orvane {
namespace {

std::atomic<bool> readOnlyForTests{false};

// Whether a copy's time is the original's: copies keep times to the microsecond.
bool sameTimes(const struct timespec& copy, const struct timespec& original) {
    return copy.tv_sec == original.tv_sec && copy.tv_nsec / 1000 == original.tv_nsec / 1000;
}

// Whether the original is still the file that was copied: not replaced, written or touched.
bool unchangedSince(const FileStamp& stamp, const struct stat& now) {
    return FileStamp::of(now) == stamp;
}

// The path of `path` below `root`, or none when it is not strictly inside it or has an empty,
// "." or ".." component there.
std::optional<std::string> relativeBelow(std::string root, const std::string& path) {
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    const size_t below = root == "/" ? 1 : root.size() + 1;
    if (root.empty() || path.size() <= below || path.compare(0, root.size(), root) != 0 ||
        (root != "/" && path[root.size()] != '/'))
        return std::nullopt;
    const std::string relative = path.substr(below);
    for (size_t start = 0;;) {
        const size_t end = std::min(relative.find('/', start), relative.size());
        const std::string_view part(relative.data() + start, end - start);
        if (part.empty() || part == "." || part == "..")
            return std::nullopt;
        if (end == relative.size())
            return relative;
        start = end + 1;
    }
}

// Whether `relative` below `root` is reached without a link on the way, as undo walks to it.
bool reachedWithoutLinks(const std::string& root, const std::string& relative) {
    char* resolvedRoot = ::realpath(root.c_str(), nullptr);
    char* resolved = ::realpath(appendPathComponent(root, relative).c_str(), nullptr);
    const bool direct =
        resolvedRoot && resolved && appendPathComponent(resolvedRoot, relative) == resolved;
    std::free(resolvedRoot);
    std::free(resolved);
    return direct;
}

// Whether a skip names a copy made before: the import history's, or the same bytes found
// elsewhere in the destination.
bool namesEarlierCopy(const EntryOutcome& outcome) {
    return outcome.alreadyThere && !outcome.reason.empty() && !outcome.path.empty() &&
           (skip::isImportedBefore(outcome.reason) ||
            outcome.reason.rfind(skip::kAlreadyInDestination, 0) == 0);
}

} // namespace

bool SourceRemoval::earlierCopyStands(const std::string& source, const struct stat& original,
                                      const std::string& copy) const {
    // Below the destination first, as the backups mirror it.
    std::optional<std::string> relative;
    std::string root;
    for (const std::string& candidate : {result_.destination, videoRoot_})
        if (!candidate.empty() && (relative = relativeBelow(candidate, copy))) {
            root = candidate;
            break;
        }
    if (!relative || !reachedWithoutLinks(root, *relative)) {
        logMessage(LOG_INFO,
                   "Keeping original '%s' (fsr='%s'): its earlier copy '%s' is not below the "
                   "run's folders",
                   safeCString(source).c_str(), source.c_str(), safeCString(copy).c_str());
        return false;
    }
    for (const std::string& backup : result_.backups) {
        const std::string there = appendPathComponent(backup, *relative);
        struct stat status;
        if (::lstat(there.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
            status.st_size != original.st_size || !sameContents(source, original, there)) {
            logMessage(LOG_INFO, "Keeping original '%s' (fsr='%s'): the backup '%s' lacks it",
                       safeCString(source).c_str(), source.c_str(), safeCString(there).c_str());
            return false;
        }
    }
    return true;
}

void SourceRemoval::consider(size_t entry, const std::string& source, const EntryOutcome& outcome) {
    const bool freed = considerFreeing(entry, source, outcome);
    lastGroup_ = groupOf(source);
    if (!freed && lastGroup_)
        heldGroups_.insert(*lastGroup_);
}

std::optional<std::string> SourceRemoval::groupOf(const std::string& source) const {
    if (!pairs_ || !pairs_->isPaired(source))
        return std::nullopt;
    return pairs_->nameLeaderOf(source);
}

std::vector<OriginalRemoval> SourceRemoval::takeRemovable(bool keepLast) {
    std::vector<OriginalRemoval> freed, waiting;
    freed.swap(freed_);
    freedBytes_ = 0;
    std::vector<OriginalRemoval> removable;
    for (OriginalRemoval& removal : freed) {
        const std::optional<std::string> group = groupOf(removal.source);
        if (group && heldGroups_.count(*group)) {
            keepOriginal(removal.source, kPartnerStays);
        } else if (group && keepLast && group == lastGroup_) {
            freedBytes_ += removal.sourceStamp.size;
            freed_.push_back(std::move(removal)); // its partners may come next
        } else if (!sourceReadOnly(removal.source)) {
            removable.push_back(std::move(removal));
        }
    }
    return removable;
}

bool SourceRemoval::considerFreeing(size_t entry, const std::string& source,
                                    const EntryOutcome& outcome) {
    // Only a copy made now or bytes compared now vouch for the original: a skip for a copy
    // made before is compared below, any other skip stays.
    const bool earlierCopy = namesEarlierCopy(outcome);
    if (stopped_ || outcome.error ||
        (outcome.alreadyThere && !outcome.reason.empty() && !earlierCopy))
        return false;
    if (isCameraPath(source)) {
        // A camera's files are its own to delete.
        if (!cameraNoted_)
            result_.notes.push_back(kCameraFilesStay);
        cameraNoted_ = true;
        return false;
    }
    struct stat original;
    if (::lstat(source.c_str(), &original) != 0 || !S_ISREG(original.st_mode))
        return false; // a folder of the card stays, and so does what it holds
    // A folder below another root than the destination (videos sent apart) is kept whole.
    const std::string folder = dateFolderOf(source);
    const std::string copy =
        !outcome.path.empty()
            ? outcome.path
            : appendPathComponent(!folder.empty() && folder[0] == '/'
                                      ? folder
                                      : appendPathComponent(result_.destination, folder),
                                  lastPathComponent(source));
    struct stat copied;
    const bool copyThere = ::lstat(copy.c_str(), &copied) == 0;
    if (copyThere && copied.st_dev == original.st_dev && copied.st_ino == original.st_ino)
        return false; // found "at the destination" as itself (or a link to it): there is no copy
    // A copy made before that is gone, elsewhere or missing from a backup leaves the skip as
    // it is: the original stays, as the report's reason says.
    if (earlierCopy &&
        (!copyThere || !S_ISREG(copied.st_mode) || !earlierCopyStands(source, original, copy)))
        return false;
    const bool intact = copyThere && S_ISREG(copied.st_mode) &&
                        copied.st_size == original.st_size &&
                        (earlierCopy            ? sameContents(source, original, copy)
                         : outcome.alreadyThere ? true
                                                : sameTimes(copied.st_mtim, original.st_mtim));
    if (!intact) {
        logMessage(LOG_WARN, "Keeping original '%s' (fsr='%s'): it differs from its copy '%s'",
                   safeCString(source).c_str(), source.c_str(), safeCString(copy).c_str());
        keepOriginal(source, kOriginalChanged);
        return false;
    }
    freed_.push_back({entry, source, FileStamp::of(original), original.st_mode & 07777,
                      original.st_atim, copy, FileStamp::of(copied)});
    freedBytes_ += original.st_size;
    return true;
}

std::string SourceRemoval::dateFolderOf(const std::string& source) const {
    auto it = result_.resCopiedDict.find(source);
    return it != result_.resCopiedDict.end() ? it->second : std::string();
}

void SourceRemoval::removeFreed(bool last) {
    if (freed_.empty() || (!last && freed_.size() < kGroupEntries && freedBytes_ < kGroupBytes))
        return;
    std::vector<OriginalRemoval> removable = takeRemovable(!last);
    if (removable.empty() || !copiesDurable(removable))
        return;
    // On record, durably, before the first original goes.
    if (observer_ && !observer_->removingOriginals(removable)) {
        stopped_ = true;
        result_.notes.push_back(kRemovalsNotRecorded);
        return;
    }
    for (const OriginalRemoval& removal : removable) {
        const std::string& source = removal.source;
        struct stat now;
        if (::lstat(source.c_str(), &now) != 0 || !unchangedSince(removal.sourceStamp, now)) {
            keepOriginal(source, kOriginalChanged);
            continue;
        }
        if (sourceReadOnly(source))
            continue;
        if (::unlink(source.c_str()) != 0) {
            const int err = errno;
            logMessage(LOG_WARN, "Couldn't remove original '%s' (fsr='%s'): %d-%s",
                       safeCString(source).c_str(), source.c_str(), err, std::strerror(err));
            if (err == EROFS)
                markReadOnly(source);
            else
                keepOriginal(source, std::string(kCouldNotRemoveOriginal) + std::strerror(err));
            continue;
        }
        ++result_.originalsRemoved;
        if (observer_)
            observer_->originalRemoved(removal.entry);
    }
}

bool SourceRemoval::copiesDurable(const std::vector<OriginalRemoval>& removals) {
    // The copies' data is durable; their names (and a file found there already) must be too,
    // in the destination and in every backup.
    std::set<dev_t> done;
    std::vector<std::pair<dev_t, std::string>> folders;
    for (const OriginalRemoval& removal : removals)
        folders.emplace_back(removal.copyStamp.device, deletingLastPathComponent(removal.copy));
    for (const std::string& backup : result_.backups)
        if (struct stat status; ::stat(backup.c_str(), &status) == 0)
            folders.emplace_back(status.st_dev, backup);
    for (const auto& [device, folder] : folders) {
        if (!done.insert(device).second)
            continue;
        const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        std::optional<CopyFailure> failure =
            fd.get() < 0
                ? std::optional<CopyFailure>(CopyFailure{CopyFailure::Kind::Failed, errno,
                                                         std::strerror(errno), folder, folder})
                : syncFileSystem(fd.get(), folder);
        if (failure) {
            logMessage(LOG_WARN, "Couldn't write the copies in '%s' to disk: %s; keeping originals",
                       safeCString(folder).c_str(), failure->text.c_str());
            for (const OriginalRemoval& kept : removals)
                keepOriginal(kept.source, std::string(kCouldNotRemoveOriginal) + failure->text);
            return false;
        }
    }
    return true;
}

bool SourceRemoval::sourceReadOnly(const std::string& source) {
    const std::string folder = deletingLastPathComponent(source);
    auto [it, added] = readOnlyFolders_.try_emplace(folder, false);
    if (added) {
        struct statvfs status;
        it->second = readOnlyForTests ||
                     (::statvfs(folder.c_str(), &status) == 0 && (status.f_flag & ST_RDONLY));
        if (it->second)
            noteReadOnly();
    }
    return it->second;
}

void SourceRemoval::markReadOnly(const std::string& source) {
    readOnlyFolders_[deletingLastPathComponent(source)] = true;
    noteReadOnly();
}

void SourceRemoval::noteReadOnly() {
    if (readOnlyNoted_)
        return;
    readOnlyNoted_ = true;
    result_.notes.push_back(kReadOnlySources);
}

void SourceRemoval::keepOriginal(const std::string& source, const std::string& reason) {
    if (result_.originalsKeptDict.emplace(source, reason).second)
        result_.originalsKept.push_back(source);
}

namespace removal_faults {
void setReadOnlySources(bool on) {
    readOnlyForTests = on;
}
} // namespace removal_faults

} // namespace orvane
