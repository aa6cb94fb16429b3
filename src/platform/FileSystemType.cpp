#include "platform/FileSystemType.h"

#include <sys/vfs.h>

namespace orvane {

std::optional<long> fileSystemTypeAt(const std::string& path) {
    struct statfs status;
    if (::statfs(path.c_str(), &status) != 0)
        return std::nullopt;
    return static_cast<long>(status.f_type);
}

} // namespace orvane
