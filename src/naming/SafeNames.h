#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvane {

// The longest name, in bytes, that the common file systems take for one folder or file.
inline constexpr size_t kLongestName = 255;

// What a name may hold on the file system that receives it.
enum class NameRules {
    Posix,  // any byte but '/' and NUL
    Narrow, // FAT, exFAT and NTFS: nor :*?"<>|\ and no trailing dot or space
};

// The rules of a file system type as fileSystemTypeAt gives it: Narrow for FAT, exFAT and
// NTFS, also when mounted through FUSE (ntfs-3g).
NameRules nameRulesForFileSystem(long type);

// A token's value as one piece of one name: '/' and control characters become "_", and a
// value that is empty, "." or ".." is "_" as a whole.
std::string safeTokenValue(std::string value);

// A name made by a template, fit for the file system: what `rules` refuse is replaced by
// "_", and a name longer than kLongestName bytes is cut, keeping its last `keptTail` bytes
// (the extension) and never splitting a UTF-8 character. A '/' that a date code rendered
// into a file name becomes "_" too.
std::string fitName(std::string name, NameRules rules, size_t keptTail = 0);

// Every level of a folder made by a template fit as fitName fits a name; the levels stay.
std::string fitFolder(const std::string& folder, NameRules rules);

} // namespace orvane
