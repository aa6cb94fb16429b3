#pragma once

#include <ctime>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace orvane {

// What tells a copy as a run left it from anything put in its place later: a write, a
// rename, a `touch` or a replacement changes the inode, the size or one of the two times,
// and the change time cannot be set back by anyone.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    mode_t type = 0; // the S_IFMT bits
    off_t size = 0;
    struct timespec modified = {};
    struct timespec changed = {};

    static FileStamp of(const struct stat& status);
    bool operator==(const FileStamp& other) const;
};

// One item inside a copied folder: its path below the folder and its stamp.
struct TreeItem {
    std::string path;
    FileStamp stamp;
};

// The stamps of everything inside the folder open as `folderFd`, links not followed,
// each folder before what it holds. Answers false when part of it cannot be read.
[[nodiscard]] bool stampTree(int folderFd, std::vector<TreeItem>& items);

} // namespace orvane
