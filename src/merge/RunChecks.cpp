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

uint64_t sizeOfEntries(const PathList& entries) {
    namespace fs = std::filesystem;
    uint64_t total = 0;
    // An entry listed twice (its source given twice) is copied once.
    std::unordered_set<std::string_view> counted;
    for (const std::string& entry : entries) {
        struct stat st;
        if (!counted.insert(entry).second)
            continue;
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
                        FileSystemProbe& probe) {
    const std::optional<uint64_t> free = probe.freeBytes(destination);
    if (!free)
        return std::nullopt;
    // Counted whole, although the answer is known once the sum passes the free space: the
    // warning names what the copies need, not where counting stopped.
    const uint64_t needed = sizeOfEntries(fileList);
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
                      FileSystemProbe& probe, const std::string& videoDestination) {
    if (videoDestination.empty() || sameFileSystem(destination, videoDestination))
        return checkSpaceOn(fileList, destination, probe);
    PathList videos, others;
    for (const std::string& entry : fileList)
        (fileKindOf(entry) == std::string_view(kVideosKind) ? videos : others).push_back(entry);
    RunProblem problem = checkSpaceOn(others, destination, probe);
    return problem ? problem : checkSpaceOn(videos, videoDestination, probe);
}

} // namespace orvane
