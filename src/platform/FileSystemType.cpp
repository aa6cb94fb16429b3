#include "platform/FileSystemType.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/vfs.h>

namespace orvane {
namespace {

constexpr long kFuse = 0x65735546; // FUSE_SUPER_MAGIC

// A mount point of the mount table, its octal escapes ("\040" for a space) undone.
std::string unescaped(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && field.size() - i >= 4) {
            out += static_cast<char>(std::strtol(field.substr(i + 1, 3).c_str(), nullptr, 8));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

bool holds(const std::string& mountPoint, const std::string& path) {
    if (mountPoint == "/")
        return true;
    return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

// The type the mount table gives the innermost mount holding `path` ("fuseblk" …).
std::string mountTableType(const std::string& path) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved))
        return {};
    std::ifstream table("/proc/self/mountinfo");
    std::string line, best, type;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint, field;
        fields >> id >> parent >> device >> root >> mountPoint;
        while (fields >> field && field != "-") {
        }
        std::string fsType;
        fields >> fsType;
        mountPoint = unescaped(mountPoint);
        if (holds(mountPoint, resolved) && mountPoint.size() >= best.size()) {
            best = mountPoint;
            type = fsType;
        }
    }
    return type;
}

} // namespace

std::optional<long> fileSystemTypeAt(const std::string& path) {
    struct statfs status;
    if (::statfs(path.c_str(), &status) != 0)
        return std::nullopt;
    const long type = static_cast<long>(status.f_type);
    if (type == kFuse && mountTableType(path) == "fuseblk")
        return kFuseBlockFileSystem;
    return type;
}

} // namespace orvane
