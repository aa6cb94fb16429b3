#pragma once

#include "platform/MountTable.h"
#include "platform/Volumes.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QSocketNotifier;

namespace orvane {

class UdevDevices;

// Watches, without UDisks2, for camera volumes and devices coming and going, and tells the
// listener: mounts with a DCIM folder made by anyone (the mount table, which the kernel
// signals on every change), phones the desktop mounts below its gvfs folder, and cameras
// and phones on a cable that udev announces (told as volumes whose mount point is their
// source, "camera:usb:001,004", with its photos counted on a thread of its own). What is there
// when it starts is taken as known, except the cameras on a cable, which are told at once.
class DeviceWatcher : public QObject {
    Q_OBJECT
  public:
    explicit DeviceWatcher(VolumeListener& listener, std::string mountInfo = "/proc/self/mountinfo",
                           std::string gvfs = gvfsFolder(), QObject* parent = nullptr);
    ~DeviceWatcher() override;

    // Compares the mounts with those last seen and tells the listener of each change.
    void recheck();

  private:
    std::map<std::string, MountedVolume> mountedNow() const;
    void udevReady();
    // Counts a camera's photos away from the main thread, then tells the listener of it; a
    // device that cannot be listed (another program holds it) is not told.
    void countThenTell(MountedVolume camera);
    void watchFolders();

    VolumeListener& listener_;
    std::string mountInfo_;
    std::string gvfs_;
    int mountFd_ = -1;
    QSocketNotifier* mountNotifier_ = nullptr;
    QFileSystemWatcher folders_;
    std::unique_ptr<UdevDevices> udev_;
    QSocketNotifier* udevNotifier_ = nullptr;
    std::map<std::string, MountedVolume> known_; // by mount point
    std::vector<std::thread> counting_;
};

} // namespace orvane
