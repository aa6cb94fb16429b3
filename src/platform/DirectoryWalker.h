#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace orvane {

// Opens a folder for listing: `name` relative to the open folder `atFd`, or a full path with
// AT_FDCWD. Answers a descriptor, or -1 with errno set. The walk's default never follows a
// symbolic link; tests put another opener in its place to meet failures that root never meets.
using FolderOpener = std::function<int(int atFd, const char* name)>;
int openFolderForListing(int atFd, const char* name);

// Told about a folder whose contents could not be listed (in full), with the errno.
using UnreadableFolderHandler = std::function<void(const std::string& path, int error)>;

// What a listing read of an entry, kept beside the file list so that the steps after it need
// not read it again: what identifies the entry, its kind, size and times. `mode` is 0 when
// nothing was read.
struct ListedStatus {
    dev_t device = 0;
    ino_t inode = 0;
    mode_t mode = 0;
    off_t size = 0;
    struct timespec modified = {};
    struct timespec changed = {};

    static ListedStatus of(const struct stat& status);
    // As a stat result: the fields above, the rest zero.
    struct stat asStat() const;
};
// One for each entry of a file list, in its order.
using ListedStatuses = std::vector<ListedStatus>;

// A depth-first walk of everything below a folder. Each folder comes before its contents, and
// the entries of one folder come in byte order of their names, so that runs are reproducible.
// Symbolic links are never followed, names beginning with a dot are included. Iterative, so the
// depth of a tree is limited only by the length of its paths.
class DirectoryWalker {
  public:
    explicit DirectoryWalker(std::string root, FolderOpener opener = {},
                             UnreadableFolderHandler onUnreadable = {});
    ~DirectoryWalker();
    DirectoryWalker(const DirectoryWalker&) = delete;
    DirectoryWalker& operator=(const DirectoryWalker&) = delete;

    // Moves to the next entry; false at the end. When the previous entry is a folder whose
    // descendants were not skipped, its contents come next.
    bool next();

    // The current entry's path: the root, "/", and the path relative to the root.
    const std::string& path() const { return path_; }
    std::string_view relativePath() const;
    std::string_view name() const;

    // The current entry examined with lstat, at most once per entry: 0 with `status` set, or
    // the errno of the failure.
    int linkStatus(const struct stat*& status);

    // Whether the current entry is a folder (not a link to one).
    bool isDirectory();

    // Do not descend into the current entry.
    void skipDescendants() { descend_ = false; }

  private:
    struct Entry {
        size_t nameOffset;
        unsigned short nameLength;
        unsigned char type; // DT_* of the listing
    };
    // One folder being walked. Frames are kept when popped so that their buffers are reused.
    struct Frame {
        int fd = -1; // open while listed children need it; -1 deep in a tree
        size_t pathLength = 0;
        std::string names; // every entry's name, each NUL-terminated
        std::vector<Entry> entries;
        size_t index = 0;
    };

    void enter(int atFd, const char* name);
    void popFrame();
    const Entry& currentEntry() const { return frames_[depth_ - 1].entries[currentIndex_]; }
    const char* currentName() const;

    std::string root_;
    std::string path_;
    FolderOpener opener_;
    UnreadableFolderHandler onUnreadable_;
    std::vector<Frame> frames_;
    size_t depth_ = 0;
    size_t currentIndex_ = 0;
    bool started_ = false;
    bool haveCurrent_ = false;
    bool descend_ = false;
    bool statusKnown_ = false;
    int statusError_ = 0;
    struct stat status_ = {};
    std::unique_ptr<char[]> listingBuffer_;
};

} // namespace orvane
