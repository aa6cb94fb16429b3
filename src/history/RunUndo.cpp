#include "history/RunUndo.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/StringHelpers.h"
#include "history/CopiesReliedOn.h"
#include "history/JournalFile.h"
#include "history/JournalFormat.h"
#include "history/RecordedPaths.h"
#include "history/RestoreOriginals.h"
#include "platform/FileDescriptor.h"
#include "platform/RemoteSources.h"

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

// Whether `status` is of the item the stamp was taken of, not one made in its place since.
bool sameItem(const FileStamp& stamp, const struct stat& status) {
    return stamp.device == status.st_dev && stamp.inode == status.st_ino;
}

class Undoer {
  public:
    Undoer(const RunRecord& run, bool dryRun, UndoResult& result)
        : run_(run), dryRun_(dryRun), result_(result), roots_(run.roots()),
          restored_(result.restored.begin(), result.restored.end()) {}

    void undo() {
        for (const RunRecord::Copy& copy : run_.copies)
            undoCopy(copy);
        for (auto folder = run_.folders.rbegin(); folder != run_.folders.rend(); ++folder)
            removeFolderIfEmpty(*folder);
    }

  private:
    // Whether the folder copied whole still holds exactly what the run put there.
    bool treeUnchanged(int parentFd, const std::string& name, const std::vector<TreeItem>& tree) {
        UniqueFd fd(
            ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
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
        int err = 0;
        const char* problem = nullptr;
        const std::optional<RecordedItem> item = roots_.find(copy.destination, err, problem);
        if (problem) // the folder copied into is gone, or another one has its place
            return keep(copy.destination, problem == kRootGone ? kept::kGone : kept::kRootReplaced);
        if (!item)
            return keep(copy.destination, err == kNotBelow ? kept::kOutside
                                          : err == ENOENT  ? kept::kGone
                                                           : kept::kMoved);
        const FileStamp now = FileStamp::of(item->status);
        // A copy belongs to whoever made it: anything of another owner was put there since.
        if (!isMadeItem(copy.stamp, item->status))
            return keep(copy.destination, kept::kMoved);
        if (!(now == copy.stamp))
            return keep(copy.destination, kept::kChanged);
        const bool folder = S_ISDIR(item->status.st_mode);
        if (folder && !copy.tree)
            return keep(copy.destination, kept::kUnrecorded);
        if (folder && !treeUnchanged(item->parent.get(), item->name, *copy.tree))
            return keep(copy.destination, kept::kChanged);
        if (!originalStillThere(copy, folder))
            return keep(copy.destination, kept::kOriginalGone);

        if (dryRun_) {
            gone_.insert(goneKey(copy.destination, item->relative));
            result_.removed.push_back(copy.destination);
            return;
        }
        if (const int failure = removeRecorded(*item)) {
            logMessage(LOG_WARN, "Couldn't remove copy '%s' (fsr='%s'): %d-%s",
                       safeCString(copy.destination).c_str(), copy.destination.c_str(), failure,
                       std::strerror(failure));
            return keep(copy.destination,
                        kept::kCouldNotRemove + std::string(std::strerror(failure)));
        }
        result_.removed.push_back(copy.destination);
    }

    // Whether the copy's original is still where it was copied from, as the copy has it (same
    // size and modification time, which a copy keeps): otherwise the copy may be the only one
    // left (the card was formatted, the photo deleted or edited since), and removing it would
    // lose the photo. An original put back first (in a dry run: to be put back) counts as
    // there. A camera's files are not looked at: Orvane never changes a camera, and reaching
    // one needs the camera connected.
    bool originalStillThere(const RunRecord::Copy& copy, bool folder) const {
        if (restored_.count(copy.source) || isCameraPath(copy.source))
            return true;
        struct stat status;
        if (folder)
            return ::lstat(copy.source.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
        const UniqueFd original = openSourceFile(AT_FDCWD, copy.source.c_str(), &status);
        return original.get() >= 0 && status.st_size == copy.stamp.size &&
               status.st_mtim.tv_sec == copy.stamp.modified.tv_sec;
    }

    // In a dry run: whether everything in the folder would have gone by now.
    bool wouldBeEmpty(int parentFd, const std::string& name, const std::string& path,
                      const std::string& relative) {
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
            if (!gone_.count(goneKey(path, relative + "/" + child))) {
                empty = false;
                break;
            }
        }
        closedir(dir);
        return empty;
    }

    void removeFolderIfEmpty(const RunRecord::Folder& folder) {
        int err = 0;
        const char* problem = nullptr;
        const std::optional<RecordedItem> item = roots_.find(folder.path, err, problem);
        if (!item || !S_ISDIR(item->status.st_mode) ||
            (folder.stamp && !sameItem(*folder.stamp, item->status)))
            return;
        if (dryRun_) {
            if (!wouldBeEmpty(item->parent.get(), item->name, folder.path, item->relative))
                return;
            gone_.insert(goneKey(folder.path, item->relative));
        } else if (::unlinkat(item->parent.get(), item->name.c_str(), AT_REMOVEDIR) != 0) {
            return; // not empty: it holds something else now
        }
        result_.foldersRemoved.push_back(folder.path);
    }

    // An item found below its root, as a dry run remembers it gone: roots may hold the same
    // paths below them.
    std::string goneKey(const std::string& recorded, const std::string& relative) const {
        const RecordedRoot* root = roots_.rootOf(recorded);
        return (root ? root->path : std::string()) + '\0' + relative;
    }

    void keep(const std::string& path, const std::string& reason) {
        result_.kept.emplace_back(path, reason);
    }

    const RunRecord& run_;
    const bool dryRun_;
    UndoResult& result_;
    RecordedRoots roots_;
    std::set<std::string> gone_; // what a dry run has taken away, by root and path below it
    const std::set<std::string> restored_; // the originals put back before the copies go
};

} // namespace

UndoResult undoRun(const std::string& journalPath, bool dryRun) {
    UndoResult result;
    struct stat status;
    const UniqueFd journalFd =
        journal::openJournal(journalPath, dryRun ? O_RDONLY : O_RDWR | O_APPEND, &status);
    if (journalFd.get() < 0) {
        result.status = UndoResult::Status::kUnreadable;
        return result;
    }
    // Held through the undo: its writer, or a second undo, holds it otherwise.
    if (::flock(journalFd.get(), LOCK_EX | LOCK_NB) != 0) {
        result.status = UndoResult::Status::kNotEnded;
        return result;
    }
    // Read through the descriptor locked: the file that the undo line is added to.
    const std::optional<RunRecord> run =
        readRunFrom(journalFd.get(), journalPath, status.st_size, true);
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
    if (const std::optional<RelyingRun> relying = runRelyingOn(*run)) {
        result.status = UndoResult::Status::kOriginalsRemovedLater;
        result.problem = relyingRunProblem(*relying);
        return result;
    }
    RestoredOriginals originals = restoreOriginals(*run, dryRun);
    result.restored = std::move(originals.restored);
    if (originals.problem) {
        result.status = UndoResult::Status::kOriginalsNotRestored;
        result.problem = *originals.problem;
        return result;
    }
    Undoer(*run, dryRun, result).undo();
    if (dryRun)
        return result;

    const json line = {{"type", "undo"},
                       {"at", journal::timeText(time(nullptr))},
                       {"removed", result.removed.size()},
                       {"kept", result.kept.size()},
                       {"foldersRemoved", result.foldersRemoved.size()},
                       {"restored", result.restored.size()}};
    if (!journal::appendDurably(journalFd.get(), journal::lineText(line))) {
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
