#include "platform/VolumeIdentity.h"

#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace orvane {
namespace {

// Mount tables write a space, a tab, a newline and a backslash as octal escapes.
std::string unescaped(const std::string& text) {
    auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && isOctal(text[i + 1]) &&
            isOctal(text[i + 2]) && isOctal(text[i + 3])) {
            out += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                                     (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The name of the entry of `folder` that is a link to the block device `device`, or "".
std::string linkNameFor(const char* folder, dev_t device) {
    DIR* dir = ::opendir(folder);
    if (!dir)
        return "";
    std::string found;
    while (struct dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        struct stat status;
        if (::stat((std::string(folder) + "/" + entry->d_name).c_str(), &status) == 0 &&
            S_ISBLK(status.st_mode) && status.st_rdev == device) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

bool isBelow(const std::string& path, const std::string& folder) {
    if (folder == "/")
        return !path.empty() && path[0] == '/';
    return path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

} // namespace

VolumePlace VolumeIdentities::placeOf(const std::string& path, dev_t device) {
    auto it = volumes_.find(device);
    if (it == volumes_.end()) {
        Volume volume;
        if (std::string uuid = linkNameFor("/dev/disk/by-uuid", device); !uuid.empty())
            volume.key = "uuid:" + uuid;
        else if (std::string label = linkNameFor("/dev/disk/by-label", device); !label.empty())
            volume.key = "label:" + label;
        if (!volume.key.empty()) {
            // The mount of this device that holds the path, the deepest where several do.
            std::ifstream mounts("/proc/self/mountinfo");
            const std::string wanted =
                std::to_string(major(device)) + ":" + std::to_string(minor(device));
            for (std::string line; std::getline(mounts, line);) {
                std::istringstream fields(line);
                std::string id, parent, numbers, root, mountPoint;
                if (!(fields >> id >> parent >> numbers >> root >> mountPoint) || numbers != wanted)
                    continue;
                mountPoint = unescaped(mountPoint);
                if (isBelow(path, mountPoint) && mountPoint.size() >= volume.mountPoint.size()) {
                    volume.mountPoint = mountPoint;
                    volume.root = unescaped(root);
                }
            }
            if (volume.mountPoint.empty())
                volume.key.clear();
        }
        it = volumes_.emplace(device, std::move(volume)).first;
    }
    const Volume& volume = it->second;
    if (volume.key.empty() || !isBelow(path, volume.mountPoint))
        return {"", path};
    std::string below = path.substr(volume.mountPoint == "/" ? 0 : volume.mountPoint.size());
    if (below.empty())
        below = "/";
    if (volume.root != "/")
        below = volume.root + (below == "/" ? "" : below);
    return {volume.key, below};
}

} // namespace orvane
