#include "merge/RunChecks.h"

#include "base/NumberText.h"
#include "base/StringHelpers.h"
#include "base/WindowText.h"
#include "naming/FileKind.h"
#include "platform/FileSystemProbe.h"
#include "platform/RemoteSources.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <unordered_set>

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

RunProblem checkSpaceOn(const PathList& fileList, const std::string& destination,
                        FileSystemProbe& probe, const ListedStatuses* statuses) {
    const std::optional<uint64_t> free = probe.freeBytes(destination);
    if (!free)
        return std::nullopt;
    // Counted whole, although the answer is known once the sum passes the free space: the
    // warning names what the copies need, not where counting stopped.
    const uint64_t needed = sizeOfEntries(fileList, statuses);
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
                      const ListedStatuses* statuses) {
    if (statuses && statuses->size() != fileList.size())
        statuses = nullptr;
    if (videoDestination.empty() || sameFileSystem(destination, videoDestination))
        return checkSpaceOn(fileList, destination, probe, statuses);
    PathList videos, others;
    ListedStatuses videoStatuses, otherStatuses;
    for (size_t at = 0; at < fileList.size(); ++at) {
        const bool video = fileKindOf(fileList[at]) == std::string_view(kVideosKind);
        (video ? videos : others).push_back(fileList[at]);
        if (statuses)
            (video ? videoStatuses : otherStatuses).push_back((*statuses)[at]);
    }
    RunProblem problem =
        checkSpaceOn(others, destination, probe, statuses ? &otherStatuses : nullptr);
    return problem
               ? problem
               : checkSpaceOn(videos, videoDestination, probe, statuses ? &videoStatuses : nullptr);
}

} // namespace orvane
