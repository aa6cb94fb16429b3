#include "platform/FreeSpace.h"

#include <sys/statvfs.h>

namespace orvane {

std::optional<uint64_t> freeBytesAt(const std::string& path) {
    struct statvfs info;
    if (::statvfs(path.c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
}

} // namespace orvane
