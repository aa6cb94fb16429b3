#pragma once

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
// have been unplugged and plugged in since). Any thread; one call at a time reaches a device.
class CameraSources : public RemoteSources {
  public:
    explicit CameraSources(CameraService& service) : service_(service) {}

    // The source that names the device on `port`.
    static std::string sourceFor(const std::string& port);
    // The model of the device on `port`, as the user named it (without it, the model is the
    // one detected on the port, or "Directory Browse" for a folder given as "disk:FOLDER").
    void chooseModel(const std::string& port, const std::string& model);
    // The serial number of the device the source names, when it was listed and gives one.
    std::string serialNumber(const std::string& source);
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
        std::unique_ptr<Camera> camera;
        bool gone = false; // disconnected: every later download fails at once
    };
    struct Entry {
        std::string port;
        CameraFile file;
    };
    std::string modelOn(const std::string& port, ErrorText& error);

    CameraService& service_;
    std::mutex lock_;
    std::map<std::string, std::string> models_; // by port
    std::map<std::string, Device> devices_;     // by port
    std::unordered_map<std::string, Entry> entries_;
};

} // namespace orvane
