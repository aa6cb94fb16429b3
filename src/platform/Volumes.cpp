#include "platform/Volumes.h"

#include "base/Paths.h"

#include <filesystem>
#include <sys/stat.h>

namespace orvane {
namespace {

bool isFolder(const std::string& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::vector<std::string> subfolders(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        // The listing's own file type spares a stat for all but links, which are followed.
        std::error_code typeError;
        if (it->is_directory(typeError))
            found.push_back(it->path());
    }
    return found;
}

} // namespace

std::string cameraFolderOf(const std::string& mountPoint) {
    for (const char* name : {"DCIM", "dcim"}) {
        const std::string folder = appendPathComponent(mountPoint, name);
        if (isFolder(folder))
            return folder;
    }
    return {};
}

std::vector<MountedVolume> cameraVolumesUnder(const std::vector<std::string>& roots) {
    std::vector<MountedVolume> volumes;
    auto consider = [&volumes](const std::string& folder) {
        if (cameraFolderOf(folder).empty())
            return false;
        volumes.push_back({lastPathComponent(folder), folder});
        return true;
    };
    for (const std::string& root : roots)
        for (const std::string& level1 : subfolders(root))
            if (!consider(level1))
                for (const std::string& level2 : subfolders(level1))
                    consider(level2);
    return volumes;
}

} // namespace orvane
