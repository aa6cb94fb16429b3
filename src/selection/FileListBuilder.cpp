#include "selection/FileListBuilder.h"

#include "base/Log.h"
#include "base/StringHelpers.h"
#include "platform/UserDefaults.h"
#include "prefs/PrefKeys.h"
#include "selection/PathFilters.h"
#include "selection/PatternRules.h"

#include <cerrno>
#include <cstring>

namespace orvane {
namespace {

// The preferences of one build: the build runs on the main thread, where the preferences are
// also saved, so they cannot change while it runs.
struct BuildRules {
    bool copyHiddenFiles;
    bool acceptsCopy;
    const CompiledPattern& intact;
    const CompiledPattern& copy;
};

void walkSourceFolder(const std::string& source, const BuildRules& rules, PathList& list,
                      RunResult& result, const FolderOpener& opener) {
    DirectoryWalker walker(source, opener, [&](const std::string& folder, int error) {
        // What cannot be listed cannot be copied: say so in the report rather than leave the
        // folder's files out without a word.
        logMessage(LOG_WARN, "Couldn't read folder '%s' (fsr='%s'): %d-%s",
                   safeCString(folder).c_str(), folder.c_str(), error, std::strerror(error));
        result.recordSkipped(folder, skip::kCouldntAccess);
    });
    while (walker.next()) {
        const std::string& entry = walker.path();
        const std::string_view name = walker.name();
        if (const char* reason = filters::hiddenSkipReason(entry, name, rules.copyHiddenFiles)) {
            walker.skipDescendants();
            result.recordSkipped(entry, reason);
            continue;
        }
        const struct stat* status;
        const int error = walker.linkStatus(status);
        if (const char* reason = filters::statusSkipReason(entry, error, *status)) {
            walker.skipDescendants();
            result.recordSkipped(entry, reason);
            continue;
        }
        if (S_ISDIR(status->st_mode)) {
            if (!filters::shouldPreserveDirectory(entry, name, rules.intact))
                continue; // the walk goes into it; the folder itself is not listed
            walker.skipDescendants();
        }
        if (filters::shouldIncludeFile(entry, name, rules.copy, rules.acceptsCopy))
            list.push_back(entry);
        else
            result.recordSkipped(entry, skip::kPatternPreference);
    }
}

} // namespace

std::optional<PathList> buildFileList(const PathList& sources, const UserDefaults& defaults,
                                      RunResult& result, AlertService* alerts,
                                      const FolderOpener& opener) {
    const std::unique_ptr<CompiledPattern> intact = compiledRegexForPatterns(
        defaults.stringArrayForKey(keys::kIntactFolderPatterns).value_or(StringList{}),
        patterns::kFolderCopyingType, alerts);
    if (!intact)
        return std::nullopt;
    const std::unique_ptr<CompiledPattern> copy = compiledRegexForPatterns(
        defaults.stringArrayForKey(keys::kCopyFilePatterns).value_or(StringList{}),
        patterns::kFileCopyingType, alerts);
    if (!copy)
        return std::nullopt;

    const BuildRules rules{defaults.boolForKey(keys::kCopyHiddenFiles),
                           filePatternMatchAcceptsCopy(defaults), *intact, *copy};
    PathList list;
    for (const std::string& source : sources) {
        if (const char* reason = shouldSkipPath(source, defaults)) {
            result.recordSkipped(source, reason);
            continue;
        }
        // Only a source that vanished since it passed lstat is missing here: it is left out.
        struct stat status;
        if (::stat(source.c_str(), &status) != 0)
            continue;
        if (!S_ISDIR(status.st_mode)) {
            if (shouldIncludeFile(source, *copy, defaults))
                list.push_back(source);
            else
                result.recordSkipped(source, skip::kPatternPreference);
        } else if (shouldPreserveDirectory(source, *intact)) {
            list.push_back(source);
        } else {
            walkSourceFolder(source, rules, list, result, opener);
        }
    }

    if (logThreshold() >= LOG_DEBUG)
        logMessage(LOG_DEBUG, "Completed file list: '%s'",
                   safeCString(describePrefValue(list)).c_str());
    return list;
}

} // namespace orvane
