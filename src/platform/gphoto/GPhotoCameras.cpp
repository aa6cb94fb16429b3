#include "platform/gphoto/GPhotoCameras.h"

#include "base/Log.h"
#include "base/StringHelpers.h"
#include "platform/FileCopier.h"
#include "platform/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <gphoto2/gphoto2.h>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace orvane {

namespace {

// libgphoto2's drivers keep small allocations for the life of the process and unload their
// modules before it ends, so that the leak checker of sanitized builds reports them with no
// name to suppress them by; what the library allocates while we call it is not ours to check.
class LibraryAllocations {
  public:
#if defined(__SANITIZE_ADDRESS__)
    LibraryAllocations() {
        __lsan_disable();
    }
    ~LibraryAllocations() {
        __lsan_enable();
    }
#else
    LibraryAllocations() {}
#endif
    LibraryAllocations(const LibraryAllocations&) = delete;
    LibraryAllocations& operator=(const LibraryAllocations&) = delete;
};

} // namespace

struct GPhotoCameras::Lists {
    CameraAbilitiesList* abilities = nullptr;
    GPPortInfoList* ports = nullptr;
    GPContext* context = nullptr;
    std::mutex lock; // the lists are looked up by every camera opened from them

    ~Lists() {
        const LibraryAllocations library;
        if (abilities)
            gp_abilities_list_free(abilities);
        if (ports)
            gp_port_info_list_free(ports);
        if (context)
            gp_context_unref(context);
    }
};

namespace {

// The library's answer as the text of the entry it failed: what a user can act on where the
// device tells something familiar, else the library's own words.
std::string failureText(int result, const std::string& doing) {
    switch (result) {
    case GP_ERROR_IO_USB_CLAIM:
    case GP_ERROR_IO_LOCK:
    case GP_ERROR_CAMERA_BUSY:
        return kCameraInUse;
    case GP_ERROR_IO:
    case GP_ERROR_TIMEOUT:
    case GP_ERROR_IO_INIT:
    case GP_ERROR_IO_READ:
    case GP_ERROR_IO_WRITE:
    case GP_ERROR_IO_UPDATE:
    case GP_ERROR_IO_USB_CLEAR_HALT:
    case GP_ERROR_IO_USB_FIND:
        return kCameraDisconnected;
    default:
        return doing + ": " + gp_result_as_string(result);
    }
}

struct ListDeleter {
    void operator()(CameraList* list) const { gp_list_free(list); }
};
using UniqueList = std::unique_ptr<CameraList, ListDeleter>;

UniqueList newList() {
    CameraList* list = nullptr;
    gp_list_new(&list);
    return UniqueList(list);
}

class GPhotoCamera : public Camera {
  public:
    GPhotoCamera(CameraDevice device, ::Camera* camera, std::shared_ptr<GPhotoCameras::Lists> lists)
        : device_(std::move(device)), camera_(camera), lists_(std::move(lists)),
          folderRoot_(folderRootOf(device_.port)) {}

    ~GPhotoCamera() override {
        const LibraryAllocations library;
        gp_camera_exit(camera_, lists_->context);
        gp_camera_unref(camera_);
    }

    const CameraDevice& device() const override { return device_; }

    std::string serialNumber() override {
        const LibraryAllocations library;
        CameraText summary;
        if (gp_camera_get_summary(camera_, &summary, lists_->context) < GP_OK)
            return {};
        const std::string text(summary.text, strnlen(summary.text, sizeof summary.text));
        static const std::string kLabel = "Serial Number:";
        const size_t at = text.find(kLabel);
        if (at == std::string::npos)
            return {};
        const size_t begin = text.find_first_not_of(" \t", at + kLabel.size());
        if (begin == std::string::npos)
            return {};
        const size_t end = text.find_first_of("\r\n", begin);
        std::string serial = text.substr(begin, end == std::string::npos ? end : end - begin);
        serial.erase(serial.find_last_not_of(" \t") + 1);
        return serial;
    }

    ErrorText listFolders(const std::string& folder, std::vector<std::string>& names) override {
        const LibraryAllocations library;
        UniqueList list = newList();
        const int result =
            gp_camera_folder_list_folders(camera_, folder.c_str(), list.get(), lists_->context);
        if (result < GP_OK)
            return failed(result, "Couldn't list the camera's folder '" + folder + "'");
        names.clear();
        for (int i = 0, count = gp_list_count(list.get()); i < count; ++i) {
            const char* name = nullptr;
            if (gp_list_get_name(list.get(), i, &name) == GP_OK && name &&
                kindInFolder(folder, name) == S_IFDIR)
                names.emplace_back(name);
        }
        return std::nullopt;
    }

    ErrorText listFiles(const std::string& folder, std::vector<CameraFile>& files) override {
        const LibraryAllocations library;
        UniqueList list = newList();
        int result =
            gp_camera_folder_list_files(camera_, folder.c_str(), list.get(), lists_->context);
        if (result < GP_OK)
            return failed(result, "Couldn't list the camera's folder '" + folder + "'");
        files.clear();
        for (int i = 0, count = gp_list_count(list.get()); i < count; ++i) {
            const char* name = nullptr;
            if (gp_list_get_name(list.get(), i, &name) != GP_OK || !name)
                continue;
            CameraFile file{folder, name};
            // A folder's link, FIFO or device is listed by what it is and never looked into:
            // the library would follow the link and wait on the FIFO.
            if (!folderRoot_.empty()) {
                file.type = kindInFolder(folder, name);
                if (file.type == 0)
                    continue; // gone since the library listed it
                if (file.type != S_IFREG) {
                    files.push_back(std::move(file));
                    continue;
                }
            }
            CameraFileInfo info;
            result = gp_camera_file_get_info(camera_, folder.c_str(), name, &info, lists_->context);
            if (result < GP_OK) {
                ErrorText error =
                    failed(result, "Couldn't read the camera's file '" + std::string(name) + "'");
                if (*error == kCameraDisconnected || *error == kCameraInUse)
                    return error;
            } else {
                if (info.file.fields & GP_FILE_INFO_SIZE)
                    file.size = info.file.size;
                if (info.file.fields & GP_FILE_INFO_MTIME)
                    file.modified = info.file.mtime;
            }
            files.push_back(std::move(file));
        }
        if (!folderRoot_.empty())
            addUnlistedLinks(folder, files);
        return std::nullopt;
    }

    ErrorText download(const CameraFile& file, int fd) override {
        if (!folderRoot_.empty())
            return copyFromFolder(file, fd);
        const LibraryAllocations library;
        // The library closes the descriptor it is given along with its file.
        const int own = ::dup(fd);
        if (own < 0)
            return std::string("Couldn't download '") + file.name + "': " + std::strerror(errno);
        ::CameraFile* data = nullptr;
        int result = gp_file_new_from_fd(&data, own);
        if (result < GP_OK) {
            ::close(own);
            return failed(result, "Couldn't download '" + file.name + "'");
        }
        result = gp_camera_file_get(camera_, file.folder.c_str(), file.name.c_str(),
                                    GP_FILE_TYPE_NORMAL, data, lists_->context);
        gp_file_unref(data);
        if (result < GP_OK)
            return failed(result, "Couldn't download '" + file.name + "' from the camera");
        return std::nullopt;
    }

  private:
    // The folder a "disk:FOLDER" port shows as a camera, or empty for a device.
    static std::string folderRootOf(const std::string& port) {
        static constexpr std::string_view kDisk = "disk:";
        return port.compare(0, kDisk.size(), kDisk) == 0 ? port.substr(kDisk.size()) : "";
    }

    // The kind of `name` in the camera's `folder` below the folder root (S_IFREG, S_IFDIR,
    // S_IFLNK …) as it is itself, never through a link; 0 when it cannot be read. On a
    // device every listed name is what the library says.
    unsigned kindInFolder(const std::string& folder, const char* name) const {
        if (folderRoot_.empty())
            return S_IFDIR;
        struct stat status;
        const UniqueFd parent = openFolder(folder);
        if (parent.get() < 0 || ::fstatat(parent.get(), name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return 0;
        return status.st_mode & S_IFMT;
    }

    // Opens the camera's `folder` below the folder root one level at a time, never through
    // a link, so that a level swapped for a link leads nowhere else.
    UniqueFd openFolder(const std::string& folder) const {
        UniqueFd at(::open(folderRoot_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        size_t begin = 0;
        while (at.get() >= 0 && begin < folder.size()) {
            const size_t end = std::min(folder.find('/', begin), folder.size());
            if (end > begin) {
                const std::string level = folder.substr(begin, end - begin);
                at = UniqueFd(::openat(at.get(), level.c_str(),
                                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            }
            begin = end + 1;
        }
        return at;
    }

    // The links in `folder` the library left out of its list (those to folders): listed as
    // links, so that the report names them as it names the links of a walked folder.
    void addUnlistedLinks(const std::string& folder, std::vector<CameraFile>& files) const {
        UniqueFd at = openFolder(folder);
        DIR* dir = at.get() >= 0 ? ::fdopendir(at.get()) : nullptr;
        if (!dir)
            return;
        at.release(); // closed with the listing
        std::unordered_set<std::string> listed;
        for (const CameraFile& file : files)
            listed.insert(file.name);
        while (const dirent* entry = ::readdir(dir)) {
            struct stat status;
            if (!listed.count(entry->d_name) &&
                ::fstatat(::dirfd(dir), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(status.st_mode)) {
                CameraFile link{folder, entry->d_name};
                link.type = S_IFLNK;
                files.push_back(std::move(link));
            }
        }
        ::closedir(dir);
    }

    // A file of a folder shown as a camera, copied by this process rather than the library:
    // opened without following a link or waiting on a FIFO, and read only as a regular file;
    // a sparse file's holes stay holes.
    ErrorText copyFromFolder(const CameraFile& file, int fd) const {
        const std::string shown = "Couldn't download '" + file.name + "'";
        const UniqueFd folder = openFolder(file.folder);
        if (folder.get() < 0)
            return shown + ": " + std::strerror(errno);
        struct stat status;
        const UniqueFd in = openSourceFile(folder.get(), file.name.c_str(), &status);
        if (in.get() < 0)
            return shown + ": " +
                   (errno == ELOOP || errno == EINVAL || errno == ENXIO
                        ? std::string("not a regular file any more")
                        : std::string(std::strerror(errno)));
        const std::string path = folderRoot_ + file.folder + "/" + file.name;
        if (std::optional<CopyFailure> failure = copyOpenFile(in.get(), status, fd, path, path))
            return shown + ": " +
                   (failure->kind == CopyFailure::Kind::SourceChanged
                        ? std::string("it changed while it was copied")
                        : std::string(std::strerror(failure->error)));
        return std::nullopt;
    }

    ErrorText failed(int result, const std::string& doing) const {
        logMessage(LOG_WARN, "Camera '%s' on '%s': %s: %d-%s", safeCString(device_.model).c_str(),
                   safeCString(device_.port).c_str(), safeCString(doing).c_str(), result,
                   gp_result_as_string(result));
        return failureText(result, doing);
    }

    CameraDevice device_;
    ::Camera* camera_;
    std::shared_ptr<GPhotoCameras::Lists> lists_;
    std::string folderRoot_;
};

} // namespace

GPhotoCameras::GPhotoCameras() = default;
GPhotoCameras::~GPhotoCameras() = default;

std::shared_ptr<GPhotoCameras::Lists> GPhotoCameras::lists(ErrorText& error) {
    const LibraryAllocations library;
    if (lists_)
        return lists_;
    auto lists = std::make_shared<Lists>();
    lists->context = gp_context_new();
    int result = gp_abilities_list_new(&lists->abilities);
    if (result >= GP_OK)
        result = gp_abilities_list_load(lists->abilities, lists->context);
    if (result >= GP_OK)
        result = gp_port_info_list_new(&lists->ports);
    if (result >= GP_OK)
        result = gp_port_info_list_load(lists->ports);
    if (result < GP_OK) {
        error = std::string("Couldn't load the camera drivers: ") + gp_result_as_string(result);
        return nullptr;
    }
    lists_ = std::move(lists);
    return lists_;
}

ErrorText GPhotoCameras::detect(std::vector<CameraDevice>& devices) {
    const LibraryAllocations library;
    ErrorText error;
    std::shared_ptr<Lists> loaded = lists(error);
    if (!loaded)
        return error;
    std::lock_guard lock(loaded->lock);
    UniqueList list = newList();
    const int result =
        gp_abilities_list_detect(loaded->abilities, loaded->ports, list.get(), loaded->context);
    if (result < GP_OK)
        return std::string("Couldn't look for cameras: ") + gp_result_as_string(result);
    devices.clear();
    for (int i = 0, count = gp_list_count(list.get()); i < count; ++i) {
        const char* model = nullptr;
        const char* port = nullptr;
        if (gp_list_get_name(list.get(), i, &model) == GP_OK &&
            gp_list_get_value(list.get(), i, &port) == GP_OK && model && port)
            devices.push_back({model, port});
    }
    return std::nullopt;
}

std::unique_ptr<Camera> GPhotoCameras::open(const CameraDevice& device, ErrorText& error) {
    const LibraryAllocations library;
    std::shared_ptr<Lists> loaded = lists(error);
    if (!loaded)
        return nullptr;
    std::lock_guard lock(loaded->lock);
    const int model = gp_abilities_list_lookup_model(loaded->abilities, device.model.c_str());
    if (model < GP_OK) {
        error = "No camera driver knows the model '" + device.model + "'";
        return nullptr;
    }
    const int port = gp_port_info_list_lookup_path(loaded->ports, device.port.c_str());
    if (port < GP_OK) {
        error = "There is no port '" + device.port + "'";
        return nullptr;
    }
    CameraAbilities abilities;
    GPPortInfo portInfo;
    ::Camera* camera = nullptr;
    int result = gp_abilities_list_get_abilities(loaded->abilities, model, &abilities);
    if (result >= GP_OK)
        result = gp_port_info_list_get_info(loaded->ports, port, &portInfo);
    if (result >= GP_OK)
        result = gp_camera_new(&camera);
    if (result >= GP_OK)
        result = gp_camera_set_abilities(camera, abilities);
    if (result >= GP_OK)
        result = gp_camera_set_port_info(camera, portInfo);
    if (result >= GP_OK)
        result = gp_camera_init(camera, loaded->context);
    if (result < GP_OK) {
        logMessage(LOG_WARN, "Couldn't open camera '%s' on '%s': %d-%s",
                   safeCString(device.model).c_str(), safeCString(device.port).c_str(), result,
                   gp_result_as_string(result));
        error = failureText(result, "Couldn't open the camera '" + device.model + "'");
        if (camera)
            gp_camera_unref(camera);
        return nullptr;
    }
    return std::make_unique<GPhotoCamera>(device, camera, loaded);
}

} // namespace orvane
