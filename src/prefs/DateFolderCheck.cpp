#include "prefs/DateFolderCheck.h"

#include "prefs/DateRendering.h"

#include <climits>
#include <string_view>

namespace orvane {

bool dateFolderStaysInside(const std::string& dateFolder) {
    if (dateFolder.empty() || dateFolder.front() == '/' || dateFolder.size() >= PATH_MAX)
        return false;
    std::string_view rest = dateFolder;
    for (;;) {
        const size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        if (part == "." || part == "..")
            return false;
        if (slash == std::string_view::npos)
            return true;
        rest.remove_prefix(slash + 1);
    }
}

bool folderFormatStaysInside(const std::string& format, const DateLocale& locale,
                             time_t sampleDate) {
    return dateFolderStaysInside(locale.render(sampleDate, format));
}

} // namespace orvane
