#pragma once

#include "platform/CameraService.h"

#include <cstring>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace orvane::test {

// Wraps a camera service (libgphoto2's, whose "Directory Browse" driver shows a folder as a
// camera on a disk: port) to meet what real devices do: a device held by another program, a
// file that fails to download, a device unplugged in the middle of a run.
class FaultyCameras : public CameraService {
  public:
    explicit FaultyCameras(CameraService& real) : real_(real) {}

    bool busy = false;
    std::set<std::string> failingNames;  // their downloads fail after writing part of the data
    int downloadsBeforeUnplug = -1;      // -1: never unplugged
    std::vector<std::string> strayNames; // listed in every folder besides its files
    int downloads = 0;
    std::string serial; // the devices' serial number, in place of the real one

    ErrorText detect(std::vector<CameraDevice>& devices) override { return real_.detect(devices); }

    std::unique_ptr<Camera> open(const CameraDevice& device, ErrorText& error) override {
        if (busy) {
            error = kCameraInUse;
            return nullptr;
        }
        std::unique_ptr<Camera> camera = real_.open(device, error);
        return camera ? std::make_unique<Faulty>(std::move(camera), *this) : nullptr;
    }

  private:
    class Faulty : public Camera {
      public:
        Faulty(std::unique_ptr<Camera> real, FaultyCameras& faults)
            : real_(std::move(real)), faults_(faults) {}
        const CameraDevice& device() const override { return real_->device(); }
        std::string serialNumber() override {
            return faults_.serial.empty() ? real_->serialNumber() : faults_.serial;
        }
        ErrorText listFolders(const std::string& folder, std::vector<std::string>& names) override {
            return real_->listFolders(folder, names);
        }
        ErrorText listFiles(const std::string& folder, std::vector<CameraFile>& files) override {
            ErrorText error = real_->listFiles(folder, files);
            for (const std::string& name : faults_.strayNames)
                files.push_back({folder, name});
            return error;
        }
        ErrorText download(const CameraFile& file, int fd) override {
            if (faults_.downloadsBeforeUnplug >= 0 &&
                faults_.downloads >= faults_.downloadsBeforeUnplug)
                return kCameraDisconnected;
            ++faults_.downloads;
            if (faults_.failingNames.count(file.name)) {
                (void)!::write(fd, "partial", 7);
                return "Couldn't download '" + file.name + "' from the camera: Corrupted data";
            }
            return real_->download(file, fd);
        }

      private:
        std::unique_ptr<Camera> real_;
        FaultyCameras& faults_;
    };

    CameraService& real_;
};

} // namespace orvane::test
