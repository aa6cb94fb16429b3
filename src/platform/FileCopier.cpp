#include "platform/FileCopier.h"

#include "platform/ContentHash.h"
#include "platform/FileDescriptor.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
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
    return {CopyFailure::Kind::Failed, err,
            std::string(what) + " '" + path + "': " + std::strerror(err), path, toPath};
}

// Bytes asked of one kernel copy call: large enough to cost nothing, small enough that a test
// observer sees a large file in several chunks.
constexpr off_t kChunk = off_t{16} << 20;

// A copy is abandoned on request only while more than this much copying is left at the pace
// so far: a stop is asked for to end the process soon, and a file nearly done is cheaper to
// finish than to copy again in the next run.
constexpr double kSecondsWorthAbandoning = 3.0;

// What happens between two chunks of one file: the observer hears of it, and a stop asked for
// ends the copy while much of the file is left.
class ChunkProgress {
  public:
    ChunkProgress(const std::string& source, off_t size, const CopyObserver* observer)
        : source_(source), size_(size), observer_(observer) {
        if (observer_ && observer_->shouldStop)
            start_ = std::chrono::steady_clock::now();
    }

    // Answers true when the copy is to be abandoned.
    bool stopAfter(off_t copied) {
        if (!observer_)
            return false;
        if (observer_->betweenChunks)
            observer_->betweenChunks(source_, copied);
        if (!observer_->shouldStop || copied <= 0 || copied >= size_)
            return false;
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        // Left time = left bytes / (copied / elapsed), kept free of a division by zero.
        const double left = static_cast<double>(size_ - copied);
        if (left * elapsed <= static_cast<double>(copied) * kSecondsWorthAbandoning)
            return false;
        stopped_ = observer_->shouldStop();
        return stopped_;
    }

    bool stopped() const { return stopped_; }

  private:
    const std::string& source_;
    off_t size_;
    const CopyObserver* observer_;
    std::chrono::steady_clock::time_point start_;
    bool stopped_ = false;
};

// Errors of copy_file_range that mean this pair of files needs the plain copy.
bool kernelCopyUnsupported(int err) {
    return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EBADF ||
           err == EPERM;
}

constexpr off_t kEarlyWritebackBytes = off_t{8} << 20;

thread_local std::unique_ptr<char[]> tBuffer(new char[1 << 20]);
constexpr size_t kBufferSize = 1 << 20;

// Copies the data of one open file to another. Answers 0 or an errno value (ECANCELED when
// `progress` stopped it); `readFailed` tells which side failed, `copied` how many bytes were
// copied. With `hash`, the data passes through this process, which hashes it on the way.
int copyData(int in, int out, off_t expectedSize, bool& readFailed, off_t& copied,
             ChunkProgress& progress, StreamingHash* hash) {
    readFailed = false;
    copied = 0;
    bool kernelCopy = hash == nullptr;
    while (kernelCopy) {
        // Ask for one byte more than expected: a short answer then means the end of the file,
        // which saves the final zero-length call for the usual file that did not change.
        size_t want = static_cast<size_t>(
            std::clamp<off_t>(expectedSize - copied + 1, off_t{1} << 20, kChunk));
        ssize_t n = copy_file_range(in, nullptr, out, nullptr, want, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (copied == 0 && kernelCopyUnsupported(errno)) {
                kernelCopy = false;
                break;
            }
            return errno;
        }
        if (n == 0)
            return 0;
        copied += n;
        if (static_cast<size_t>(n) < want && copied >= expectedSize)
            return 0;
        if (progress.stopAfter(copied))
            return ECANCELED;
    }
    char* buffer = tBuffer.get();
    for (;;) {
        ssize_t n = ::read(in, buffer, kBufferSize);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            readFailed = true;
            return errno;
        }
        if (n == 0)
            return 0;
        if (hash)
            hash->update(buffer, static_cast<size_t>(n));
        if (!writeFully(out, buffer, static_cast<size_t>(n)))
            return errno;
        copied += n;
        // As above: a short read that completes the expected size is the end of the file (a
        // file that grew since is caught by the caller's check of its size afterwards).
        if (static_cast<size_t>(n) < kBufferSize && copied >= expectedSize)
            return 0;
        if (copied % kChunk == 0 && progress.stopAfter(copied))
            return ECANCELED;
    }
}

// Copies up to `size` bytes at `offset` of one file to the same offset of another; answers the
// bytes copied (0 at the end of the file) or -1 with errno set and `readFailed` telling which
// side failed.
ssize_t copyRange(int in, int out, off_t offset, size_t size, bool& kernelCopy, bool& readFailed,
                  StreamingHash* hash) {
    while (kernelCopy) {
        loff_t inOffset = offset, outOffset = offset;
        ssize_t n = copy_file_range(in, &inOffset, out, &outOffset, size, 0);
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        if (!kernelCopyUnsupported(errno))
            return -1;
        kernelCopy = false;
    }
    char* buffer = tBuffer.get();
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(in, buffer, std::min(size - done, kBufferSize),
                            offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            readFailed = true;
            return -1;
        }
        if (n == 0)
            break;
        if (hash)
            hash->update(buffer, static_cast<size_t>(n));
        for (ssize_t written = 0; written < n;) {
            ssize_t w = ::pwrite(out, buffer + written, static_cast<size_t>(n - written),
                                 offset + static_cast<off_t>(done) + written);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                if (w == 0)
                    errno = EIO;
                return -1;
            }
            written += w;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

// Copies a sparse file: only its data segments, each to its own offset, and then the copy is
// given the full size, so that the holes between take no room in the copy either. A hole
// counts as copied. Answers as copyData does.
int copySparseData(int in, int out, off_t expectedSize, bool& readFailed, off_t& copied,
                   ChunkProgress& progress, StreamingHash* hash) {
    readFailed = false;
    copied = 0;
    bool kernelCopy = hash == nullptr;
    while (copied < expectedSize) {
        off_t data = ::lseek(in, copied, SEEK_DATA);
        if (data < 0) {
            // A file system that cannot tell holes from data: nothing was done yet, copy it all.
            if (copied == 0 && (errno == EINVAL || errno == EOPNOTSUPP))
                return copyData(in, out, expectedSize, readFailed, copied, progress, hash);
            if (errno != ENXIO) {
                readFailed = true;
                return errno;
            }
            // Only a hole is left; had the file shrunk, the check after the copy sees it.
            data = expectedSize;
        }
        // The hole is passed in chunks too, so that the observer sees a large one go by.
        const off_t holeEnd = std::min(data, expectedSize);
        while (copied < holeEnd) {
            const off_t next = std::min(holeEnd, copied + kChunk);
            if (hash)
                hash->updateZeros(static_cast<size_t>(next - copied));
            copied = next;
            if (progress.stopAfter(copied))
                return ECANCELED;
        }
        if (copied >= expectedSize)
            break;
        off_t hole = ::lseek(in, copied, SEEK_HOLE);
        if (hole < 0) {
            if (errno == ENXIO)
                return 0; // the file shrank: the copied length tells
            readFailed = true;
            return errno;
        }
        const off_t dataEnd = std::min(hole, expectedSize);
        while (copied < dataEnd) {
            const size_t want = static_cast<size_t>(std::min(dataEnd - copied, kChunk));
            ssize_t n = copyRange(in, out, copied, want, kernelCopy, readFailed, hash);
            if (n < 0)
                return errno;
            if (n == 0)
                return 0; // as above
            copied += n;
            if (progress.stopAfter(copied))
                return ECANCELED;
        }
    }
    if (::ftruncate(out, expectedSize) != 0)
        return errno;
    return 0;
}

bool sameItem(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

CopyFailure sourceReplaced(const std::string& path, const std::string& toPath) {
    return {CopyFailure::Kind::SourceReplaced, ENOENT,
            "'" + path + "' was replaced after it was examined", path, toPath};
}

// The permission bits a copy may carry. A copy belongs to whoever runs the copy: set-user-ID
// and set-group-ID would otherwise hand the source owner's programs to another user. The
// sticky bit means something on folders only.
mode_t permittedMode(const struct stat& source, uid_t copyOwner, gid_t copyGroup) {
    mode_t mode = source.st_mode & 07777;
    if (!S_ISDIR(source.st_mode))
        mode &= ~static_cast<mode_t>(S_ISVTX);
    if (source.st_uid != copyOwner)
        mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    if (source.st_gid != copyGroup)
        mode &= ~static_cast<mode_t>(S_ISGID);
    return mode;
}

// Whether a file takes fewer blocks than its size needs: it has holes, which a plain copy
// would fill with zeros.
bool isSparse(const struct stat& status) {
    return static_cast<off_t>(status.st_blocks) * 512 < status.st_size;
}

// Copies one regular file, opened from `inDir`/`inName` (or an absolute path with AT_FDCWD),
// to a new file `outDir`/`outName`. `expected` is the status read before: the file opened
// must be that file, and it must not change while it is copied.
std::optional<CopyFailure> copyRegular(int inDir, const char* inName, int outDir,
                                       const char* outName, const struct stat& expected,
                                       const std::string& shownFrom, const std::string& shownTo,
                                       const CopyObserver* observer, int madeFd = -1,
                                       StreamingHash* hash = nullptr) {
    UniqueFd made(madeFd);
    // A link, FIFO or device put in the file's place since it was examined is never read.
    struct stat opened;
    UniqueFd in = openSourceFile(inDir, inName, &opened);
    if (in.get() < 0) {
        if (errno == ELOOP || errno == EINVAL || errno == ENXIO) // ENXIO: a socket
            return sourceReplaced(shownFrom, shownTo);
        return failure("Couldn't open", shownFrom, shownTo, errno);
    }
    if (!sameItem(opened, expected))
        return sourceReplaced(shownFrom, shownTo);
    const mode_t mode = expected.st_mode & 07777;
    UniqueFd out(made.get() >= 0
                     ? made.release()
                     : ::openat(outDir, outName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                                mode & 0777));
    if (out.get() < 0)
        return failure("Couldn't create", shownTo, shownTo, errno);
    bool readFailed = false;
    off_t copied = 0;
    ChunkProgress progress(shownFrom, expected.st_size, observer);
    const bool sparse = isSparse(opened);
    if (int err = sparse ? copySparseData(in.get(), out.get(), expected.st_size, readFailed, copied,
                                          progress, hash)
                         : copyData(in.get(), out.get(), expected.st_size, readFailed, copied,
                                    progress, hash)) {
        if (progress.stopped())
            return CopyFailure{CopyFailure::Kind::Stopped, ECANCELED,
                               "The copy of '" + shownFrom + "' was stopped", shownFrom, shownTo};
        return readFailed ? failure("Couldn't read", shownFrom, shownTo, err)
                          : failure("Couldn't write", shownTo, shownTo, err);
    }
    // A file written to while it was read gives a copy that is neither the old nor the new
    // file: compare what was copied with what the file was before and is now.
    struct stat after;
    if (::fstat(in.get(), &after) != 0)
        return failure("Couldn't read attributes of", shownFrom, shownTo, errno);
    if (copied != expected.st_size || after.st_size != expected.st_size ||
        !sameTime(after.st_mtim, expected.st_mtim) || !sameTime(after.st_ctim, expected.st_ctim))
        return CopyFailure{CopyFailure::Kind::SourceChanged, 0,
                           "'" + shownFrom + "' changed while it was copied", shownFrom, shownTo};
    // Creation narrowed the bits by the umask and left out the special ones; give back the
    // source's, less those the new owner may not have.
    mode_t wanted = mode;
    if (mode & 07000) {
        struct stat created;
        if (::fstat(out.get(), &created) != 0)
            return failure("Couldn't read attributes of", shownTo, shownTo, errno);
        wanted = permittedMode(expected, created.st_uid, created.st_gid);
    }
    if ((wanted & 0777 & currentUmask()) || (wanted & 07000))
        if (::fchmod(out.get(), wanted) != 0)
            return failure("Couldn't set permissions of", shownTo, shownTo, errno);
    // A large copy's data starts on its way to the disk now, while the next file is copied,
    // rather than all at once when its batch is made durable.
    if (copied >= kEarlyWritebackBytes)
        (void)::sync_file_range(out.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
    int outFd = out.release();
    if (::close(outFd) != 0 && errno != EINTR)
        return failure("Couldn't write", shownTo, shownTo, errno);
    return std::nullopt;
}

struct DirLevel {
    DIR* source;
    int destination;
    struct stat status; // of the source folder
    std::string shownFrom;
    std::string shownTo;
};

void closeLevel(DirLevel& level) {
    if (level.source)
        closedir(level.source);
    if (level.destination >= 0)
        ::close(level.destination);
}

std::optional<CopyFailure> copyFolder(const std::string& source, const struct stat& status,
                                      const std::string& destination, const CopyObserver* observer,
                                      int madeFd) {
    if (madeFd >= 0)
        ::close(madeFd); // made by the caller: entered below by its name, links not followed
    else if (::mkdir(destination.c_str(), 0700) != 0)
        return failure("Couldn't create folder", destination, destination, errno);
    std::vector<DirLevel> stack;
    auto cleanup = [&] {
        for (DirLevel& level : stack)
            closeLevel(level);
    };
    // Each folder is opened without following a link and must be the folder examined, so
    // that a folder swapped for a link meanwhile is never entered.
    auto openLevel = [&](int srcParent, const char* srcName, int dstParent, const char* dstName,
                         const struct stat& levelStatus, std::string shownFrom,
                         std::string shownTo) -> std::optional<CopyFailure> {
        int srcFd = ::openat(srcParent, srcName, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        if (srcFd < 0) {
            if (errno == ELOOP || errno == ENOTDIR)
                return sourceReplaced(shownFrom, shownTo);
            return failure("Couldn't open folder", shownFrom, shownTo, errno);
        }
        struct stat opened;
        if (::fstat(srcFd, &opened) != 0 || !sameItem(opened, levelStatus)) {
            ::close(srcFd);
            return sourceReplaced(shownFrom, shownTo);
        }
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
        stack.push_back({dir, dstFd, levelStatus, std::move(shownFrom), std::move(shownTo)});
        return std::nullopt;
    };

    if (auto err = openLevel(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), status,
                             source, destination)) {
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
            struct stat created;
            mode_t wanted = level.status.st_mode & 07777;
            if ((wanted & 07000) && ::fstat(level.destination, &created) == 0)
                wanted = permittedMode(level.status, created.st_uid, created.st_gid);
            if (::fchmod(level.destination, wanted) != 0) {
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
                err = openLevel(srcFd, name, dstFd, name, st, shownFrom, shownTo);
        } else if (S_ISREG(st.st_mode)) {
            err = copyRegular(srcFd, name, dstFd, name, st, shownFrom, shownTo, observer);
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
            err = CopyFailure{CopyFailure::Kind::Failed, ENOTSUP,
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
                                    const std::string& destination, const CopyObserver* observer,
                                    int madeFd) {
    if (S_ISDIR(st.st_mode))
        return copyFolder(source, st, destination, observer, madeFd);
    if (S_ISREG(st.st_mode))
        return copyRegular(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), st, source,
                           destination, observer, madeFd, observer ? observer->hash : nullptr);
    if (madeFd >= 0)
        ::close(madeFd);
    return CopyFailure{CopyFailure::Kind::Failed, ENOTSUP,
                       "Can't copy '" + source + "': not a regular file or folder", source,
                       destination};
}

std::optional<CopyFailure> copyOpenFile(int in, const struct stat& inStatus, int out,
                                        const std::string& shownFrom, const std::string& shownTo) {
    bool readFailed = false;
    off_t copied = 0;
    ChunkProgress progress(shownFrom, inStatus.st_size, nullptr);
    if (int err =
            isSparse(inStatus)
                ? copySparseData(in, out, inStatus.st_size, readFailed, copied, progress, nullptr)
                : copyData(in, out, inStatus.st_size, readFailed, copied, progress, nullptr))
        return readFailed ? failure("Couldn't read", shownFrom, shownTo, err)
                          : failure("Couldn't write", shownTo, shownTo, err);
    struct stat after;
    if (::fstat(in, &after) != 0)
        return failure("Couldn't read attributes of", shownFrom, shownTo, errno);
    if (copied != inStatus.st_size || after.st_size != inStatus.st_size ||
        !sameTime(after.st_mtim, inStatus.st_mtim))
        return CopyFailure{CopyFailure::Kind::SourceChanged, 0,
                           "'" + shownFrom + "' changed while it was copied", shownFrom, shownTo};
    return std::nullopt;
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

namespace {

std::atomic<bool> gNoRenameFlagsOrLinks{false};

int renameRefusingToReplace(const std::string& from, const std::string& to) {
    if (gNoRenameFlagsOrLinks.load(std::memory_order_relaxed)) {
        errno = EINVAL;
        return -1;
    }
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
}

int hardLink(const std::string& from, const std::string& to) {
    if (gNoRenameFlagsOrLinks.load(std::memory_order_relaxed)) {
        errno = EPERM;
        return -1;
    }
    return ::link(from.c_str(), to.c_str());
}

// Whether `path` is still the placeholder that was created with status `created`: the same
// item, and still empty.
bool isOurPlaceholder(const std::string& path, const struct stat& created) {
    struct stat now;
    if (::lstat(path.c_str(), &now) != 0 || !sameItem(now, created))
        return false;
    if (S_ISREG(created.st_mode))
        return S_ISREG(now.st_mode) && now.st_size == 0;
    if (!S_ISDIR(now.st_mode))
        return false;
    // A folder's link count says nothing of its entries on every file system: read them.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat opened;
    DIR* dir = ::fstat(fd, &opened) == 0 && sameItem(opened, created) ? fdopendir(fd) : nullptr;
    if (!dir) {
        ::close(fd);
        return false;
    }
    bool empty = true;
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))) {
            empty = false;
            break;
        }
    }
    closedir(dir);
    return empty;
}

void removePlaceholder(const std::string& path, const struct stat& created) {
    if (isOurPlaceholder(path, created))
        S_ISDIR(created.st_mode) ? ::rmdir(path.c_str()) : ::unlink(path.c_str());
}

// The last way to move without replacing: `to` is taken first by an exclusively created empty
// item, which only then is renamed over. A rename may replace a file, and a folder replaces
// an empty folder, so the placeholder is checked to be still ours right before; the window
// left between that check and the rename is a name this process created a moment ago.
std::optional<CopyFailure> renameOntoPlaceholder(const std::string& from, const std::string& to,
                                                 bool folder,
                                                 const PlaceholderRecorder& recordPlaceholder) {
    struct stat created;
    if (folder) {
        if (::mkdir(to.c_str(), 0700) != 0)
            return failure("Couldn't move to", to, to, errno);
        // Read by name: whatever stands there from now on is what the checks below compare.
        if (::lstat(to.c_str(), &created) != 0)
            return failure("Couldn't move to", to, to, errno);
    } else {
        UniqueFd fd(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600));
        if (fd.get() < 0)
            return failure("Couldn't move to", to, to, errno);
        if (::fstat(fd.get(), &created) != 0)
            return failure("Couldn't move to", to, to, errno);
    }
    if (recordPlaceholder && !recordPlaceholder(to, created)) {
        removePlaceholder(to, created);
        return failure("Couldn't move to", to, to, ECANCELED);
    }
    // Replaced, or written to, by someone else meanwhile: theirs now, and the name is taken.
    if (!isOurPlaceholder(to, created))
        return failure("Couldn't move to", to, to, EEXIST);
    if (::rename(from.c_str(), to.c_str()) != 0) {
        const int err = errno;
        removePlaceholder(to, created);
        return failure("Couldn't move to", to, to, err);
    }
    return std::nullopt;
}

} // namespace

namespace copier_faults {

void setNoRenameFlagsOrLinks(bool on) {
    gNoRenameFlagsOrLinks.store(on, std::memory_order_relaxed);
}

} // namespace copier_faults

std::optional<CopyFailure> renameNoReplace(const std::string& from, const std::string& to,
                                           const PlaceholderRecorder& recordPlaceholder) {
    auto renameFailure = [&](int err) { return failure("Couldn't move to", to, to, err); };
    if (renameRefusingToReplace(from, to) == 0)
        return std::nullopt;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return renameFailure(errno);
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0)
        return renameFailure(errno);
    const bool folder = S_ISDIR(st.st_mode);
    // File systems without the no-replace flag: a hard link never replaces either.
    if (!folder) {
        if (hardLink(from, to) == 0) {
            ::unlink(from.c_str());
            return std::nullopt;
        }
        if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
            return renameFailure(errno);
    }
    return renameOntoPlaceholder(from, to, folder, recordPlaceholder);
}

} // namespace orvane

namespace orvane {

std::optional<CopyFailure> syncFileSystem(int folderFd, const std::string& shown) {
    if (::syncfs(folderFd) == 0)
        return std::nullopt;
    return failure("Couldn't write to disk", shown, shown, errno);
}

std::optional<CopyFailure> syncFileData(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0 || ::fdatasync(fd.get()) != 0)
        return failure("Couldn't write to disk", path, path, errno);
    return std::nullopt;
}

} // namespace orvane
