#pragma once

#include <functional>
#include <optional>
#include <string>

namespace orvane {

// What fileSystemTypeAt answers for a FUSE mount of a block device (type "fuseblk": ntfs-3g,
// exfat-fuse), which statfs tells apart from other FUSE mounts only by the mount table.
inline constexpr long kFuseBlockFileSystem = 0x6675626c;

// The type of the file system that holds `path`, as statfs gives it (f_type: 0x4d44 for FAT,
// 0x2011bab0 for exFAT …), or none when it cannot be read.
std::optional<long> fileSystemTypeAt(const std::string& path);

// The seam through which the merge asks for it; tests play other file systems through it.
using FileSystemTypeProbe = std::function<std::optional<long>(const std::string& path)>;

} // namespace orvane
