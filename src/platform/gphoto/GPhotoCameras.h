#pragma once

#include "platform/CameraService.h"

#include <memory>

namespace orvane {

// Cameras and phones through libgphoto2. The library's lists of drivers and ports are loaded
// once, on first use.
class GPhotoCameras : public CameraService {
  public:
    GPhotoCameras();
    ~GPhotoCameras() override;

    [[nodiscard]] ErrorText detect(std::vector<CameraDevice>& devices) override;
    std::unique_ptr<Camera> open(const CameraDevice& device, ErrorText& error) override;

    struct Lists;

  private:
    std::shared_ptr<Lists> lists(ErrorText& error);

    std::shared_ptr<Lists> lists_;
};

} // namespace orvane
