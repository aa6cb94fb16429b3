#pragma once

// The journal lines written for every copy (folder, intent, made, copied), formatted straight
// into text: building a json value for each took a tenth of a run's time on small files. The
// text is the one lineText gives for the same line, byte for byte, so readers see no
// difference.

#include "merge/FileStamp.h"

#include <cstddef>
#include <string>

namespace orvane::journal {

// `copy` is 0 for the destination's copy (no "copy" key), else the backup's number.
std::string folderLineText(const std::string& path, const FileStamp* stamp);
std::string intentLineText(size_t entry, unsigned copy, const std::string& source,
                           const std::string& temporary, const std::string& destination,
                           const FileStamp* made);
std::string madeLineText(size_t entry, unsigned copy, const FileStamp& made);
// For a file; a folder's line also lists its tree.
std::string copiedLineText(size_t entry, unsigned copy, const std::string& destination,
                           const FileStamp& stamp);

} // namespace orvane::journal
