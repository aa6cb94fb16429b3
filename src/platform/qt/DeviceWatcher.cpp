#include "platform/qt/DeviceWatcher.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/StringHelpers.h"
#include "platform/RemoteSources.h"
#include "platform/udev/UdevDevices.h"

#include <QSocketNotifier>
#include <fcntl.h>
#include <unistd.h>

namespace orvane {

DeviceWatcher::DeviceWatcher(VolumeListener& listener, std::string mountInfo, std::string gvfs,
                             QObject* parent)
    : QObject(parent), listener_(listener), mountInfo_(std::move(mountInfo)),
      gvfs_(std::move(gvfs)), udev_(std::make_unique<UdevDevices>()) {
    known_ = mountedNow();
    // The kernel marks the mount table's file exceptional after every change to it.
    mountFd_ = ::open(mountInfo_.c_str(), O_RDONLY | O_CLOEXEC);
    if (mountFd_ >= 0) {
        mountNotifier_ = new QSocketNotifier(mountFd_, QSocketNotifier::Exception, this);
        connect(mountNotifier_, &QSocketNotifier::activated, this, [this] { recheck(); });
    }
    connect(&folders_, &QFileSystemWatcher::directoryChanged, this, [this] {
        watchFolders();
        recheck();
    });
    watchFolders();
    if (udev_->descriptor() >= 0) {
        udevNotifier_ = new QSocketNotifier(udev_->descriptor(), QSocketNotifier::Read, this);
        connect(udevNotifier_, &QSocketNotifier::activated, this, [this] { udevReady(); });
    }
    for (const DeviceEvent& camera : udev_->connectedCameras())
        countThenTell({camera.label, std::string(kCameraScheme) + camera.port, camera.phone});
}

DeviceWatcher::~DeviceWatcher() {
    for (std::thread& thread : counting_)
        thread.join();
    delete mountNotifier_;
    if (mountFd_ >= 0)
        ::close(mountFd_);
}

std::map<std::string, MountedVolume> DeviceWatcher::mountedNow() const {
    std::map<std::string, MountedVolume> volumes;
    for (MountedVolume& volume : cameraMounts(readMountTable(mountInfo_)))
        volumes.emplace(volume.mountPoint, std::move(volume));
    for (MountedVolume& phone : phonesUnder(gvfs_))
        volumes.emplace(phone.mountPoint, std::move(phone));
    return volumes;
}

void DeviceWatcher::watchFolders() {
    // The gvfs folder exists only while the desktop's daemon runs: its parent is watched
    // for it to come.
    for (const std::string& folder : {deletingLastPathComponent(gvfs_), gvfs_})
        if (!folders_.directories().contains(QString::fromStdString(folder)) &&
            ::access(folder.c_str(), X_OK) == 0)
            folders_.addPath(QString::fromStdString(folder));
}

void DeviceWatcher::recheck() {
    std::map<std::string, MountedVolume> now = mountedNow();
    for (const auto& [mountPoint, volume] : known_)
        if (!now.count(mountPoint)) {
            logMessage(LOG_DEBUG, "Volume '%s' is gone", safeCString(mountPoint).c_str());
            listener_.volumeUnmounted(mountPoint);
        }
    std::map<std::string, MountedVolume> before = std::move(known_);
    known_ = now;
    for (const auto& [mountPoint, volume] : now)
        if (!before.count(mountPoint)) {
            logMessage(LOG_DEBUG, "Volume '%s' came", safeCString(mountPoint).c_str());
            listener_.volumeMounted(volume);
        }
}

void DeviceWatcher::udevReady() {
    bool fileSystems = false;
    for (const DeviceEvent& event : udev_->receive()) {
        if (event.kind == DeviceEvent::Kind::FileSystem) {
            fileSystems = true; // offered once someone mounts it
            continue;
        }
        const std::string source = std::string(kCameraScheme) + event.port;
        logMessage(LOG_DEBUG, "Camera '%s' on '%s' %s", safeCString(event.label).c_str(),
                   safeCString(event.port).c_str(), event.added ? "connected" : "gone");
        if (event.added)
            countThenTell({event.label, source, event.phone});
        else
            listener_.volumeUnmounted(source);
    }
    if (fileSystems)
        recheck();
}

void DeviceWatcher::countThenTell(MountedVolume camera) {
    RemoteSources* remote = remoteSources();
    if (!remote)
        return;
    counting_.emplace_back([this, remote, camera = std::move(camera)]() mutable {
        std::vector<std::string> entries;
        if (remote->list(camera.mountPoint, entries))
            return;
        remote->release(camera.mountPoint);
        camera.photos = entries.size();
        // Told on the main thread; dropped if the watcher is gone by then.
        QMetaObject::invokeMethod(
            this, [this, camera] { listener_.volumeMounted(camera); }, Qt::QueuedConnection);
    });
}

} // namespace orvane
