#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orvane {

// The space free to this user on the file system that holds `path` (statvfs), or none when
// it cannot be read.
std::optional<uint64_t> freeBytesAt(const std::string& path);

// The seam through which callers ask for free space; tests give their own.
using FreeSpaceProbe = std::function<std::optional<uint64_t>(const std::string& path)>;

} // namespace orvane
