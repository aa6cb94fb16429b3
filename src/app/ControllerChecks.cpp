// The application controller's checks before a run: nothing is created or copied when the
// destination cannot take the copies or a source has gone.
#include "app/Controller.h"
#include "base/StringHelpers.h"
#include "base/WindowText.h"
#include "history/ImportRecorder.h"
#include "merge/RunChecks.h"
#include "merge/RunDestinations.h"
#include "platform/FileSystemProbe.h"
#include "prefs/DateFolderCheck.h"
#include "prefs/DateRendering.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"

#include <filesystem>
#include <memory>
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

// A folder format that leaves the destination would fail every entry: said once, here.
RunProblem formatProblem(const std::optional<std::string>& format) {
    if (format && !folderFormatStaysInside(*format, DateLocale()))
        return std::string(kFolderFormatLeavesDestination) + ": \u201C" + *format + "\u201D.";
    return std::nullopt;
}

} // namespace

std::optional<std::string> Controller::runProblem() {
    // Sources first: a card taken out is the likelier problem, and the command line creates
    // a missing destination only once the sources are known to be there.
    const UserDefaults& rules = runRules_ ? *runRules_ : std::as_const(defaults_);
    const std::string videos = runDestinationsOf(rules, toPath_).videos;
    RunProblem problem = checkSources(fromPaths_);
    if (!problem)
        problem = checkBackupPlaces(rules, toPath_, fromPaths_);
    if (!problem)
        problem = checkDestination(toPath_, probeOf(services_));
    // The stored video destination is taken as untrusted as any setting: a relative one would
    // depend on the folder the program was started in.
    if (!problem && !videos.empty() && videos.front() != '/')
        problem = fillValues(
            ORVANE_TRANSLATE_NOOP("Orvane", "The video destination %1 is not a full path: choose "
                                            "it again in Preferences."),
            {"\u201C" + videos + "\u201D"});
    if (!problem && !videos.empty())
        problem = checkDestination(videos, probeOf(services_));
    if (!problem)
        problem = formatProblem(dirFormat(rules));
    if (!problem && !videos.empty())
        problem = formatProblem(videoFolderFormat(rules));
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

bool Controller::spaceConfirmed(const PathList& fileList, const ListedStatuses* statuses) {
    if (ignoresLowSpace_)
        return true;
    const UserDefaults& rules = runRules_ ? *runRules_ : std::as_const(defaults_);
    const RunDestinations destinations = runDestinationsOf(rules, toPath_);
    PathList folders = destinations.backups;
    folders.insert(folders.begin(), toPath_);
    // Files the history will skip need no room: asked as the run will ask (through its quick
    // look, or with --checksum by the whole contents' hash), opened only when the list as a
    // whole does not fit.
    std::unique_ptr<ImportRecorder> history;
    std::vector<std::string> historyNotes;
    bool historyOpened = false;
    size_t asked = 0;
    const SkippedByRun importedBefore = [&](const std::string& path, const struct stat& status) {
        if (!historyOpened && !importHistoryFile_.empty()) {
            historyOpened = true;
            history = ImportRecorder::start(
                importHistoryFile_,
                {toPath_, std::string(), rules.boolForKey(keys::kIgnoreImportHistory), false,
                 runAgain_, destinations.videos, rules.boolForKey(keys::kCompareWholeContents)},
                historyNotes);
        }
        return history && history->priorCopy(asked++, path, status).has_value();
    };
    for (const std::string& folder : folders) {
        // Videos sent apart take room at their own destination; a backup holds them too.
        const RunProblem warning = checkSpace(
            fileList, folder, probeOf(services_),
            folder == toPath_ ? destinations.videos : std::string(), statuses, importedBefore);
        // Cancel is the default; only a deliberate choice starts a run that may not fit.
        if (warning &&
            !(services_.alerts && services_.alerts->runAlert(kNotEnoughSpaceTitle, *warning,
                                                             "Cancel", kOrganizeAnywayButton) == 1))
            return false;
    }
    return true;
}

bool Controller::backupsReady() {
    const UserDefaults& rules = runRules_ ? *runRules_ : std::as_const(defaults_);
    StringList unusable;
    std::string problems;
    for (const std::string& backup : runDestinationsOf(rules, toPath_).backups)
        if (const RunProblem problem = checkBackup(backup, probeOf(services_))) {
            unusable.push_back(backup);
            problems += (problems.empty() ? "" : "\n") + *problem;
        }
    if (unusable.empty())
        return true;
    // Cancel is the default: the user counts on the second copy.
    if (!services_.alerts || services_.alerts->runAlert(kBackupNotConnectedTitle, problems,
                                                        "Cancel", kOrganizeAnywayButton) != 1)
        return false;
    auto without = std::make_shared<UserDefaults>(std::filesystem::path());
    without->registerDefaults(rules.dictionaryRepresentation());
    StringList disabled = rules.stringArrayForKey(keys::kDisabledBackups).value_or(StringList{});
    disabled.insert(disabled.end(), unusable.begin(), unusable.end());
    without->setArgumentValue(keys::kDisabledBackups, disabled);
    runRules_ = std::move(without);
    ownRunRules_ = true;
    return true;
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
