#include "history/RecordedPaths.h"

#include "base/Paths.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace orvane {

std::optional<std::vector<std::string>> componentsBelow(const std::string& root,
                                                        const std::string& path) {
    if (root.find('\0') != std::string::npos || path.find('\0') != std::string::npos)
        return std::nullopt;
    std::string prefix = root;
    while (prefix.size() > 1 && prefix.back() == '/')
        prefix.pop_back();
    if (prefix != "/")
        prefix += '/';
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    std::vector<std::string> components;
    size_t start = prefix.size();
    for (;;) {
        const size_t slash = path.find('/', start);
        std::string part =
            path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part.empty() || part == "." || part == "..")
            return std::nullopt;
        components.push_back(std::move(part));
        if (slash == std::string::npos)
            return components;
        start = slash + 1;
    }
}

UniqueFd openRunRoot(const std::string& destination, const std::optional<FileStamp>& recorded,
                     const char*& problem) {
    problem = nullptr;
    // The destination itself may be reached through links of the user's (a home folder on
    // another disk); what counts is that it is the folder the run recorded.
    UniqueFd fd(destination.empty() || destination[0] != '/' ||
                        destination.find('\0') != std::string::npos
                    ? -1
                    : ::open(destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat status;
    if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0) {
        problem = kRootGone;
        return UniqueFd();
    }
    if (!recorded || recorded->device != status.st_dev || recorded->inode != status.st_ino) {
        problem = kRootNotTheRunsFolder;
        return UniqueFd();
    }
    return fd;
}

std::optional<RecordedItem> findRecorded(int rootFd, const std::string& root,
                                         const std::string& path, int& err) {
    const std::optional<std::vector<std::string>> components = componentsBelow(root, path);
    if (!components) {
        err = kNotBelow;
        return std::nullopt;
    }
    RecordedItem item{UniqueFd(::fcntl(rootFd, F_DUPFD_CLOEXEC, 0)), components->back(), {}, {}};
    for (size_t i = 0; i + 1 < components->size() && item.parent.get() >= 0; ++i)
        item.parent = UniqueFd(::openat(item.parent.get(), (*components)[i].c_str(),
                                        O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (item.parent.get() < 0 ||
        ::fstatat(item.parent.get(), item.name.c_str(), &item.status, AT_SYMLINK_NOFOLLOW) != 0) {
        err = errno;
        return std::nullopt;
    }
    for (const std::string& component : *components)
        item.relative += (item.relative.empty() ? "" : "/") + component;
    err = 0;
    return item;
}

RecordedRoots::RecordedRoots(std::vector<RecordedRoot> roots) {
    for (RecordedRoot& root : roots)
        roots_.push_back({std::move(root), false, UniqueFd(), nullptr});
}

RecordedRoots::Opened* RecordedRoots::openedRootOf(const std::string& path) {
    Opened* best = nullptr;
    for (Opened& opened : roots_)
        if (componentsBelow(opened.root.path, path) &&
            (!best || opened.root.path.size() > best->root.path.size()))
            best = &opened;
    return best;
}

const RecordedRoot* RecordedRoots::rootOf(const std::string& path) const {
    const Opened* opened = const_cast<RecordedRoots*>(this)->openedRootOf(path);
    return opened ? &opened->root : nullptr;
}

std::optional<RecordedItem> RecordedRoots::find(const std::string& path, int& err,
                                                const char*& problem) {
    problem = nullptr;
    Opened* opened = openedRootOf(path);
    if (!opened) {
        err = kNotBelow;
        return std::nullopt;
    }
    if (!opened->tried) {
        opened->tried = true;
        opened->fd = openRunRoot(opened->root.path, opened->root.stamp, opened->problem);
    }
    if (opened->problem) {
        problem = opened->problem;
        err = 0;
        return std::nullopt;
    }
    return findRecorded(opened->fd.get(), opened->root.path, path, err);
}

bool isMadeItem(const FileStamp& made, const struct stat& status) {
    return made.device == status.st_dev && made.inode == status.st_ino &&
           made.type == (status.st_mode & S_IFMT) && status.st_uid == ::geteuid();
}

bool isMadeCopy(const FileStamp& made, const struct stat& status) {
    return isMadeItem(made, status) && status.st_size == made.size &&
           status.st_mtim.tv_sec == made.modified.tv_sec &&
           status.st_mtim.tv_nsec == made.modified.tv_nsec;
}

int removeRecorded(const RecordedItem& item) {
    if (S_ISDIR(item.status.st_mode))
        return removeFolderAt(item.parent.get(), item.name.c_str());
    return ::unlinkat(item.parent.get(), item.name.c_str(), 0) == 0 ? 0 : errno;
}

int removeFolderAt(int parentFd, const char* name) {
    int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == EACCES) {
        // A folder copied with the source's bits may be unreadable to its owner.
        ::fchmodat(parentFd, name, 0700, 0);
        fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd < 0)
        return errno;
    ::fchmod(fd, 0700);
    DIR* dir = fdopendir(fd);
    if (!dir) {
        const int err = errno;
        ::close(fd);
        return err;
    }
    int failure = 0;
    while (dirent* entry = readdir(dir)) {
        const char* child = entry->d_name;
        if (isDotOrDotDot(child))
            continue;
        if (::unlinkat(fd, child, 0) == 0)
            continue;
        int err = errno;
        if (err == EISDIR || err == EPERM)
            err = removeFolderAt(fd, child);
        if (err && !failure)
            failure = err;
    }
    closedir(dir);
    if (::unlinkat(parentFd, name, AT_REMOVEDIR) != 0 && !failure)
        failure = errno;
    return failure;
}

} // namespace orvane
