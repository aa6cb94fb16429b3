#include "platform/udev/UdevDevices.h"

#include <algorithm>
#include <cstring>
#include <libudev.h>

namespace orvane {

struct UdevDevices::Handles {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    ~Handles() {
        if (monitor)
            udev_monitor_unref(monitor);
        if (context)
            udev_unref(context);
    }
};

namespace {

std::string property(udev_device* device, const char* name) {
    const char* value = udev_device_get_property_value(device, name);
    return value ? value : "";
}

// udev's names are written with '_' for spaces ("Pixel_7").
std::string spaced(std::string text) {
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

bool eventOf(udev_device* device, bool added, DeviceEvent& event) {
    const char* subsystem = udev_device_get_subsystem(device);
    if (!subsystem)
        return false;
    event.added = added;
    if (std::strcmp(subsystem, "block") == 0) {
        if (property(device, "ID_FS_USAGE") != "filesystem")
            return false;
        event.kind = DeviceEvent::Kind::FileSystem;
        event.label = property(device, "ID_FS_LABEL");
        return true;
    }
    const std::string bus = property(device, "BUSNUM");
    const std::string number = property(device, "DEVNUM");
    if (std::strcmp(subsystem, "usb") != 0 || property(device, "ID_GPHOTO2").empty() ||
        bus.empty() || number.empty())
        return false;
    event.kind = DeviceEvent::Kind::Camera;
    event.port = "usb:" + bus + "," + number;
    event.label = spaced(property(device, "ID_MODEL"));
    event.phone = property(device, "ID_MTP_DEVICE") == "1";
    return true;
}

} // namespace

UdevDevices::UdevDevices() : handles_(std::make_unique<Handles>()) {
    handles_->context = udev_new();
    if (!handles_->context)
        return;
    handles_->monitor = udev_monitor_new_from_netlink(handles_->context, "udev");
    if (!handles_->monitor)
        return;
    udev_monitor_filter_add_match_subsystem_devtype(handles_->monitor, "block", nullptr);
    udev_monitor_filter_add_match_subsystem_devtype(handles_->monitor, "usb", "usb_device");
    if (udev_monitor_enable_receiving(handles_->monitor) < 0) {
        udev_monitor_unref(handles_->monitor);
        handles_->monitor = nullptr;
    }
}

UdevDevices::~UdevDevices() = default;

int UdevDevices::descriptor() const {
    return handles_->monitor ? udev_monitor_get_fd(handles_->monitor) : -1;
}

std::vector<DeviceEvent> UdevDevices::receive() {
    std::vector<DeviceEvent> events;
    if (!handles_->monitor)
        return events;
    // The monitor's socket does not block; a burst is bounded so that the caller stays live.
    for (int i = 0; i < 256; ++i) {
        udev_device* device = udev_monitor_receive_device(handles_->monitor);
        if (!device)
            break;
        const char* action = udev_device_get_action(device);
        DeviceEvent event;
        if (action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0) &&
            eventOf(device, std::strcmp(action, "add") == 0, event))
            events.push_back(std::move(event));
        udev_device_unref(device);
    }
    return events;
}

std::vector<DeviceEvent> UdevDevices::connectedCameras() {
    std::vector<DeviceEvent> cameras;
    if (!handles_->context)
        return cameras;
    udev_enumerate* enumerate = udev_enumerate_new(handles_->context);
    if (!enumerate)
        return cameras;
    udev_enumerate_add_match_subsystem(enumerate, "usb");
    udev_enumerate_add_match_property(enumerate, "ID_GPHOTO2", "1");
    udev_enumerate_scan_devices(enumerate);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
        udev_device* device =
            udev_device_new_from_syspath(handles_->context, udev_list_entry_get_name(entry));
        DeviceEvent event;
        if (device && eventOf(device, true, event))
            cameras.push_back(std::move(event));
        if (device)
            udev_device_unref(device);
    }
    udev_enumerate_unref(enumerate);
    return cameras;
}

} // namespace orvane
