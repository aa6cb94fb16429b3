#include "platform/FileSystemProbe.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace orvane {

int PosixFileSystemProbe::writeProbe(const std::string& folder) {
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return errno;
    // Hidden, and named after this process so that two runs never meet on it; a leftover of
    // an earlier process of the same number is stepped around.
    for (int attempt = 0;; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, "/.orvane-probe-%d-%d", static_cast<int>(getpid()),
                      attempt);
        const std::string probe = folder + name;
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
