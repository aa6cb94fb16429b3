#include "app/Controller.h"
#include "report/ReportController.h"
#include "selection/FileListBuilder.h"

namespace orvane {

std::optional<PathList> Controller::fileList() {
    return buildFileList(fromPaths_, defaults_, reportController_.result(), services_.alerts, {},
                         patternFixer_);
}

} // namespace orvane
