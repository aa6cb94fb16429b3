#include "platform/MountTable.h"

#include "base/Paths.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace orvane {
namespace {

constexpr size_t kMostLines = 100000;
constexpr size_t kMostBytes = 64 << 20;

// The kernel writes space, tab, newline and backslash in paths as three octal digits.
std::string unescaped(std::string_view field) {
    std::string text;
    text.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::all_of(field.begin() + i + 1, field.begin() + i + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

std::vector<std::string_view> fieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (start < line.size()) {
        const size_t end = std::min(line.find(' ', start), line.size());
        if (end > start)
            fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

// File systems that hold no camera's card.
bool isSystemFileSystem(const std::string& type) {
    static const char* const kSystem[] = {
        "proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "cgroup", "cgroup2", "pstore", "bpf",
        "debugfs", "tracefs", "securityfs", "mqueue", "hugetlbfs", "configfs", "fusectl", "autofs",
        "binfmt_misc", "overlay", "nsfs", "ramfs", "efivarfs", "fuse.gvfsd-fuse", "fuse.portal",
        // Network file systems are no cards, and looking into them may hang.
        "nfs", "nfs4", "cifs", "smb3", "fuse.sshfs"};
    return std::find(std::begin(kSystem), std::end(kSystem), type) != std::end(kSystem);
}

bool isFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// "mtp:host=Google_Pixel_7_2A111FDH2000GJ" → "Google Pixel 7 2A111FDH2000GJ" as the host is
// written; the serial at its end is dropped where it follows the model.
std::string phoneLabel(const std::string& name) {
    const size_t equals = name.find('=');
    std::string host = equals == std::string::npos ? name : name.substr(equals + 1);
    const size_t last = host.rfind('_');
    if (last != std::string::npos && host.size() - last > 8)
        host.erase(last);
    std::replace(host.begin(), host.end(), '_', ' ');
    return host;
}

} // namespace

std::vector<MountEntry> parseMountInfo(std::string_view text) {
    std::vector<MountEntry> mounts;
    size_t start = 0;
    for (size_t lines = 0; start < text.size() && lines < kMostLines; ++lines) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const std::vector<std::string_view> fields = fieldsOf(text.substr(start, end - start));
        start = end + 1;
        // id parent major:minor root mount-point options [optional…] - type source options
        const auto separator = std::find(fields.begin(), fields.end(), "-");
        if (fields.size() < 6 || separator == fields.end() || fields.end() - separator < 3 ||
            separator - fields.begin() < 6)
            continue;
        std::string mountPoint = unescaped(fields[4]);
        if (mountPoint.empty() || mountPoint[0] != '/')
            continue;
        mounts.push_back({std::move(mountPoint), unescaped(separator[1]), unescaped(separator[2])});
    }
    return mounts;
}

std::vector<MountEntry> readMountTable(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(in.gcount()));
        if (text.size() > kMostBytes)
            break;
    }
    return parseMountInfo(text);
}

std::vector<MountedVolume> cameraMounts(const std::vector<MountEntry>& mounts) {
    std::vector<MountedVolume> volumes;
    for (const MountEntry& mount : mounts) {
        if (mount.mountPoint == "/" || isSystemFileSystem(mount.fileSystem) ||
            cameraFolderOf(mount.mountPoint).empty())
            continue;
        const bool phone = mount.fileSystem == "fuse.ifuse";
        volumes.push_back({lastPathComponent(mount.mountPoint), mount.mountPoint, phone});
    }
    return volumes;
}

std::vector<MountedVolume> phonesUnder(const std::string& gvfs) {
    std::vector<MountedVolume> phones;
    std::error_code error;
    for (std::filesystem::directory_iterator it(gvfs, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename();
        if (name.rfind("mtp:", 0) != 0 && name.rfind("gphoto2:", 0) != 0)
            continue;
        const std::string device = it->path();
        std::string folder = cameraFolderOf(device).empty() ? std::string() : device;
        std::error_code inner;
        for (std::filesystem::directory_iterator storage(device, inner), last;
             folder.empty() && !inner && storage != last; storage.increment(inner))
            if (isFolder(storage->path()) && !cameraFolderOf(storage->path()).empty())
                folder = storage->path();
        if (!folder.empty())
            phones.push_back({phoneLabel(name), folder, true});
    }
    std::sort(phones.begin(), phones.end(), [](const MountedVolume& a, const MountedVolume& b) {
        return a.mountPoint < b.mountPoint;
    });
    return phones;
}

std::string gvfsFolder() {
    return "/run/user/" + std::to_string(::getuid()) + "/gvfs";
}

} // namespace orvane
