#pragma once

// Removable volumes: what is told of them as they come and go, and the ones already mounted
// where desktops mount them.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

struct MountedVolume {
    std::string label;      // the file system's label, or the mount point's name
    std::string mountPoint; // absolute path
    bool phone = false;     // a phone's storage (offered as a phone, not a card)
    // The photos of a device on a cable, when they were counted already (away from the main
    // thread: listing a phone takes a while).
    std::optional<size_t> photos = std::nullopt;
};

// Told on the main thread by a volume monitor.
class VolumeListener {
  public:
    virtual ~VolumeListener() = default;
    virtual void volumeMounted(const MountedVolume& volume) = 0;
    virtual void volumeUnmounted(const std::string& mountPoint) = 0;
};

// The folders one and two levels below each root (/media/CARD, /media/USER/CARD,
// /run/media/USER/CARD) that hold a DCIM folder, named after themselves.
std::vector<MountedVolume> cameraVolumesUnder(const std::vector<std::string>& roots);

// The camera folder of a volume ("DCIM", or "dcim" as some mounts show it), or "".
std::string cameraFolderOf(const std::string& mountPoint);

} // namespace orvane
