#include "app/Controller.h"

namespace orvane {

std::optional<PathList> Controller::fileList() {
    return fromPaths_;
}

} // namespace orvane
