#include "platform/DirectoryWalker.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace orvane {
namespace {

constexpr size_t kListingBufferSize = 32 * 1024;
// Folders deeper than this are listed and closed at once: their children are then reached by
// full path, so that a very deep tree cannot use up the process's descriptors.
constexpr size_t kMaxOpenFolders = 48;

} // namespace

ListedStatus ListedStatus::of(const struct stat& status) {
    return {status.st_dev,  status.st_ino,  status.st_mode,
            status.st_size, status.st_mtim, status.st_ctim};
}

struct stat ListedStatus::asStat() const {
    struct stat status = {};
    status.st_dev = device;
    status.st_ino = inode;
    status.st_mode = mode;
    status.st_size = size;
    status.st_mtim = modified;
    status.st_ctim = changed;
    return status;
}

int openFolderForListing(int atFd, const char* name) {
    return ::openat(atFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

DirectoryWalker::DirectoryWalker(std::string root, FolderOpener opener,
                                 UnreadableFolderHandler onUnreadable)
    : root_(std::move(root)), opener_(std::move(opener)), onUnreadable_(std::move(onUnreadable)) {
    if (!opener_)
        opener_ = openFolderForListing;
}

DirectoryWalker::~DirectoryWalker() {
    while (depth_ > 0)
        popFrame();
}

std::string_view DirectoryWalker::relativePath() const {
    if (path_.size() <= root_.size())
        return {};
    return std::string_view(path_).substr(root_.size() + 1);
}

const char* DirectoryWalker::currentName() const {
    return frames_[depth_ - 1].names.data() + currentEntry().nameOffset;
}

std::string_view DirectoryWalker::name() const {
    if (!haveCurrent_)
        return {};
    return std::string_view(currentName(), currentEntry().nameLength);
}

int DirectoryWalker::linkStatus(const struct stat*& status) {
    if (!statusKnown_) {
        const Frame& frame = frames_[depth_ - 1];
        const int rc = frame.fd >= 0
                           ? ::fstatat(frame.fd, currentName(), &status_, AT_SYMLINK_NOFOLLOW)
                           : ::lstat(path_.c_str(), &status_);
        statusError_ = rc == 0 ? 0 : errno;
        statusKnown_ = true;
    }
    status = &status_;
    return statusError_;
}

bool DirectoryWalker::isDirectory() {
    const unsigned char type = currentEntry().type;
    if (type != DT_UNKNOWN)
        return type == DT_DIR;
    const struct stat* status;
    return linkStatus(status) == 0 && S_ISDIR(status->st_mode);
}

// Lists the folder at path_ into a new frame. A folder that cannot be opened or read is
// reported and contributes what could be read of it.
void DirectoryWalker::enter(int atFd, const char* name) {
    const int fd = opener_(atFd, name);
    if (fd < 0) {
        const int err = errno;
        if (onUnreadable_)
            onUnreadable_(path_, err);
        return;
    }
    if (depth_ == frames_.size())
        frames_.emplace_back();
    Frame& frame = frames_[depth_++];
    frame.fd = fd;
    frame.pathLength = path_.size();
    frame.names.clear();
    frame.entries.clear();
    frame.index = 0;

    if (!listingBuffer_)
        listingBuffer_ = std::make_unique<char[]>(kListingBufferSize);
    for (;;) {
        const ssize_t n = ::getdents64(fd, listingBuffer_.get(), kListingBufferSize);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            if (onUnreadable_)
                onUnreadable_(path_, err);
            break;
        }
        for (ssize_t offset = 0; offset < n;) {
            const auto* record =
                reinterpret_cast<const struct dirent64*>(listingBuffer_.get() + offset);
            offset += record->d_reclen;
            const char* entryName = record->d_name;
            const size_t length = std::strlen(entryName);
            if ((length == 1 && entryName[0] == '.') ||
                (length == 2 && entryName[0] == '.' && entryName[1] == '.'))
                continue;
            frame.entries.push_back(
                {frame.names.size(), static_cast<unsigned short>(length), record->d_type});
            frame.names.append(entryName, length + 1);
        }
    }

    const char* names = frame.names.data();
    std::sort(frame.entries.begin(), frame.entries.end(), [names](const Entry& a, const Entry& b) {
        return std::string_view(names + a.nameOffset, a.nameLength) <
               std::string_view(names + b.nameOffset, b.nameLength);
    });
    if (depth_ > kMaxOpenFolders) {
        ::close(frame.fd);
        frame.fd = -1;
    }
}

void DirectoryWalker::popFrame() {
    Frame& frame = frames_[--depth_];
    if (frame.fd >= 0)
        ::close(frame.fd);
    frame.fd = -1;
}

bool DirectoryWalker::next() {
    if (!started_) {
        started_ = true;
        path_ = root_;
        enter(AT_FDCWD, root_.c_str());
    } else if (haveCurrent_ && descend_ && isDirectory()) {
        const Frame& parent = frames_[depth_ - 1];
        if (parent.fd >= 0)
            enter(parent.fd, currentName());
        else
            enter(AT_FDCWD, path_.c_str());
    }

    while (depth_ > 0) {
        Frame& frame = frames_[depth_ - 1];
        if (frame.index < frame.entries.size()) {
            currentIndex_ = frame.index++;
            const Entry& entry = frame.entries[currentIndex_];
            path_.resize(frame.pathLength);
            path_ += '/';
            path_.append(frame.names, entry.nameOffset, entry.nameLength);
            haveCurrent_ = true;
            descend_ = true;
            statusKnown_ = false;
            return true;
        }
        popFrame();
    }
    haveCurrent_ = false;
    return false;
}

} // namespace orvane
