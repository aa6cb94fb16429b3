#include "merge/RunUndo.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/StringHelpers.h"
#include "merge/JournalFormat.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/file.h>
#include <unistd.h>

namespace orvane {
namespace {

using journal::json;

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            if (fd_ >= 0)
                ::close(fd_);
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// Whether `status` is of the item the stamp was taken of, not one made in its place since.
bool sameItem(const FileStamp& stamp, const struct stat& status) {
    return stamp.device == status.st_dev && stamp.inode == status.st_ino;
}

std::string joined(const std::vector<std::string>& components) {
    std::string path;
    for (size_t i = 0; i < components.size(); ++i)
        path += (i ? "/" : "") + components[i];
    return path;
}

// Removes a folder and everything in it through descriptors, never following a link.
// Answers 0 or the errno of the first thing that could not be removed.
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

class Undoer {
  public:
    Undoer(const RunRecord& run, bool dryRun, UndoResult& result)
        : run_(run), dryRun_(dryRun), result_(result) {}

    void undo() {
        rootFd_ = Fd(::open(run_.destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat root;
        const char* rootProblem = nullptr;
        if (rootFd_.get() < 0 || ::fstat(rootFd_.get(), &root) != 0)
            rootProblem = kept::kGone;
        else if (run_.destinationStamp && !sameItem(*run_.destinationStamp, root))
            rootProblem = kept::kRootReplaced;
        for (const RunRecord::Copy& copy : run_.copies) {
            if (rootProblem)
                keep(copy.destination, rootProblem);
            else
                undoCopy(copy);
        }
        if (rootProblem)
            return;
        for (auto folder = run_.folders.rbegin(); folder != run_.folders.rend(); ++folder)
            removeFolderIfEmpty(*folder);
    }

  private:
    // The folder holding the last component, reached from the root without following links.
    Fd openParent(const std::vector<std::string>& components, int& err) {
        Fd current(::dup(rootFd_.get()));
        for (size_t i = 0; i + 1 < components.size(); ++i) {
            Fd next(::openat(current.get(), components[i].c_str(),
                             O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (next.get() < 0) {
                err = errno;
                return Fd();
            }
            current = std::move(next);
        }
        return current;
    }

    // Whether the folder copied whole still holds exactly what the run put there.
    bool treeUnchanged(int parentFd, const std::string& name, const std::vector<TreeItem>& tree) {
        Fd fd(::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        std::vector<TreeItem> now;
        if (fd.get() < 0 || !stampTree(fd.get(), now) || now.size() != tree.size())
            return false;
        std::map<std::string, FileStamp> recorded;
        for (const TreeItem& item : tree)
            recorded[item.path] = item.stamp;
        for (const TreeItem& item : now) {
            auto it = recorded.find(item.path);
            if (it == recorded.end() || !(it->second == item.stamp))
                return false;
        }
        return true;
    }

    void undoCopy(const RunRecord::Copy& copy) {
        const auto components = componentsBelow(run_.destination, copy.destination);
        if (!components)
            return keep(copy.destination, kept::kOutside);
        int err = 0;
        Fd parent = openParent(*components, err);
        if (parent.get() < 0)
            return keep(copy.destination, err == ENOENT ? kept::kGone : kept::kMoved);
        const std::string& name = components->back();
        struct stat status;
        if (::fstatat(parent.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            return keep(copy.destination, errno == ENOENT ? kept::kGone : kept::kMoved);
        const FileStamp now = FileStamp::of(status);
        if (now.device != copy.stamp.device || now.inode != copy.stamp.inode ||
            now.type != copy.stamp.type)
            return keep(copy.destination, kept::kMoved);
        if (!(now == copy.stamp))
            return keep(copy.destination, kept::kChanged);
        const bool folder = S_ISDIR(status.st_mode);
        if (folder && !copy.tree)
            return keep(copy.destination, kept::kUnrecorded);
        if (folder && !treeUnchanged(parent.get(), name, *copy.tree))
            return keep(copy.destination, kept::kChanged);

        const std::string relative = joined(*components);
        if (dryRun_) {
            gone_.insert(relative);
            result_.removed.push_back(copy.destination);
            return;
        }
        const int failure = folder ? removeFolderAt(parent.get(), name.c_str())
                                   : (::unlinkat(parent.get(), name.c_str(), 0) == 0 ? 0 : errno);
        if (failure) {
            logMessage(LOG_WARN, "Couldn't remove copy '%s' (fsr='%s'): %d-%s",
                       safeCString(copy.destination).c_str(), copy.destination.c_str(), failure,
                       std::strerror(failure));
            return keep(copy.destination,
                        kept::kCouldNotRemove + std::string(std::strerror(failure)));
        }
        result_.removed.push_back(copy.destination);
    }

    // In a dry run: whether everything in the folder would have gone by now.
    bool wouldBeEmpty(int parentFd, const std::string& name, const std::string& relative) {
        const int fd =
            ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
        if (!dir) {
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        bool empty = true;
        while (dirent* entry = readdir(dir)) {
            const char* child = entry->d_name;
            if (isDotOrDotDot(child))
                continue;
            if (!gone_.count(relative + "/" + child)) {
                empty = false;
                break;
            }
        }
        closedir(dir);
        return empty;
    }

    void removeFolderIfEmpty(const RunRecord::Folder& folder) {
        const auto components = componentsBelow(run_.destination, folder.path);
        if (!components)
            return;
        int err = 0;
        Fd parent = openParent(*components, err);
        if (parent.get() < 0)
            return;
        const std::string& name = components->back();
        struct stat status;
        if (::fstatat(parent.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISDIR(status.st_mode))
            return;
        if (folder.stamp && !sameItem(*folder.stamp, status))
            return;
        const std::string relative = joined(*components);
        if (dryRun_) {
            if (!wouldBeEmpty(parent.get(), name, relative))
                return;
            gone_.insert(relative);
        } else if (::unlinkat(parent.get(), name.c_str(), AT_REMOVEDIR) != 0) {
            return; // not empty: it holds something else now
        }
        result_.foldersRemoved.push_back(folder.path);
    }

    void keep(const std::string& path, const std::string& reason) {
        result_.kept.emplace_back(path, reason);
    }

    const RunRecord& run_;
    const bool dryRun_;
    UndoResult& result_;
    Fd rootFd_;
    std::set<std::string> gone_; // below the root, what a dry run has taken away
};

} // namespace

UndoResult undoRun(const std::string& journalPath, bool dryRun) {
    UndoResult result;
    Fd journalFd(::open(journalPath.c_str(),
                        (dryRun ? O_RDONLY : O_WRONLY | O_APPEND) | O_CLOEXEC | O_NOCTTY));
    if (journalFd.get() < 0) {
        result.status = UndoResult::Status::kUnreadable;
        return result;
    }
    // Held through the undo: its writer, or a second undo, holds it otherwise.
    if (::flock(journalFd.get(), LOCK_EX | LOCK_NB) != 0) {
        result.status = UndoResult::Status::kNotEnded;
        return result;
    }
    const std::optional<RunRecord> run = readRun(journalPath, true);
    if (!run) {
        result.status = UndoResult::Status::kUnreadable;
        return result;
    }
    if (run->state == RunRecord::State::kRunning) {
        result.status = UndoResult::Status::kNotEnded;
        return result;
    }
    if (run->undone) {
        result.status = UndoResult::Status::kAlreadyUndone;
        result.undone = *run->undone;
        return result;
    }
    Undoer(*run, dryRun, result).undo();
    if (dryRun)
        return result;

    const json line = {{"type", "undo"},
                       {"at", journal::timeText(time(nullptr))},
                       {"removed", result.removed.size()},
                       {"kept", result.kept.size()},
                       {"foldersRemoved", result.foldersRemoved.size()}};
    if (!appendToJournal(journalFd.get(), journal::lineText(line))) {
        const int err = errno;
        result.journalNotUpdated = true;
        logMessage(LOG_WARN, "Couldn't record the undo in the run journal '%s' (fsr='%s'): %d-%s",
                   safeCString(journalPath).c_str(), journalPath.c_str(), err, std::strerror(err));
    }
    logMessage(LOG_INFO, "Undid run %s: %zu copies removed, %zu kept, %zu folders removed",
               run->id.c_str(), result.removed.size(), result.kept.size(),
               result.foldersRemoved.size());
    return result;
}

} // namespace orvane
