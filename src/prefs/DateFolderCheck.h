#pragma once

#include <ctime>
#include <string>

namespace orvane {

class DateLocale;

// The error of an entry, and the reason a format is refused, when the rendered date folder
// would not be a folder below the destination root.
inline constexpr const char* kFolderFormatLeavesDestination =
    "The folder format doesn't give a folder inside the destination";

// Whether a rendered date folder names a folder below the destination root: not empty, not
// absolute, no "." or ".." component, and of a length a path can have.
bool dateFolderStaysInside(const std::string& dateFolder);

// Whether a folder format gives such a folder, judged on a sample date. Used to refuse a
// format before it is stored or used for a run; each entry's folder is still checked.
bool folderFormatStaysInside(const std::string& format, const DateLocale& locale,
                             time_t sampleDate = time(nullptr));

} // namespace orvane
