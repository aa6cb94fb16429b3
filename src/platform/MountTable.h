#pragma once

// The mount table of /proc/self/mountinfo, read as untrusted text: the mounts made by anyone
// (a desktop, a user's mount command, ifuse), and the volumes among them and among the
// desktop's phone mounts that hold a camera's folder.

#include "platform/Volumes.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvane {

struct MountEntry {
    std::string mountPoint;
    std::string fileSystem; // "vfat", "fuse.ifuse" …
    std::string device;     // the mount's source: "/dev/sdb1", "ifuse" …
};

// The mounts of mountinfo text (at most 100,000 lines), escapes such as "\040" decoded;
// lines that do not parse are left out.
std::vector<MountEntry> parseMountInfo(std::string_view text);

// The kernel's table; empty when it cannot be read.
std::vector<MountEntry> readMountTable(const std::string& path = "/proc/self/mountinfo");

// The mounts that hold a camera's folder (DCIM), named after their mount points, leaving
// out the system's own file systems and `/`.
std::vector<MountedVolume> cameraMounts(const std::vector<MountEntry>& mounts);

// The phones and cameras the desktop mounts below its gvfs folder (/run/user/UID/gvfs):
// "mtp:host=…" and "gphoto2:host=…" with a DCIM folder at their top or in one of their
// storages, each named after its host ("Google Pixel 7").
std::vector<MountedVolume> phonesUnder(const std::string& gvfsFolder);

// The gvfs folder of the user running.
std::string gvfsFolder();

} // namespace orvane
