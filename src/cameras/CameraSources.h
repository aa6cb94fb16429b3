#pragma once

#include "cameras/DownloadAhead.h"
#include "platform/CameraService.h"
#include "platform/RemoteSources.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace orvane {

// The files on cameras and phones as sources of a run: "camera:PORT" lists the device on PORT
// (walked as walkCamera does), each file an entry "camera:PORT/FOLDER/NAME". A device stays
// open from its listing on, for the run's downloads; listing it again opens it afresh (it may
// have been unplugged and plugged in since). The files of a listing are downloaded ahead of
// the run that asks for them in list order (DownloadAhead). Any thread; one call at a time
// reaches the devices.
class CameraSources : public RemoteSources {
  public:
    explicit CameraSources(CameraService& service) : service_(service) {}
    // The downloads ahead end before the lists they read go.
    ~CameraSources() override { closeAll(); }

    // The source that names the device on `port`.
    static std::string sourceFor(const std::string& port);
    // The model of the device on `port`, as the user named it (without it, the model is the
    // one detected on the port, or "Directory Browse" for a folder given as "disk:FOLDER").
    void chooseModel(const std::string& port, const std::string& model);
    // The serial number of the device the source names, when it was listed and gives one.
    std::string serialNumber(const std::string& source);
    VolumePlace placeOf(const std::string& entry) override;
    // Closes every device, so that other programs can reach them.
    void closeAll();

    [[nodiscard]] ErrorText list(const std::string& source,
                                 std::vector<std::string>& entries) override;
    bool status(const std::string& entry, struct stat& status) override;
    [[nodiscard]] ErrorText fetch(const std::string& entry, int fd) override;
    std::string deviceName(const std::string& source) override;
    void release(const std::string& source) override;

  private:
    struct Device {
        std::shared_ptr<Camera> camera;
        bool gone = false;               // disconnected: every later download fails at once
        std::vector<std::string> listed; // the entries of its last listing, in order
        std::shared_ptr<DownloadAhead> ahead;
    };
    struct Entry {
        std::string port;
        CameraFile file;
        size_t position = 0; // in the device's listing
    };
    std::string modelOn(const std::string& port, ErrorText& error);
    // Downloads an entry of a device's listing, on the thread that downloads ahead.
    ErrorText download(const std::string& port, size_t position, int fd);
    uint64_t sizeOf(const std::string& port, size_t position);

    CameraService& service_;
    std::mutex deviceLock_; // held while a device is used; never taken inside lock_
    std::mutex lock_;
    std::map<std::string, std::string> models_; // by port
    std::map<std::string, Device> devices_;     // by port
    std::unordered_map<std::string, Entry> entries_;
};

} // namespace orvane
