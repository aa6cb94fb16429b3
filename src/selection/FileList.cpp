#include "app/Controller.h"
#include "report/ReportController.h"
#include "selection/FileListBuilder.h"

#include <utility>

namespace orvane {

std::optional<PathList> Controller::fileList() {
    return buildFileList(fromPaths_, runRules_ ? *runRules_ : std::as_const(defaults_),
                         reportController_.result(), services_.alerts);
}

} // namespace orvane
