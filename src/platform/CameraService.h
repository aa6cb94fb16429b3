#pragma once

// Cameras and phones on a cable, which speak a picture-transfer protocol instead of being
// mounted as folders. The desktop and the command line use libgphoto2's implementation
// (platform/gphoto/); tests wrap it to meet the failures of real devices.

#include "base/ErrorText.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace orvane {

// The texts of the failures a device gives, reported for each entry they hit.
inline constexpr const char* kCameraDisconnected = "The camera was disconnected";
inline constexpr const char* kCameraInUse =
    "The device is in use by another program: close the file manager's window on it";

// A connected device as the library knows it: "Canon EOS R5" on "usb:001,004".
struct CameraDevice {
    std::string model;
    std::string port;
    bool operator==(const CameraDevice&) const = default;
};

// A file on a device, in the device's folder (absolute, "/" between levels).
struct CameraFile {
    std::string folder;
    std::string name;
    uint64_t size = 0;
    time_t modified = 0; // as the device tells it; 0 when it does not
    // What the item is (S_IFREG, S_IFLNK, S_IFIFO …, as in st_mode), where the device can
    // tell: a folder shown as a camera may hold links and special files, which are listed
    // so that the report names them, and never read.
    unsigned type = S_IFREG;
};

// One open device. Not thread-safe: its user serialises the calls.
class Camera {
  public:
    virtual ~Camera() = default;
    virtual const CameraDevice& device() const = 0;
    // The device's serial number, empty when it gives none.
    virtual std::string serialNumber() = 0;
    // The names of the folders directly inside `folder`.
    [[nodiscard]] virtual ErrorText listFolders(const std::string& folder,
                                                std::vector<std::string>& names) = 0;
    // The files directly inside `folder`, with their sizes and times.
    [[nodiscard]] virtual ErrorText listFiles(const std::string& folder,
                                              std::vector<CameraFile>& files) = 0;
    // Writes the file's data to the open descriptor `fd` (left open), from its start.
    [[nodiscard]] virtual ErrorText download(const CameraFile& file, int fd) = 0;
};

class CameraService {
  public:
    virtual ~CameraService() = default;
    // The devices connected now (mounted cards are not among them).
    [[nodiscard]] virtual ErrorText detect(std::vector<CameraDevice>& devices) = 0;
    // Opens the device; none with `error` set when it cannot be reached.
    virtual std::unique_ptr<Camera> open(const CameraDevice& device, ErrorText& error) = 0;
};

} // namespace orvane
