#pragma once

#include "platform/CameraService.h"

#include <string>
#include <vector>

namespace orvane {

// The files of a device that an import takes, in a reproducible order: those below every
// "DCIM" folder first, then below every "Pictures" folder (where phones keep the photos of
// other apps), each found at the top or one level down (devices with several storages give
// each its own folder); the whole device when it has neither. Inside a folder its files come
// first, by name, then its folders, by name.
[[nodiscard]] ErrorText walkCamera(Camera& camera, std::vector<CameraFile>& files);

} // namespace orvane
