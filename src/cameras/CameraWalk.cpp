#include "cameras/CameraWalk.h"

#include "base/Log.h"
#include "base/StringHelpers.h"

#include <algorithm>

namespace orvane {
namespace {

// Deeper folders are not walked: a device that loops its folders would otherwise never end.
constexpr int kDeepestLevel = 32;

// A device's names become file names at the destination and paths on the device: one that is
// not a plain name ("..", a slash inside) is left out, said in the log.
bool isPlainName(const std::string& folder, const std::string& name) {
    if (!name.empty() && name != "." && name != ".." && name.size() <= 255 &&
        name.find_first_of(std::string("/\0", 2)) == std::string::npos)
        return true;
    logMessage(LOG_WARN, "Leaving out '%s' in the camera's folder '%s': not a plain name",
               safeCString(name).c_str(), safeCString(folder).c_str());
    return false;
}

std::string childOf(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

ErrorText sortedFolders(Camera& camera, const std::string& folder,
                        std::vector<std::string>& names) {
    if (ErrorText error = camera.listFolders(folder, names))
        return error;
    names.erase(std::remove_if(names.begin(), names.end(),
                               [&](const std::string& name) { return !isPlainName(folder, name); }),
                names.end());
    std::sort(names.begin(), names.end());
    return std::nullopt;
}

ErrorText walkFolder(Camera& camera, const std::string& folder, int level,
                     std::vector<CameraFile>& files) {
    std::vector<CameraFile> here;
    if (ErrorText error = camera.listFiles(folder, here))
        return error;
    here.erase(
        std::remove_if(here.begin(), here.end(),
                       [&](const CameraFile& file) { return !isPlainName(folder, file.name); }),
        here.end());
    std::sort(here.begin(), here.end(),
              [](const CameraFile& a, const CameraFile& b) { return a.name < b.name; });
    files.insert(files.end(), std::make_move_iterator(here.begin()),
                 std::make_move_iterator(here.end()));
    if (level >= kDeepestLevel)
        return std::nullopt;
    std::vector<std::string> folders;
    if (ErrorText error = sortedFolders(camera, folder, folders))
        return error;
    for (const std::string& name : folders)
        if (ErrorText error = walkFolder(camera, childOf(folder, name), level + 1, files))
            return error;
    return std::nullopt;
}

} // namespace

ErrorText walkCamera(Camera& camera, std::vector<CameraFile>& files) {
    static const char* const kPhotoFolders[] = {"DCIM", "Pictures"};
    std::vector<std::string> top;
    if (ErrorText error = sortedFolders(camera, "/", top))
        return error;
    std::vector<std::string> found[2];
    for (const std::string& name : top) {
        for (int kind = 0; kind < 2; ++kind)
            if (name == kPhotoFolders[kind])
                found[kind].push_back(childOf("/", name));
        std::vector<std::string> inside;
        if (name == kPhotoFolders[0] || name == kPhotoFolders[1])
            continue;
        if (ErrorText error = sortedFolders(camera, childOf("/", name), inside))
            return error;
        for (const std::string& innerName : inside)
            for (int kind = 0; kind < 2; ++kind)
                if (innerName == kPhotoFolders[kind])
                    found[kind].push_back(childOf(childOf("/", name), innerName));
    }
    files.clear();
    if (found[0].empty() && found[1].empty())
        return walkFolder(camera, "/", 0, files);
    for (const auto& folders : found)
        for (const std::string& folder : folders)
            if (ErrorText error = walkFolder(camera, folder, 1, files))
                return error;
    return std::nullopt;
}

} // namespace orvane
