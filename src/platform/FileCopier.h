#pragma once

#include <functional>
#include <map>
#include <string>
#include <sys/stat.h>

namespace orvane {

// Details of a failed copy: "Error" holds a readable text; "Path" and "ToPath" name the
// item being copied when the failure happened.
using CopyErrorInfo = std::map<std::string, std::string>;

// Called at each error; answering false stops the copy.
using CopyErrorHandler = std::function<bool(const CopyErrorInfo&)>;

// Copies a file, or a folder with everything inside it, to `destination`, which must not
// exist: it is created exclusively, never replaced. Inside a folder, symbolic links are
// copied as links; permission bits are kept. The source itself is followed when it is a
// link. Data is copied in the kernel where the file systems allow it. Answers true when
// no error happened; what was written before an error is left for the caller to remove.
bool copyPath(const std::string& source, const std::string& destination,
              const CopyErrorHandler& handler);
// The same, for a caller that has just read the source's status (links followed).
bool copyPath(const std::string& source, const struct stat& sourceStatus,
              const std::string& destination, const CopyErrorHandler& handler);

// Removes a file or a whole folder tree without following links. Used to discard an
// unfinished copy. Answers false when something could not be removed.
bool removeTree(const std::string& path);

// Moves `from` to `to` in the same folder, refusing to replace anything at `to`. Answers 0
// or an errno value (EEXIST when `to` is taken).
int renameNoReplace(const std::string& from, const std::string& to);

} // namespace orvane
