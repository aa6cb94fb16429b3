#include "selection/FileListBuilder.h"

#include "base/Log.h"
#include "base/StringHelpers.h"
#include "base/WindowText.h"
#include "merge/RunDestinations.h"
#include "platform/RemoteSources.h"
#include "platform/UserDefaults.h"
#include "prefs/PrefKeys.h"
#include "selection/PathFilters.h"
#include "selection/PatternRules.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <set>
#include <unistd.h>
#include <utility>

namespace orvane {
namespace {

inline constexpr const char* kFolderIntoItself =
    ORVANE_TRANSLATE_NOOP("Orvane", "Can't copy a folder into itself");

using FileId = std::pair<dev_t, ino_t>;

FileId idOf(const struct stat& status) {
    return {status.st_dev, status.st_ino};
}

// The destination root and the folders above it, by device and inode, so that the walk can
// recognise them under any name (a bind mount, a link given as a source).
struct DestinationIds {
    std::optional<FileId> root;
    std::set<FileId> rootAndAncestors;

    explicit DestinationIds(const std::string& destination) {
        if (destination.empty())
            return;
        int fd = ::open(destination.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        struct stat status;
        while (fd >= 0 && ::fstat(fd, &status) == 0) {
            if (!root)
                root = idOf(status);
            if (!rootAndAncestors.insert(idOf(status)).second)
                break; // "/" is its own parent
            const int parent = ::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = parent;
        }
        if (fd >= 0)
            ::close(fd);
    }

    bool isRoot(const struct stat& status) const { return root && *root == idOf(status); }
    bool holdsRoot(const struct stat& folder) const {
        return rootAndAncestors.count(idOf(folder)) > 0;
    }

    // The other folders the run copies into, with the reason a walk gives for each.
    std::map<FileId, const char*> otherRoots;
    void addOtherRoot(const std::string& folder, const char* reason) {
        struct stat status;
        if (::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
            otherRoots.emplace(idOf(status), reason);
    }
    const char* otherRootReason(const struct stat& status) const {
        const auto it = otherRoots.find(idOf(status));
        return it == otherRoots.end() ? nullptr : it->second;
    }
};

// The preferences of one build: the build runs on the main thread, where the preferences are
// also saved, so they cannot change while it runs.
struct BuildRules {
    bool copyHiddenFiles;
    bool acceptsCopy;
    const CompiledPattern& intact;
    const CompiledPattern& copy;
    const DestinationIds& destination;
};

// A folder that would be copied whole although the destination lies inside it: the copy
// would go on copying itself.
bool refuseFolderHoldingDestination(const std::string& path, const struct stat& status,
                                    const BuildRules& rules, RunResult& result) {
    if (!rules.destination.holdsRoot(status))
        return false;
    logMessage(LOG_WARN, "Not copying folder '%s' (fsr='%s') whole: the destination is inside it",
               safeCString(path).c_str(), path.c_str());
    result.recordError(path, kFolderIntoItself);
    return true;
}

void recordDestinationSkipped(const std::string& path, RunResult& result) {
    if (logThreshold() >= LOG_DEBUG)
        logMessage(LOG_DEBUG, "Not walking folder '%s': it is the destination folder",
                   safeCString(path).c_str());
    result.recordSkipped(path, skip::kDestinationFolder);
}

void walkSourceFolder(const std::string& source, const BuildRules& rules, PathList& list,
                      ListedStatuses* statuses, RunResult& result, const FolderOpener& opener) {
    DirectoryWalker walker(source, opener, [&](const std::string& folder, int error) {
        // What cannot be listed cannot be copied: say so in the report rather than leave the
        // folder's files out without a word.
        logMessage(LOG_WARN, "Couldn't read folder '%s' (fsr='%s'): %d-%s",
                   safeCString(folder).c_str(), folder.c_str(), error, std::strerror(error));
        result.recordSkipped(folder, skip::kCouldntAccess);
    });
    while (walker.next()) {
        const std::string& entry = walker.path();
        const std::string_view name = walker.name();
        const char* reason = filters::partialCopySkipReason(entry, name);
        if (!reason)
            reason = filters::hiddenSkipReason(entry, name, rules.copyHiddenFiles);
        if (reason) {
            walker.skipDescendants();
            result.recordSkipped(entry, reason);
            continue;
        }
        const struct stat* status;
        const int error = walker.linkStatus(status);
        if (const char* reason = filters::statusSkipReason(entry, error, *status)) {
            walker.skipDescendants();
            result.recordSkipped(entry, reason);
            continue;
        }
        if (S_ISDIR(status->st_mode)) {
            if (rules.destination.isRoot(*status)) {
                walker.skipDescendants();
                recordDestinationSkipped(entry, result);
                continue;
            }
            if (const char* reason = rules.destination.otherRootReason(*status)) {
                walker.skipDescendants();
                result.recordSkipped(entry, reason);
                continue;
            }
            if (!filters::shouldPreserveDirectory(entry, name, rules.intact))
                continue; // the walk goes into it; the folder itself is not listed
            walker.skipDescendants();
            if (refuseFolderHoldingDestination(entry, *status, rules, result))
                continue;
        }
        if (filters::shouldIncludeFile(entry, name, rules.copy, rules.acceptsCopy)) {
            list.push_back(entry);
            if (statuses)
                statuses->push_back(ListedStatus::of(*status));
        } else {
            result.recordSkipped(entry, skip::kPatternPreference);
        }
    }
}

// The files of a camera's source, each passing the rules for names as a file of a folder
// would. The report names the device the files come from.
void listCameraSource(const std::string& source, const BuildRules& rules, PathList& list,
                      ListedStatuses* statuses, RunResult& result) {
    RemoteSources* remote = remoteSources();
    std::vector<std::string> entries;
    if (ErrorText error = remote ? remote->list(source, entries) : ErrorText(kNoCameraAccess)) {
        result.recordError(source, *error);
        return;
    }
    result.notes.push_back("From " + remote->deviceName(source));
    for (const std::string& entry : entries) {
        const std::string_view name = std::string_view(entry).substr(entry.rfind('/') + 1);
        const bool hidden = entry.find("/.", source.size()) != std::string::npos;
        struct stat status;
        if (hidden && !rules.copyHiddenFiles)
            result.recordSkipped(entry, skip::kHiddenFile);
        else if (remote->status(entry, status) && !S_ISREG(status.st_mode))
            result.recordSkipped(entry,
                                 S_ISLNK(status.st_mode) ? skip::kAlias : skip::kNotFileOrFolder);
        else if (filters::shouldIncludeFile(entry, name, rules.copy, rules.acceptsCopy)) {
            list.push_back(entry);
            if (statuses)
                statuses->emplace_back(); // read from the camera when needed
        } else {
            result.recordSkipped(entry, skip::kPatternPreference);
        }
    }
}

} // namespace

std::optional<PathList> buildFileList(const PathList& sources, const std::string& destination,
                                      const UserDefaults& defaults, RunResult& result,
                                      AlertService* alerts, const FolderOpener& opener,
                                      const PatternFixer& fixer, ListedStatuses* statuses) {
    const std::unique_ptr<CompiledPattern> intact = compiledRegexForPatterns(
        defaults.stringArrayForKey(keys::kIntactFolderPatterns).value_or(StringList{}),
        patterns::kFolderCopyingType, alerts, fixer);
    if (!intact)
        return std::nullopt;
    const std::unique_ptr<CompiledPattern> copy = compiledRegexForPatterns(
        defaults.stringArrayForKey(keys::kCopyFilePatterns).value_or(StringList{}),
        patterns::kFileCopyingType, alerts, fixer);
    if (!copy)
        return std::nullopt;

    DestinationIds destinationIds(destination);
    const RunDestinations others = runDestinationsOf(defaults, destination);
    if (!others.videos.empty())
        destinationIds.addOtherRoot(others.videos, skip::kVideoDestinationFolder);
    for (const std::string& backup : others.backups)
        destinationIds.addOtherRoot(backup, skip::kBackupFolder);
    const BuildRules rules{defaults.boolForKey(keys::kCopyHiddenFiles),
                           filePatternMatchAcceptsCopy(defaults), *intact, *copy, destinationIds};
    PathList list;
    for (const std::string& source : sources) {
        if (isCameraPath(source)) {
            listCameraSource(source, rules, list, statuses, result);
            continue;
        }
        if (const char* reason = shouldSkipPath(source, defaults)) {
            result.recordSkipped(source, reason);
            continue;
        }
        // Only a source that vanished since it passed lstat is missing here: it is left out.
        struct stat status;
        if (::stat(source.c_str(), &status) != 0)
            continue;
        auto listSource = [&] {
            list.push_back(source);
            if (statuses)
                statuses->push_back(ListedStatus::of(status));
        };
        if (!S_ISDIR(status.st_mode)) {
            if (shouldIncludeFile(source, *copy, defaults))
                listSource();
            else
                result.recordSkipped(source, skip::kPatternPreference);
        } else if (destinationIds.isRoot(status)) {
            recordDestinationSkipped(source, result);
        } else if (const char* reason = destinationIds.otherRootReason(status)) {
            result.recordSkipped(source, reason);
        } else if (shouldPreserveDirectory(source, *intact)) {
            if (!refuseFolderHoldingDestination(source, status, rules, result))
                listSource();
        } else {
            walkSourceFolder(source, rules, list, statuses, result, opener);
        }
    }

    if (logThreshold() >= LOG_DEBUG)
        logMessage(LOG_DEBUG, "Completed file list: '%s'",
                   safeCString(describePrefValue(list)).c_str());
    return list;
}

} // namespace orvane
