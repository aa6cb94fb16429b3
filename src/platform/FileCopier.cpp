#include "platform/FileCopier.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace orvane {
namespace {

mode_t currentUmask() {
    static const mode_t mask = [] {
        mode_t m = umask(022);
        umask(m);
        return m;
    }();
    return mask;
}

CopyFailure failure(const char* what, const std::string& path, const std::string& toPath, int err) {
    return {err, std::string(what) + " '" + path + "': " + std::strerror(err), path, toPath};
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Copies the data of one open file to another. Answers 0 or an errno value; `readFailed`
// tells which side failed.
int copyData(int in, int out, off_t expectedSize, bool& readFailed) {
    readFailed = false;
    off_t copied = 0;
    bool kernelCopy = true;
    while (kernelCopy) {
        // Ask for one byte more than expected: a short answer then means the end of the file,
        // which saves the final zero-length call for the usual file that did not change.
        size_t want = static_cast<size_t>(
            std::max<off_t>(expectedSize - copied + 1, static_cast<off_t>(1) << 20));
        ssize_t n = copy_file_range(in, nullptr, out, nullptr, want, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (copied == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                                errno == EOPNOTSUPP || errno == EBADF || errno == EPERM)) {
                kernelCopy = false; // this pair of file systems needs the plain copy
                break;
            }
            return errno;
        }
        if (n == 0)
            return 0;
        copied += n;
        if (static_cast<size_t>(n) < want && copied >= expectedSize)
            return 0;
    }
    thread_local std::unique_ptr<char[]> buffer(new char[1 << 20]);
    for (;;) {
        ssize_t n = ::read(in, buffer.get(), 1 << 20);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            readFailed = true;
            return errno;
        }
        if (n == 0)
            return 0;
        if (!writeAll(out, buffer.get(), static_cast<size_t>(n)))
            return errno;
    }
}

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_;
};

// Copies one regular file, opened from `inDir`/`inName` (or an absolute path with AT_FDCWD),
// to a new file `outDir`/`outName` with the given permission bits.
std::optional<CopyFailure> copyRegular(int inDir, const char* inName, int outDir,
                                       const char* outName, mode_t mode, off_t size,
                                       const std::string& shownFrom, const std::string& shownTo) {
    Fd in(::openat(inDir, inName, O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (in.get() < 0)
        return failure("Couldn't open", shownFrom, shownTo, errno);
    Fd out(::openat(outDir, outName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                    mode & 07777));
    if (out.get() < 0)
        return failure("Couldn't create", shownTo, shownTo, errno);
    bool readFailed = false;
    if (int err = copyData(in.get(), out.get(), size, readFailed))
        return readFailed ? failure("Couldn't read", shownFrom, shownTo, err)
                          : failure("Couldn't write", shownTo, shownTo, err);
    // Creation narrowed the bits by the umask; give back exactly the source's.
    if ((mode & 07777 & currentUmask()) || (mode & 07000))
        if (::fchmod(out.get(), mode & 07777) != 0)
            return failure("Couldn't set permissions of", shownTo, shownTo, errno);
    int outFd = out.release();
    if (::close(outFd) != 0 && errno != EINTR)
        return failure("Couldn't write", shownTo, shownTo, errno);
    return std::nullopt;
}

struct DirLevel {
    DIR* source;
    int destination;
    mode_t mode;
    std::string shownFrom;
    std::string shownTo;
};

void closeLevel(DirLevel& level) {
    if (level.source)
        closedir(level.source);
    if (level.destination >= 0)
        ::close(level.destination);
}

std::optional<CopyFailure> copyFolder(const std::string& source, const std::string& destination,
                                      mode_t mode) {
    if (::mkdir(destination.c_str(), 0700) != 0)
        return failure("Couldn't create folder", destination, destination, errno);
    std::vector<DirLevel> stack;
    auto cleanup = [&] {
        for (DirLevel& level : stack)
            closeLevel(level);
    };
    auto openLevel = [&](int srcParent, const char* srcName, int dstParent, const char* dstName,
                         mode_t levelMode, std::string shownFrom,
                         std::string shownTo) -> std::optional<CopyFailure> {
        int srcFd = ::openat(srcParent, srcName, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (srcFd < 0)
            return failure("Couldn't open folder", shownFrom, shownTo, errno);
        DIR* dir = fdopendir(srcFd);
        if (!dir) {
            int err = errno;
            ::close(srcFd);
            return failure("Couldn't open folder", shownFrom, shownTo, err);
        }
        int dstFd = ::openat(dstParent, dstName, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        if (dstFd < 0) {
            int err = errno;
            closedir(dir);
            return failure("Couldn't open folder", shownTo, shownTo, err);
        }
        stack.push_back({dir, dstFd, levelMode, std::move(shownFrom), std::move(shownTo)});
        return std::nullopt;
    };

    if (auto err = openLevel(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), mode, source,
                             destination)) {
        cleanup();
        return err;
    }
    while (!stack.empty()) {
        DirLevel& level = stack.back();
        errno = 0;
        dirent* entry = readdir(level.source);
        if (!entry) {
            if (errno != 0) {
                auto err = failure("Couldn't read folder", level.shownFrom, level.shownTo, errno);
                cleanup();
                return err;
            }
            // Folder complete: now it may take the source's permission bits, even read-only ones.
            if (::fchmod(level.destination, level.mode & 07777) != 0) {
                auto err =
                    failure("Couldn't set permissions of", level.shownTo, level.shownTo, errno);
                cleanup();
                return err;
            }
            closeLevel(level);
            stack.pop_back();
            continue;
        }
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        const int srcFd = dirfd(level.source);
        const int dstFd = level.destination;
        std::string shownFrom = level.shownFrom + "/" + name;
        std::string shownTo = level.shownTo + "/" + name;
        struct stat st;
        if (::fstatat(srcFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            auto err = failure("Couldn't read attributes of", shownFrom, shownTo, errno);
            cleanup();
            return err;
        }
        std::optional<CopyFailure> err;
        if (S_ISDIR(st.st_mode)) {
            if (::mkdirat(dstFd, name, 0700) != 0)
                err = failure("Couldn't create folder", shownTo, shownTo, errno);
            else
                err = openLevel(srcFd, name, dstFd, name, st.st_mode, shownFrom, shownTo);
        } else if (S_ISREG(st.st_mode)) {
            err = copyRegular(srcFd, name, dstFd, name, st.st_mode, st.st_size, shownFrom, shownTo);
        } else if (S_ISLNK(st.st_mode)) {
            std::vector<char> target(static_cast<size_t>(st.st_size) + 2);
            for (;;) {
                ssize_t n = ::readlinkat(srcFd, name, target.data(), target.size());
                if (n < 0) {
                    err = failure("Couldn't read link", shownFrom, shownTo, errno);
                    break;
                }
                if (static_cast<size_t>(n) < target.size()) {
                    target[static_cast<size_t>(n)] = '\0';
                    if (::symlinkat(target.data(), dstFd, name) != 0)
                        err = failure("Couldn't create link", shownTo, shownTo, errno);
                    break;
                }
                target.resize(target.size() * 2);
            }
        } else {
            err = CopyFailure{ENOTSUP,
                              "Can't copy '" + shownFrom +
                                  "': not a regular file, folder or symbolic link",
                              shownFrom, shownTo};
        }
        if (err) {
            cleanup();
            return err;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<CopyFailure> copyPath(const std::string& source, const struct stat& st,
                                    const std::string& destination) {
    if (S_ISDIR(st.st_mode))
        return copyFolder(source, destination, st.st_mode);
    if (S_ISREG(st.st_mode))
        return copyRegular(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), st.st_mode,
                           st.st_size, source, destination);
    return CopyFailure{ENOTSUP, "Can't copy '" + source + "': not a regular file or folder", source,
                       destination};
}

std::optional<CopyFailure> removeTree(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return std::nullopt;
        return failure("Couldn't remove", path, path, errno);
    }
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(path.c_str()) == 0)
            return std::nullopt;
        return failure("Couldn't remove", path, path, errno);
    }

    // Depth-first with folder descriptors, never following links; folders are made
    // writable first so that read-only copies can be emptied.
    struct Level {
        DIR* dir;
        std::string name; // the folder's name inside its parent ("" for the root)
    };
    // The first thing that could not be removed; the walk goes on to remove the rest.
    std::optional<CopyFailure> firstFailure;
    auto note = [&](const std::string& what, int err) {
        if (!firstFailure)
            firstFailure = failure("Couldn't remove", what, what, err);
    };
    std::vector<Level> stack;
    auto openDir = [&](int parent, const char* name) -> DIR* {
        ::fchmodat(parent, name, 0700, 0);
        int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        DIR* dir = fdopendir(fd);
        if (!dir)
            ::close(fd);
        return dir;
    };
    DIR* root = openDir(AT_FDCWD, path.c_str());
    if (!root)
        return failure("Couldn't remove", path, path, errno);
    stack.push_back({root, ""});
    while (!stack.empty()) {
        Level& level = stack.back();
        dirent* entry = readdir(level.dir);
        if (!entry) {
            std::string name = level.name;
            closedir(level.dir);
            stack.pop_back();
            if (!stack.empty() && ::unlinkat(dirfd(stack.back().dir), name.c_str(), AT_REMOVEDIR))
                note(path, errno);
            continue;
        }
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        int fd = dirfd(level.dir);
        if (::unlinkat(fd, name, 0) == 0)
            continue;
        int err = errno;
        if (err == EISDIR || err == EPERM) {
            if (DIR* child = openDir(fd, name)) {
                stack.push_back({child, name});
                continue;
            }
            err = errno;
        }
        note(path, err);
    }
    if (::rmdir(path.c_str()) != 0)
        note(path, errno);
    return firstFailure;
}

std::optional<CopyFailure> renameNoReplace(const std::string& from, const std::string& to) {
    auto renameFailure = [&](int err) { return failure("Couldn't move to", to, to, err); };
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return std::nullopt;
    if (errno != EINVAL && errno != ENOSYS)
        return renameFailure(errno);
    // File systems without the no-replace flag: a hard link never replaces either.
    struct stat st;
    if (::lstat(from.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
        if (::link(from.c_str(), to.c_str()) != 0)
            return renameFailure(errno);
        ::unlink(from.c_str());
        return std::nullopt;
    }
    if (::lstat(to.c_str(), &st) == 0)
        return renameFailure(EEXIST);
    if (::rename(from.c_str(), to.c_str()) != 0)
        return renameFailure(errno);
    return std::nullopt;
}

} // namespace orvane
