#pragma once

namespace orvane::cli {

// `orvane cameras [--json]`: the cameras and phones connected now, each with the source that
// imports from it. Answers 0, or 1 when the devices could not be looked for (2: bad usage).
int runCameras(int argc, char** argv);

} // namespace orvane::cli
