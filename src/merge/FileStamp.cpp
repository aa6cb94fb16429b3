#include "merge/FileStamp.h"

#include "base/Paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace orvane {

FileStamp FileStamp::of(const struct stat& status) {
    FileStamp stamp;
    stamp.device = status.st_dev;
    stamp.inode = status.st_ino;
    stamp.type = status.st_mode & S_IFMT;
    stamp.size = status.st_size;
    stamp.modified = status.st_mtim;
    stamp.changed = status.st_ctim;
    return stamp;
}

bool FileStamp::operator==(const FileStamp& other) const {
    return device == other.device && inode == other.inode && type == other.type &&
           size == other.size && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec && changed.tv_sec == other.changed.tv_sec &&
           changed.tv_nsec == other.changed.tv_nsec;
}

namespace {

bool stampLevel(int folderFd, const std::string& prefix, std::vector<TreeItem>& items) {
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return false;
    DIR* dir = fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return false;
    }
    bool ok = true;
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (isDotOrDotDot(name))
            continue;
        struct stat status;
        if (::fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            break;
        }
        const std::string path = prefix + name;
        items.push_back({path, FileStamp::of(status)});
        if (!S_ISDIR(status.st_mode))
            continue;
        const int childFd =
            ::openat(folderFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ok = childFd >= 0 && stampLevel(childFd, path + "/", items);
        if (childFd >= 0)
            ::close(childFd);
        if (!ok)
            break;
    }
    closedir(dir);
    return ok;
}

} // namespace

bool stampTree(int folderFd, std::vector<TreeItem>& items) {
    return stampLevel(folderFd, "", items);
}

} // namespace orvane
