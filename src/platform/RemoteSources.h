#pragma once

// Sources that are not files of a mounted file system: the files on cameras and phones,
// given as "camera:PORT" and listed as "camera:PORT/FOLDER/NAME". The file list asks them for
// their entries; the merge brings each entry into the destination (a download) before it
// dates it, and publishes that download as the entry's copy. They are never changed.

#include "base/ErrorText.h"
#include "platform/VolumeIdentity.h"

#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace orvane {

inline constexpr std::string_view kCameraScheme = "camera:";

// Whether a source or an entry of a file list is on a camera.
inline bool isCameraPath(std::string_view path) {
    return path.substr(0, kCameraScheme.size()) == kCameraScheme;
}

inline constexpr const char* kNoCameraAccess = "Cameras can't be reached from here";

class RemoteSources {
  public:
    virtual ~RemoteSources() = default;
    // The entries below a source, in the device's walk order, or the source's error.
    [[nodiscard]] virtual ErrorText list(const std::string& source,
                                         std::vector<std::string>& entries) = 0;
    // An entry's status as its device tells it (a regular file, its size and time; a link or
    // special file of a folder shown as a device, which the list skips); false for an entry
    // never listed.
    virtual bool status(const std::string& entry, struct stat& status) = 0;
    // Writes an entry's data to the open descriptor `fd`, from its start.
    [[nodiscard]] virtual ErrorText fetch(const std::string& entry, int fd) = 0;
    // How the report and the preview name a source's device: "'Canon EOS R5' on USB".
    virtual std::string deviceName(const std::string& source) = 0;
    // Lets go of a source's device, so that other programs can reach it; it is opened again
    // when needed.
    virtual void release(const std::string& source) = 0;
    // Where the import history finds a listed entry again, whichever port its device is on
    // the next time: the device's serial number and the entry's path on it; without a serial
    // number, the entry as it is named.
    virtual VolumePlace placeOf(const std::string& entry) { return {"", entry}; }
};

// The process's remote sources, installed by the front end; null where there are none.
RemoteSources* remoteSources();
void setRemoteSources(RemoteSources* sources);

// Installs remote sources for its own lifetime.
class RemoteSourcesScope {
  public:
    explicit RemoteSourcesScope(RemoteSources& sources) { setRemoteSources(&sources); }
    ~RemoteSourcesScope() { setRemoteSources(nullptr); }
    RemoteSourcesScope(const RemoteSourcesScope&) = delete;
    RemoteSourcesScope& operator=(const RemoteSourcesScope&) = delete;
};

} // namespace orvane
