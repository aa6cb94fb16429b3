#include "cli/Cameras.h"

#include "app/BuildInfo.h"
#include "app/LoggingSetup.h"
#include "base/Log.h"
#include "base/StringHelpers.h"
#include "cameras/CameraSources.h"
#include "platform/UserDefaults.h"
#include "platform/gphoto/GPhotoCameras.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace orvane::cli {

int runCameras(int argc, char** argv) {
    CLI::App app{"List the cameras and phones connected by cable, with the source that imports "
                 "from each (orvane organize camera:PORT DEST).",
                 "orvane cameras"};
    bool json = false;
    app.add_flag("--json", json, "print the list as JSON");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }
    setLogStream(stderr);
    setUpLogging(UserDefaults::standard(), build::kVersion);

    GPhotoCameras service;
    std::vector<CameraDevice> devices;
    if (ErrorText error = service.detect(devices)) {
        std::fprintf(stderr, "orvane cameras: %s\n", error->c_str());
        return 1;
    }
    if (json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const CameraDevice& device : devices)
            list.push_back({{"model", safeCString(device.model)},
                            {"port", safeCString(device.port)},
                            {"source", safeCString(CameraSources::sourceFor(device.port))}});
        std::printf("%s\n", list.dump(2).c_str());
        return 0;
    }
    if (devices.empty()) {
        std::printf("No camera or phone is connected.\n");
        return 0;
    }
    size_t width = 5;
    for (const CameraDevice& device : devices)
        width = std::max(width, device.model.size());
    std::printf("%-*s  %s\n", static_cast<int>(width), "Model", "Source");
    for (const CameraDevice& device : devices)
        std::printf("%-*s  %s\n", static_cast<int>(width), safeCString(device.model).c_str(),
                    safeCString(CameraSources::sourceFor(device.port)).c_str());
    return 0;
}

} // namespace orvane::cli
