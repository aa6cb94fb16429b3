#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace orvane {

class StreamingHash;

// Details of a failed copy, as the copy's error handler records them: "Error" holds a
// readable text; "Path" and "ToPath" name the item being copied when the failure happened.
using CopyErrorInfo = std::map<std::string, std::string>;

// A failed file operation: the errno value, a readable text naming the item, and the items
// being copied from and to when it happened.
struct CopyFailure {
    // What went wrong, where the caller words it differently from a plain failed call.
    enum class Kind {
        Failed,         // a system call failed
        SourceReplaced, // the source is no longer the item that was examined (or is a link now)
        SourceChanged,  // the source's size or times changed while it was copied
        Stopped,        // the observer asked to stop while much of the file was left (ECANCELED)
    };
    Kind kind = Kind::Failed;
    int error = 0;
    std::string text;
    std::string path;
    std::string toPath;

    CopyErrorInfo errorInfo() const {
        return {{"Error", text}, {"Path", path}, {"ToPath", toPath}};
    }
};

// Observes a copy: tests act between two chunks of a file's data, and a run told to stop
// soon can abandon a long copy.
struct CopyObserver {
    // Called after each chunk of a regular file with the bytes copied so far (holes of a
    // sparse file count as copied).
    std::function<void(const std::string& source, off_t copied)> betweenChunks = {};
    // Asked between chunks of a regular file, but only while more than about three seconds of
    // copying are left at the pace of the file so far: a file nearly done is finished, since
    // its copy costs less than redoing it. Answering true abandons the copy with
    // Kind::Stopped.
    std::function<bool()> shouldStop = {};
    // Fed the bytes of a regular file copied as the entry itself (not those inside a
    // folder): the copy then reads them in this process instead of in the kernel.
    StreamingHash* hash = nullptr;
};

// Copies a file, or a folder with everything inside it, to `destination`, which must not
// exist: it is created exclusively, never replaced. Inside a folder, symbolic links are
// copied as links (never followed); permission bits are kept, except that set-user-ID and
// set-group-ID are dropped where the copy's owner or group is not the source's, and the
// sticky bit is kept on folders only. Data is copied in the kernel where the file systems
// allow it.
//
// Every item is opened without following links and must be the item whose status was read
// (for the entry itself, `sourceStatus`, which the caller read earlier): otherwise the copy
// fails with Kind::SourceReplaced. A regular file whose size, modification or change time
// differs after the copy from that status, or whose copied length differs from its size
// then, fails with Kind::SourceChanged; growth by appending counts as a change too.
//
// A sparse source (fewer blocks than its size needs) is copied segment by segment: its holes
// stay holes in the copy.
//
// Answers the first failure, after which the copy stopped; what was written before it is
// left for the caller to remove.
//
// `madeFd`, when given, is `destination` already made empty by the caller and open (a file
// for writing, or a folder): the copy goes into it instead of creating the destination, and
// the descriptor is taken over.
[[nodiscard]] std::optional<CopyFailure>
copyPath(const std::string& source, const struct stat& sourceStatus, const std::string& destination,
         const CopyObserver* observer = nullptr, int madeFd = -1);

// Copies the data of the regular file open on `in` (status `inStatus`, read from its start)
// to the empty file open for writing on `out`, holes of a sparse file kept as holes; `shownFrom`
// and `shownTo` name the two in the failure. Neither descriptor is closed. A file that ends
// before its size, or changes meanwhile, fails with Kind::SourceChanged.
[[nodiscard]] std::optional<CopyFailure> copyOpenFile(int in, const struct stat& inStatus, int out,
                                                      const std::string& shownFrom,
                                                      const std::string& shownTo);

// Makes everything written to the file system of the open folder `folderFd` durable
// (syncfs); `shown` names that folder in the failure.
[[nodiscard]] std::optional<CopyFailure> syncFileSystem(int folderFd, const std::string& shown);

// Makes a regular file's data durable (fdatasync); `path` is not followed when it is a link.
[[nodiscard]] std::optional<CopyFailure> syncFileData(const std::string& path);

// Removes a file or a whole folder tree without following links. Used to discard an
// unfinished copy. Goes on past what cannot be removed, and answers the first such item.
[[nodiscard]] std::optional<CopyFailure> removeTree(const std::string& path);

// Told of the placeholder renameNoReplace creates at `placeholder` (status as created) before
// anything is moved onto it. Answering false gives up: the placeholder is removed and the
// move fails with ECANCELED.
using PlaceholderRecorder =
    std::function<bool(const std::string& placeholder, const struct stat& status)>;

// Moves `from` to `to` in the same folder, refusing to replace anything at `to`. The failure's
// error is EEXIST (or ENOTEMPTY for a folder) when `to` is taken; the caller may then decide
// on another name and try again.
//
// Where the file system knows no no-replace rename, a file is hard-linked to `to` and its old
// name removed. Where it knows neither (FUSE mounts of vfat and exFAT, gvfs, sshfs), `to` is
// first taken by an empty placeholder created exclusively (an empty folder when `from` is a
// folder), and `from` is renamed onto it only if the placeholder is still the item created
// and still empty; else the move fails with EEXIST and whatever is at `to` stays. A
// placeholder is removed again only while it is still ours and empty.
//
// `recordPlaceholder` hears of the placeholder before `from` is moved onto it, so that the
// caller can note it durably (in its run journal): a process killed between the two leaves
// an empty file or folder under the final name, which only that note tells apart from an
// item of the user's. Not called when no placeholder is needed.
[[nodiscard]] std::optional<CopyFailure>
renameNoReplace(const std::string& from, const std::string& to,
                const PlaceholderRecorder& recordPlaceholder = {});

// For tests only: makes renameNoReplace act as on a file system that refuses the
// no-replace rename (EINVAL) and hard links (EPERM), without such a mount.
namespace copier_faults {
void setNoRenameFlagsOrLinks(bool on);
} // namespace copier_faults

} // namespace orvane
