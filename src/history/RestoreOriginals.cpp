#include "history/RestoreOriginals.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/StringHelpers.h"
#include "history/RecordedPaths.h"
#include "platform/ContentHash.h"
#include "platform/FileCopier.h"
#include "platform/FileDescriptor.h"
#include "platform/PartialCopies.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

// How the name of an original being put back begins; its process id and a number follow.
std::string restoreNamePrefix() {
    return std::string(kPartialCopyPrefix) + "restore-";
}

// An original to put back, and its copy found below the destination.
struct Restore {
    const OriginalRemoval* original;
    RecordedItem copy;
};

// Whether the journal's source path is one of the run's sources or inside one: nothing else
// is ever written to.
bool amongSources(const RunRecord& run, const std::string& path) {
    for (const std::string& source : run.sources)
        if (path == source || (componentsBelow(source, path) && path.rfind(source + "/", 0) == 0))
            return true;
    return false;
}

std::string quotedPath(const std::string& path) {
    return "'" + safeCString(path) + "'";
}

// The hash of the open file's bytes as the disk holds them.
std::optional<ContentHash> contentOf(int fd, off_t size) {
    return fullHashOf(fd, size);
}

// Whether the file at `path` holds the copy's contents and the original's size and
// modification time: the original is back already.
bool alreadyBack(const OriginalRemoval& original, const struct stat& status, int copyFd) {
    if (!S_ISREG(status.st_mode) || status.st_size != original.sourceStamp.size ||
        status.st_mtim.tv_sec != original.sourceStamp.modified.tv_sec ||
        status.st_mtim.tv_nsec != original.sourceStamp.modified.tv_nsec)
        return false;
    const UniqueFd fd = openSourceFile(AT_FDCWD, original.source.c_str());
    if (fd.get() < 0)
        return false;
    const std::optional<ContentHash> there = contentOf(fd.get(), status.st_size);
    return there && there == contentOf(copyFd, original.copyStamp.size);
}

class Restorer {
  public:
    Restorer(const RunRecord& run, RestoredOriginals& result)
        : run_(run), result_(result), roots_(run.roots()) {}

    // Checks every original; answers false with the problem when any cannot be put back.
    bool check() {
        for (const RunRecord::Removal& removal : run_.removals)
            if (!checkOne(removal))
                return false;
        return true;
    }

    // In a dry run: the originals that would be put back.
    void listPending() {
        for (const Restore& restore : pending_)
            result_.restored.push_back(restore.original->source);
    }

    bool restoreAll() {
        std::set<std::string> folders;
        for (const Restore& restore : pending_)
            folders.insert(deletingLastPathComponent(restore.original->source));
        for (const std::string& folder : folders)
            removeEarlierAttempts(folder);
        for (Restore& restore : pending_)
            if (!restoreOne(restore))
                return false;
        return true;
    }

  private:
    // An undo killed while it put an original back leaves its temporary beside it, named
    // with its process id: those of processes gone are removed (files only, never followed).
    static void removeEarlierAttempts(const std::string& folder) {
        const std::string prefix = restoreNamePrefix();
        DIR* listing = ::opendir(folder.c_str());
        if (!listing)
            return;
        while (const struct dirent* item = ::readdir(listing)) {
            const std::string name = item->d_name;
            if (name.rfind(prefix, 0) != 0)
                continue;
            char* end = nullptr;
            const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
            struct stat status;
            if (pid <= 0 || *end != '-' ||
                (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) ||
                ::fstatat(::dirfd(listing), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISREG(status.st_mode))
                continue;
            if (::unlinkat(::dirfd(listing), name.c_str(), 0) == 0)
                logMessage(LOG_INFO, "Removed '%s' left by an undo that was stopped",
                           safeCString(appendPathComponent(folder, name)).c_str());
        }
        ::closedir(listing);
    }

    bool fail(std::string problem) {
        result_.problem = std::move(problem);
        return false;
    }

    bool checkOne(const RunRecord::Removal& removal) {
        const OriginalRemoval& original = removal.original;
        if (!amongSources(run_, original.source))
            return fail(quotedPath(original.source) + " is not among the run's sources");
        const std::string folder = deletingLastPathComponent(original.source);
        struct stat folderStatus;
        if (::stat(folder.c_str(), &folderStatus) != 0 || !S_ISDIR(folderStatus.st_mode))
            return fail("The card isn't there: " + quotedPath(folder) +
                        " is missing, so its originals can't be put back");
        struct stat there;
        const bool present = ::lstat(original.source.c_str(), &there) == 0;
        if (!present && errno != ENOENT)
            return fail("Can't look at " + quotedPath(original.source) + ": " +
                        std::strerror(errno));
        // Never removed (the run was killed first): the original is still itself.
        if (present && !removal.removed && there.st_dev == original.sourceStamp.device &&
            there.st_ino == original.sourceStamp.inode)
            return true;
        int err = 0;
        const char* problem = nullptr;
        std::optional<RecordedItem> copy = roots_.find(original.copy, err, problem);
        // The very file the run recorded, and the user's own.
        if (!copy || !(FileStamp::of(copy->status) == original.copyStamp) ||
            copy->status.st_uid != ::geteuid())
            return fail("The copy " + quotedPath(original.copy) + " of " +
                        quotedPath(original.source) +
                        " has changed or gone since the run: its original can't be put back");
        if (present) {
            const UniqueFd copyFd(openCopy(*copy));
            if (copyFd.get() >= 0 && alreadyBack(original, there, copyFd.get())) {
                result_.restored.push_back(original.source);
                return true;
            }
            return fail("Something else is at " + quotedPath(original.source) +
                        " where the original was");
        }
        pending_.push_back({&original, std::move(*copy)});
        return true;
    }

    // Whatever stands under the copy's name now is opened without waiting (a FIFO put there
    // would hold the undo for ever) and only as a regular file.
    static int openCopy(const RecordedItem& copy) {
        return openSourceFile(copy.parent.get(), copy.name.c_str()).release();
    }

    bool restoreOne(Restore& restore) {
        const OriginalRemoval& original = *restore.original;
        const std::string folder = deletingLastPathComponent(original.source);
        const std::string temporary =
            appendPathComponent(folder, restoreNamePrefix() + std::to_string(::getpid()) + "-" +
                                            std::to_string(result_.restored.size()));
        const UniqueFd copyFd(openCopy(restore.copy));
        struct stat copyStatus;
        if (copyFd.get() < 0 || ::fstat(copyFd.get(), &copyStatus) != 0 ||
            !(FileStamp::of(copyStatus) == original.copyStamp))
            return fail("The copy " + quotedPath(original.copy) + " changed while it was read");
        const std::optional<ContentHash> expected = contentOf(copyFd.get(), copyStatus.st_size);
        if (!expected)
            return fail("Couldn't read the copy " + quotedPath(original.copy));
        partial_copies::remember(temporary);
        std::string problem = writeBack(copyFd.get(), copyStatus, original, temporary, *expected);
        if (problem.empty()) {
            if (std::optional<CopyFailure> moved = renameNoReplace(temporary, original.source))
                problem =
                    moved->error == EEXIST
                        ? "Something else appeared at " + quotedPath(original.source)
                        : "Couldn't put back " + quotedPath(original.source) + ": " + moved->text;
        }
        if (!problem.empty()) {
            if (std::optional<CopyFailure> left = removeTree(temporary))
                logMessage(LOG_WARN, "Couldn't remove '%s': %s", safeCString(temporary).c_str(),
                           left->text.c_str());
            partial_copies::forget(temporary);
            return fail(problem);
        }
        partial_copies::forget(temporary);
        // The original's name on disk before the copy that stands for it may go.
        const UniqueFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folderFd.get() < 0 || ::fsync(folderFd.get()) != 0)
            return fail("Couldn't write " + quotedPath(original.source) +
                        " to disk: " + std::strerror(errno));
        logMessage(LOG_INFO, "Put back original '%s' (fsr='%s') from '%s'",
                   safeCString(original.source).c_str(), original.source.c_str(),
                   safeCString(original.copy).c_str());
        result_.restored.push_back(original.source);
        return true;
    }

    // Writes the copy's bytes to `temporary` with the original's mode and times, durably, and
    // reads them back from the disk; answers the problem, if any.
    static std::string writeBack(int copyFd, const struct stat& copyStatus,
                                 const OriginalRemoval& original, const std::string& temporary,
                                 const ContentHash& expected) {
        const std::string shown = quotedPath(original.source);
        UniqueFd out(::open(temporary.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600));
        if (out.get() < 0)
            return "Couldn't put back " + shown + ": " + std::strerror(errno);
        char buffer[1 << 16];
        off_t at = 0;
        while (at < copyStatus.st_size) {
            const ssize_t got = ::pread(copyFd, buffer, sizeof buffer, at);
            if (got <= 0)
                return "Couldn't read the copy " + quotedPath(original.copy);
            for (ssize_t written = 0; written < got;) {
                const ssize_t put = ::write(out.get(), buffer + written, got - written);
                if (put < 0)
                    return "Couldn't put back " + shown + ": " + std::strerror(errno);
                written += put;
            }
            at += got;
        }
        const struct timespec times[2] = {original.accessed, original.sourceStamp.modified};
        if (::fchmod(out.get(), original.mode & 07777) != 0 || ::futimens(out.get(), times) != 0 ||
            ::fdatasync(out.get()) != 0)
            return "Couldn't put back " + shown + ": " + std::strerror(errno);
        out.reset();
        const std::optional<ContentHash> stored = storedHashOf(temporary, copyStatus.st_size);
        if (!stored || *stored != expected)
            return "The original put back at " + shown + " didn't match its copy when read back";
        return {};
    }

    const RunRecord& run_;
    RestoredOriginals& result_;
    RecordedRoots roots_;
    std::vector<Restore> pending_;
};

} // namespace

RestoredOriginals restoreOriginals(const RunRecord& run, bool dryRun) {
    RestoredOriginals result;
    if (run.removals.empty())
        return result;
    Restorer restorer(run, result);
    if (!restorer.check())
        return result;
    if (dryRun)
        restorer.listPending();
    else
        restorer.restoreAll();
    return result;
}

} // namespace orvane
