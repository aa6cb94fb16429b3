#pragma once

#include <map>
#include <string>
#include <sys/types.h>

namespace orvane {

// Where a file lives, told so that it reads the same wherever its volume is mounted later:
// the volume ("uuid:…" from /dev/disk/by-uuid, else "label:…" from /dev/disk/by-label,
// empty when it has neither) and the path below the volume's root (absolute without one).
struct VolumePlace {
    std::string volume;
    std::string path;
};

// Finds the places of files; remembers what it learnt of each device.
class VolumeIdentities {
  public:
    // `path` is absolute and on `device` (its st_dev).
    VolumePlace placeOf(const std::string& path, dev_t device);

  private:
    struct Volume {
        std::string key;
        std::string mountPoint; // where the volume's root shows, "" when unknown
        std::string root;       // the folder of the volume mounted there ("/" mostly)
    };
    std::map<dev_t, Volume> volumes_;
};

} // namespace orvane
