// The application controller's selection: the choose commands, the wells and the fields.
#include "app/Controller.h"
#include "app/MainView.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/StringHelpers.h"
#include "base/WindowText.h"
#include "platform/UserDefaults.h"
#include "prefs/PrefKeys.h"
#include "selection/Selection.h"

#include <sys/stat.h>

namespace orvane {

namespace {

std::string describePaths(const PathList& paths) {
    std::string text = "(";
    for (size_t i = 0; i < paths.size(); ++i)
        text += (i ? ", \"" : "\"") + paths[i] + "\"";
    return text + ")";
}

bool isFolder(const std::string& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

void Controller::setFromPaths(PathList paths) {
    fromPaths_ = std::move(paths);
    if (!mainView_)
        return;
    if (DropWell* well = mainView_->fromWell())
        well->setFilenames(fromPaths_);
    mainView_->setFromField(fromPathDescriptionIncludingPrefix(false));
    if (!runInProgress())
        showRunning(false);
}

void Controller::setToPath(std::string path) {
    toPath_ = std::move(path);
    if (!mainView_)
        return;
    mainView_->setToField(toPath_.empty() ? "" : lastPathComponent(toPath_));
    if (DropWell* well = mainView_->toWell())
        well->setFilenames(toPath_.empty() ? PathList{} : PathList{toPath_});
    if (!runInProgress())
        showRunning(false);
}

std::string Controller::fromPathDescriptionIncludingPrefix(bool includingPrefix) const {
    return orvane::fromPathDescriptionIncludingPrefix(fromPaths_, includingPrefix);
}

std::optional<PathList> Controller::runChoosePanel(OpenPanelOptions options,
                                                   const char* folderKey) {
    if (runInProgress()) {
        if (services_.beeper)
            services_.beeper->beep();
        return std::nullopt;
    }
    if (!services_.panels)
        return std::nullopt;
    options.canChooseDirectories = true;
    // The panel opens where the user chose last, while that folder is there.
    const std::optional<std::string> last = defaults_.stringForKey(folderKey);
    options.directory = last && isFolder(*last) ? *last : homeDirectory();
    std::optional<PathList> chosen = services_.panels->runOpenPanel(options);
    if (chosen && !chosen->empty()) {
        defaults_.setObject(folderKey, deletingLastPathComponent(chosen->front()));
        defaults_.synchronize();
    }
    return chosen;
}

void Controller::pickFrom() {
    OpenPanelOptions options;
    options.title = ORVANE_TRANSLATE_NOOP("Orvane", "Select Copy From");
    options.allowsMultipleSelection = true;
    options.canChooseFiles = true;
    std::optional<PathList> chosen = runChoosePanel(options, keys::kSourcePanelFolder);
    if (!chosen)
        return;
    logMessage(LOG_DEBUG, "From Paths Selected: %s", safeCString(describePaths(*chosen)).c_str());
    setFromPaths(std::move(*chosen));
}

void Controller::pickTo() {
    OpenPanelOptions options;
    options.title = ORVANE_TRANSLATE_NOOP("Orvane", "Select Organize Into");
    options.allowsMultipleSelection = false;
    options.canChooseFiles = false;
    std::optional<PathList> chosen = runChoosePanel(options, keys::kTargetPanelFolder);
    if (!chosen || chosen->empty())
        return;
    logMessage(LOG_DEBUG, "To Path Selected: %s", safeCString(chosen->front()).c_str());
    setToPath(chosen->front());
}

void Controller::fromSpecified(DropWell& well) {
    setFromPaths(well.filenames());
}

void Controller::toSpecified(DropWell& well) {
    if (!well.filenames().empty())
        setToPath(well.filenames().front());
}

bool Controller::well(DropWell& well, const PathList& paths) {
    const bool isToWell = mainView_ && &well == mainView_->toWell();
    return orvane::well(mergeState(), isToWell ? WellRole::To : WellRole::From, paths);
}

} // namespace orvane
