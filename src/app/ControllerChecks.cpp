// The application controller's checks before a run: nothing is created or copied when the
// destination cannot take the copies or a source has gone.
#include "app/Controller.h"
#include "base/StringHelpers.h"
#include "base/WindowText.h"
#include "merge/RunChecks.h"
#include "platform/FileSystemProbe.h"
#include "prefs/DateFolderCheck.h"
#include "prefs/DateRendering.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"

#include <utility>

namespace orvane {

namespace {

// A name in the window's curly quotes, which its translations keep as they are.
std::string quoted(const std::string& name) {
    return "\u201C" + safeCString(name) + "\u201D";
}

FileSystemProbe& probeOf(const PlatformServices& services) {
    static PosixFileSystemProbe system;
    return services.fileSystem ? *services.fileSystem : system;
}

} // namespace

std::optional<std::string> Controller::runProblem() {
    // Sources first: a card taken out is the likelier problem, and the command line creates
    // a missing destination only once the sources are known to be there.
    RunProblem problem = checkSources(fromPaths_);
    if (!problem)
        problem = checkDestination(toPath_, probeOf(services_));
    // A folder format that leaves the destination would fail every entry: said once, here.
    if (const std::optional<std::string> format = dirFormat(defaults_);
        !problem && format && !folderFormatStaysInside(*format, DateLocale()))
        problem = std::string(kFolderFormatLeavesDestination) + ": \u201C" + *format + "\u201D.";
    return problem;
}

void Controller::showRunProblem(const std::string& problem) {
    if (services_.alerts)
        services_.alerts->runAlert(kCantOrganizeTitle, problem, "OK");
}

bool Controller::sourcesAndDestinationReady() {
    const RunProblem problem = runProblem();
    if (problem)
        showRunProblem(*problem);
    return !problem;
}

bool Controller::spaceConfirmed(const PathList& fileList) {
    if (ignoresLowSpace_)
        return true;
    const RunProblem warning = checkSpace(fileList, toPath_, probeOf(services_));
    if (!warning)
        return true;
    // Cancel is the default; only a deliberate choice starts a run that may not fit.
    return services_.alerts && services_.alerts->runAlert(kNotEnoughSpaceTitle, *warning, "Cancel",
                                                          kOrganizeAnywayButton) == 1;
}

bool Controller::moveConfirmed(const PathList& fileList) {
    const UserDefaults& rules = runRules_ ? *runRules_ : std::as_const(defaults_);
    if (!asksBeforeMoving_ || !rules.boolForKey(keys::kMoveOriginals) || fileList.empty())
        return true;
    const std::string text = fillValues(
        fileList.size() == 1
            ? ORVANE_TRANSLATE_NOOP("Orvane", "%1 file will be removed from %2 once its copy is "
                                              "on disk and reads back the same.")
            : ORVANE_TRANSLATE_NOOP("Orvane", "%1 files will be removed from %2 once their copies "
                                              "are on disk and read back the same."),
        {std::to_string(fileList.size()), quoted(fromPathDescriptionIncludingPrefix(false))});
    // Cancel is the default: freeing a card is a deliberate choice each time.
    return services_.alerts &&
           services_.alerts->runAlert(
               ORVANE_TRANSLATE_NOOP("Orvane", "Remove the originals?"),
               text + "\n\n" +
                   ORVANE_TRANSLATE_NOOP("Orvane", "Files that fail or are skipped stay. Undo "
                                                   "puts the originals back."),
               ORVANE_TRANSLATE_NOOP("Orvane", "Cancel"),
               ORVANE_TRANSLATE_NOOP("Orvane", "Remove Originals")) == 1;
}

} // namespace orvane
