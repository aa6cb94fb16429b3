#include "platform/FileSystemProbe.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace orvane {
namespace {

constexpr const char* kProbeNameFormat = ".orvane-probe-%d-%d";

// Whether `name` is a probe of a process that is gone: its owner can no longer remove it. A
// process of that number that is alive (of any user) keeps its probe, which may be in use.
bool isProbeOfGoneProcess(const char* name) {
    int pid = 0, attempt = 0, length = 0;
    if (std::sscanf(name, ".orvane-probe-%d-%d%n", &pid, &attempt, &length) != 2 ||
        name[length] != '\0' || pid <= 0 || pid == getpid())
        return false;
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Removes the empty probes that killed processes left in the folder: regular files of this
// user, never through a link. The probe itself leaves none where O_TMPFILE works; these are of
// file systems without it (FAT, exFAT) or of older versions.
void removeStaleProbes(const std::string& folder) {
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return;
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        struct stat status;
        if (isProbeOfGoneProcess(entry->d_name) &&
            ::fstatat(dirFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(status.st_mode) && status.st_size == 0 && status.st_uid == ::geteuid())
            (void)::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

// A file without a name: nothing is left behind however the process ends. Answers -1 where
// the file system cannot make one.
int unnamedProbe(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return 0;
    }
    return errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL ? -1 : errno;
}

} // namespace

int PosixFileSystemProbe::writeProbe(const std::string& folder) {
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return errno;
    removeStaleProbes(folder);
    if (const int error = unnamedProbe(folder); error >= 0)
        return error;
    // Hidden, and named after this process so that two runs never meet on it; a leftover of
    // an earlier process of the same number is stepped around.
    for (int attempt = 0;; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, kProbeNameFormat, static_cast<int>(getpid()), attempt);
        const std::string probe = folder + "/" + name;
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST && attempt < 16)
            continue;
        if (fd < 0)
            return errno;
        ::close(fd);
        return ::unlink(probe.c_str()) == 0 ? 0 : errno;
    }
}

std::optional<uint64_t> PosixFileSystemProbe::freeBytes(const std::string& folder) {
    struct statvfs fs;
    if (::statvfs(folder.c_str(), &fs) != 0)
        return std::nullopt;
    return static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
}

} // namespace orvane
