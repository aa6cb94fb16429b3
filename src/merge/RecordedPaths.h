#pragma once

// Reaching what a run journal names below the run's destination. Every path is taken apart
// below the destination and walked from it one folder at a time without following links,
// so that nothing outside the destination can be named and no link planted since the run
// leads elsewhere.

#include "merge/FileStamp.h"
#include "platform/FileDescriptor.h"

#include <optional>
#include <string>
#include <vector>

namespace orvane {

// The components of `path` below `root`, or none when it is not strictly inside it or has
// an empty, "." or ".." component there, or a NUL anywhere.
std::optional<std::vector<std::string>> componentsBelow(const std::string& root,
                                                        const std::string& path);

inline constexpr const char* kRootGone = "no longer there";
inline constexpr const char* kRootNotTheRunsFolder = "not the folder the run wrote into";

// Opens the run's destination folder; none, with the reason in `problem`, when it is gone or
// is not the folder the run wrote into (its device and inode must be those recorded, and a
// journal that recorded none vouches for nothing).
UniqueFd openRunRoot(const std::string& destination, const std::optional<FileStamp>& recorded,
                     const char*& problem);

// The folder holding the last component, reached from the root without following links; an
// invalid descriptor with errno set when a folder on the way is missing or is a link.
UniqueFd openParentBelow(int rootFd, const std::vector<std::string>& components);

// Whether the item is the one made (same device, inode and kind) and belongs to the user
// running: only then may it be taken away.
bool isMadeItem(const FileStamp& made, const struct stat& status);

// Removes a folder and everything in it through descriptors, never following a link.
// Answers 0 or the errno of the first thing that could not be removed.
int removeFolderAt(int parentFd, const char* name);

} // namespace orvane
