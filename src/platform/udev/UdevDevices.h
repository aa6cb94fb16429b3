#pragma once

#include <memory>
#include <string>
#include <vector>

namespace orvane {

// A device come or gone, as udev tells it.
struct DeviceEvent {
    enum class Kind {
        FileSystem, // a block device with a mountable file system (a card, a stick)
        Camera,     // a USB device that libgphoto2's rules recognise
    };
    Kind kind = Kind::FileSystem;
    bool added = true;
    std::string label;  // the file system's label, or the device's model
    std::string port;   // a camera's port for libgphoto2: "usb:001,004"
    bool phone = false; // a camera that speaks MTP: a phone or tablet
};

// udev's device events (libudev), without UDisks2. Where udev cannot be reached (no udev
// daemon, as in containers) nothing is ever told.
class UdevDevices {
  public:
    UdevDevices();
    ~UdevDevices();
    UdevDevices(const UdevDevices&) = delete;
    UdevDevices& operator=(const UdevDevices&) = delete;

    // The descriptor to watch for reading; -1 without udev.
    int descriptor() const;
    // The events waiting, without blocking.
    std::vector<DeviceEvent> receive();
    // The cameras connected now.
    std::vector<DeviceEvent> connectedCameras();

  private:
    struct Handles;
    std::unique_ptr<Handles> handles_;
};

} // namespace orvane
