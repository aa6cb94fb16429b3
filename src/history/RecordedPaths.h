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

// A folder a run copied below: its destination, or another (a backup, a folder for videos),
// with the identity it had when the run began.
struct RecordedRoot {
    std::string path;
    std::optional<FileStamp> stamp;
};

// An item a journal names, found below the run's destination: the folder holding it (open),
// its name there, its path below the destination, and its status (links not followed).
struct RecordedItem {
    UniqueFd parent;
    std::string name;
    std::string relative;
    struct stat status = {};
};

// The `err` of findRecorded for a path that is not below the destination.
inline constexpr int kNotBelow = -1;

// Finds `path` below the open destination `rootFd` (the folder `root`), walking to it one
// folder at a time without following links. None, with kNotBelow or the errno of the failed
// step in `err`, when it cannot be reached.
std::optional<RecordedItem> findRecorded(int rootFd, const std::string& root,
                                         const std::string& path, int& err);

// The roots of a run, each opened (as openRunRoot does) when first needed; a path is reached
// below the innermost root that holds it, so that a root inside another still vouches for
// what is below it.
class RecordedRoots {
  public:
    explicit RecordedRoots(std::vector<RecordedRoot> roots);

    // findRecorded below the path's root. None with `problem` set (kRootGone,
    // kRootNotTheRunsFolder) when that root cannot be used, else with `err` as findRecorded
    // sets it (kNotBelow for a path below no root).
    std::optional<RecordedItem> find(const std::string& path, int& err, const char*& problem);
    // The root `path` is below (none: kNotBelow), for messages.
    const RecordedRoot* rootOf(const std::string& path) const;

  private:
    struct Opened {
        RecordedRoot root;
        bool tried = false;
        UniqueFd fd;
        const char* problem = nullptr;
    };
    Opened* openedRootOf(const std::string& path);

    std::vector<Opened> roots_;
};

// Whether the item is the one made (same device, inode and kind) and belongs to the user
// running: only then may it be taken away.
bool isMadeItem(const FileStamp& made, const struct stat& status);
// And, for a copy that got its final name, whether it still has the size and modification
// time it was given.
bool isMadeCopy(const FileStamp& made, const struct stat& status);

// Removes a file, or a folder and everything in it through descriptors, never following a
// link. Answers 0 or the errno of the first thing that could not be removed.
int removeRecorded(const RecordedItem& item);
int removeFolderAt(int parentFd, const char* name);

} // namespace orvane
