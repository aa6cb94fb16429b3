#include "cameras/CameraSources.h"

#include "base/Log.h"
#include "base/StringHelpers.h"
#include "cameras/CameraWalk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

constexpr std::string_view kFolderPort = "disk:";
constexpr const char* kFolderCameraModel = "Directory Browse";

std::string portOf(const std::string& source) {
    return source.substr(kCameraScheme.size());
}

std::string entryFor(const std::string& port, const CameraFile& file) {
    std::string entry = CameraSources::sourceFor(port) + file.folder;
    if (entry.back() != '/')
        entry += '/';
    return entry + file.name;
}

bool startsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

std::string CameraSources::sourceFor(const std::string& port) {
    return std::string(kCameraScheme) + port;
}

void CameraSources::chooseModel(const std::string& port, const std::string& model) {
    std::lock_guard lock(lock_);
    models_[port] = model;
}

std::string CameraSources::modelOn(const std::string& port, ErrorText& error) {
    if (auto it = models_.find(port); it != models_.end())
        return it->second;
    std::vector<CameraDevice> devices;
    if (!startsWith(port, kFolderPort)) {
        if (ErrorText failure = service_.detect(devices)) {
            error = failure;
            return {};
        }
    }
    for (const CameraDevice& device : devices)
        if (device.port == port)
            return device.model;
    if (startsWith(port, kFolderPort))
        return kFolderCameraModel;
    error = "No camera is connected on '" + port + "' (orvane cameras lists those that are)";
    return {};
}

ErrorText CameraSources::list(const std::string& source, std::vector<std::string>& entries) {
    const std::string port = portOf(source);
    if (port.empty())
        return std::string("Give the camera's port: camera:PORT (orvane cameras lists them)");
    // Closed first: a device is opened by one program at a time. Its downloads ahead end
    // outside the lock their thread takes.
    Device closed;
    {
        std::lock_guard lock(lock_);
        if (auto it = devices_.find(port); it != devices_.end()) {
            closed = std::move(it->second);
            devices_.erase(it);
        }
    }
    closed = {};
    std::lock_guard use(deviceLock_);
    ErrorText error;
    std::string model;
    {
        std::lock_guard lock(lock_);
        model = modelOn(port, error);
    }
    if (error)
        return error;
    std::shared_ptr<Camera> camera = service_.open({model, port}, error);
    if (!camera)
        return error;
    std::vector<CameraFile> files;
    if (ErrorText failure = walkCamera(*camera, files))
        return failure;
    entries.clear();
    entries.reserve(files.size());
    std::lock_guard lock(lock_);
    for (CameraFile& file : files) {
        std::string entry = entryFor(port, file);
        entries.push_back(entry);
        entries_[std::move(entry)] = Entry{port, std::move(file), entries.size() - 1};
    }
    logMessage(LOG_DEBUG, "Camera '%s' on '%s' holds %zu files", safeCString(model).c_str(),
               safeCString(port).c_str(), entries.size());
    Device& device = devices_[port];
    device.camera = std::move(camera);
    device.listed = entries;
    return std::nullopt;
}

bool CameraSources::status(const std::string& entry, struct stat& status) {
    std::lock_guard lock(lock_);
    auto it = entries_.find(entry);
    if (it == entries_.end())
        return false;
    status = {};
    status.st_mode = static_cast<mode_t>(it->second.file.type) | 0644;
    status.st_nlink = 1;
    status.st_size = static_cast<off_t>(it->second.file.size);
    status.st_mtim.tv_sec = it->second.file.modified;
    status.st_atim = status.st_mtim;
    status.st_ctim = status.st_mtim;
    return true;
}

ErrorText CameraSources::fetch(const std::string& entry, int fd) {
    std::shared_ptr<DownloadAhead> ahead;
    size_t position = 0;
    time_t modified = 0;
    {
        std::lock_guard lock(lock_);
        auto it = entries_.find(entry);
        if (it == entries_.end())
            return std::string("The camera's file list no longer holds this file");
        const std::string port = it->second.port;
        position = it->second.position;
        modified = it->second.file.modified;
        Device& device = devices_[port];
        if (position >= device.listed.size() || device.listed[position] != entry)
            return std::string("The camera's file list no longer holds this file");
        if (!device.ahead)
            device.ahead = std::make_shared<DownloadAhead>(
                device.listed.size(),
                [this, port](size_t item, int to) { return download(port, item, to); },
                [this, port](size_t item) { return sizeOf(port, item); });
        ahead = device.ahead;
    }
    if (ErrorText error = ahead->take(position, fd))
        return error;
    // The copy's time is the device's, as a file's copy keeps the original's.
    if (modified != 0) {
        const struct timespec times[2] = {{modified, 0}, {modified, 0}};
        if (::futimens(fd, times) != 0)
            logMessage(LOG_WARN, "Couldn't set the time of the download of '%s'",
                       safeCString(entry).c_str());
    }
    return std::nullopt;
}

uint64_t CameraSources::sizeOf(const std::string& port, size_t position) {
    std::lock_guard lock(lock_);
    const Device& device = devices_[port];
    return position < device.listed.size() ? entries_.at(device.listed[position]).file.size : 0;
}

ErrorText CameraSources::download(const std::string& port, size_t position, int fd) {
    std::lock_guard use(deviceLock_);
    std::shared_ptr<Camera> camera;
    CameraFile file;
    std::string model;
    ErrorText error;
    {
        std::lock_guard lock(lock_);
        Device& device = devices_[port];
        if (device.gone)
            return std::string(kCameraDisconnected);
        if (position >= device.listed.size())
            return std::string("The camera's file list no longer holds this file");
        file = entries_.at(device.listed[position]).file;
        camera = device.camera;
        if (!camera)
            model = modelOn(port, error);
    }
    if (error)
        return error;
    if (!camera) {
        camera = service_.open({model, port}, error);
        if (!camera)
            return error;
        std::lock_guard lock(lock_);
        devices_[port].camera = camera;
    }
    error = camera->download(file, fd);
    if (error && *error == kCameraDisconnected) {
        std::lock_guard lock(lock_);
        devices_[port].gone = true;
    }
    return error;
}

std::string CameraSources::deviceName(const std::string& source) {
    const std::string port = portOf(source);
    std::string model;
    {
        std::lock_guard lock(lock_);
        if (auto it = devices_.find(port); it != devices_.end() && it->second.camera)
            model = it->second.camera->device().model;
        else if (auto chosen = models_.find(port); chosen != models_.end())
            model = chosen->second;
    }
    const std::string named = model.empty() ? "A camera" : "'" + model + "'";
    if (startsWith(port, "usb:"))
        return named + " on USB";
    if (startsWith(port, "ptpip:") || startsWith(port, "ip:"))
        return named + " on the network";
    if (startsWith(port, kFolderPort))
        return named + " in '" + port.substr(kFolderPort.size()) + "'";
    return named + " on '" + port + "'";
}

std::string CameraSources::serialNumber(const std::string& source) {
    std::shared_ptr<Camera> camera;
    {
        std::lock_guard lock(lock_);
        if (auto it = devices_.find(portOf(source)); it != devices_.end())
            camera = it->second.camera;
    }
    std::lock_guard use(deviceLock_);
    return camera ? camera->serialNumber() : std::string();
}

VolumePlace CameraSources::placeOf(const std::string& entry) {
    // The port is the longest known one the entry starts with ("disk:" ports hold slashes).
    std::shared_ptr<Camera> camera;
    std::string source;
    {
        std::lock_guard lock(lock_);
        for (const auto& [port, device] : devices_) {
            const std::string named = sourceFor(port);
            if (startsWith(entry, named + "/") && named.size() > source.size()) {
                source = named;
                camera = device.camera;
            }
        }
    }
    std::string serial;
    if (camera) {
        std::lock_guard use(deviceLock_);
        serial = camera->serialNumber();
    }
    if (serial.empty())
        return {"", entry};
    return {"camera-serial:" + serial, entry.substr(source.size())};
}

void CameraSources::release(const std::string& source) {
    std::shared_ptr<Camera> camera;
    std::shared_ptr<DownloadAhead> ahead;
    {
        std::lock_guard lock(lock_);
        if (auto it = devices_.find(portOf(source)); it != devices_.end()) {
            camera = std::move(it->second.camera);
            ahead = std::move(it->second.ahead);
        }
    }
    ahead.reset(); // its thread may be waiting for the lock
    std::lock_guard use(deviceLock_);
    camera.reset();
}

void CameraSources::closeAll() {
    std::map<std::string, Device> devices;
    {
        std::lock_guard lock(lock_);
        devices.swap(devices_);
    }
    for (auto& [port, device] : devices)
        device.ahead.reset();
    std::lock_guard use(deviceLock_);
    devices.clear();
}

} // namespace orvane
