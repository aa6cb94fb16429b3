#pragma once

#include <map>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace orvane {

// Details of a failed copy, as the copy's error handler records them: "Error" holds a
// readable text; "Path" and "ToPath" name the item being copied when the failure happened.
using CopyErrorInfo = std::map<std::string, std::string>;

// A failed file operation: the errno value, a readable text naming the item, and the items
// being copied from and to when it happened.
struct CopyFailure {
    int error = 0;
    std::string text;
    std::string path;
    std::string toPath;

    CopyErrorInfo errorInfo() const {
        return {{"Error", text}, {"Path", path}, {"ToPath", toPath}};
    }
};

// Copies a file, or a folder with everything inside it, to `destination`, which must not
// exist: it is created exclusively, never replaced. Inside a folder, symbolic links are
// copied as links; permission bits are kept. The source (whose status the caller has just
// read, links followed) is followed when it is a link. Data is copied in the kernel where the
// file systems allow it. Answers the first failure, after which the copy stopped; what was
// written before it is left for the caller to remove.
[[nodiscard]] std::optional<CopyFailure> copyPath(const std::string& source,
                                                  const struct stat& sourceStatus,
                                                  const std::string& destination);

// Removes a file or a whole folder tree without following links. Used to discard an
// unfinished copy. Goes on past what cannot be removed, and answers the first such item.
[[nodiscard]] std::optional<CopyFailure> removeTree(const std::string& path);

// Moves `from` to `to` in the same folder, refusing to replace anything at `to`. The failure's
// error is EEXIST (or ENOTEMPTY for a folder) when `to` is taken.
[[nodiscard]] std::optional<CopyFailure> renameNoReplace(const std::string& from,
                                                         const std::string& to);

} // namespace orvane
