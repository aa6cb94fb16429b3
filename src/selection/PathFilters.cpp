#include "selection/PathFilters.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/RunResult.h"
#include "base/StringHelpers.h"
#include "platform/FileKinds.h"
#include "platform/PartialCopies.h"
#include "prefs/PrefKeys.h"

#include <cerrno>
#include <cstring>

namespace orvane {
namespace {

bool debugLogging() {
    return logThreshold() >= LOG_DEBUG;
}

std::string_view ownName(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return path;
    if (slash + 1 < path.size())
        return std::string_view(path).substr(slash + 1);
    // A trailing slash: the name is the component before it.
    const std::string_view trimmed =
        std::string_view(path).substr(0, path.find_last_not_of('/') + 1);
    const size_t before = trimmed.rfind('/');
    return before == std::string_view::npos ? trimmed : trimmed.substr(before + 1);
}

} // namespace

namespace filters {

bool isHiddenName(std::string_view name) {
    return !name.empty() && name.front() == '.';
}

const char* partialCopySkipReason(const std::string& path, std::string_view name) {
    if (!isPartialCopyName(name))
        return nullptr;
    if (debugLogging())
        logMessage(LOG_DEBUG, "Skipping '%s' because it is a temporary copy of an unfinished run",
                   safeCString(path).c_str());
    return skip::kPartialCopy;
}

const char* hiddenSkipReason(const std::string& path, std::string_view name, bool copyHiddenFiles) {
    if (copyHiddenFiles || !isHiddenName(name))
        return nullptr;
    if (debugLogging())
        logMessage(LOG_DEBUG, "Path '%s' eliminated by hidden file rules",
                   safeCString(path).c_str());
    return skip::kHiddenFile;
}

const char* statusSkipReason(const std::string& path, int lstatError, const struct stat& status) {
    if (lstatError != 0) {
        if (debugLogging())
            logMessage(LOG_DEBUG, "Couldn't stat file '%s' for type check. %d-%s",
                       safeCString(path).c_str(), lstatError, std::strerror(lstatError));
        return skip::kCouldntAccess;
    }
    if (S_ISLNK(status.st_mode)) {
        if (debugLogging())
            logMessage(LOG_DEBUG, "Skipping file '%s' because it is a symlink",
                       safeCString(path).c_str());
        return skip::kAlias;
    }
    if (!S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) {
        if (debugLogging())
            logMessage(LOG_DEBUG, "Skipping file '%s' because it is type %o, not a file or folder",
                       safeCString(path).c_str(), static_cast<unsigned>(status.st_mode & S_IFMT));
        return skip::kNotFileOrFolder;
    }
    if (isAliasFile(path)) {
        if (debugLogging())
            logMessage(LOG_DEBUG,
                       "Skipping file '%s' because Alias Manager declares it is an alias",
                       safeCString(path).c_str());
        return skip::kAlias;
    }
    return nullptr;
}

bool shouldPreserveDirectory(const std::string& path, std::string_view name,
                             const CompiledPattern& regex) {
    if (isFilePackageAtPath(name))
        return true;
    if (!matchPathComponent(name, regex, patterns::kFolderPurpose, false))
        return false;
    if (debugLogging())
        logMessage(LOG_DEBUG, "Preserving folder '%s' due to pattern matching rules",
                   safeCString(path).c_str());
    return true;
}

bool shouldIncludeFile(const std::string& path, std::string_view name, const CompiledPattern& regex,
                       bool acceptsCopy) {
    // A name the matcher could not decide on counts as not matching, so that "only files that
    // match:" never copies it by accident.
    if (matchPathComponent(name, regex, patterns::kFilePurpose, false) == acceptsCopy)
        return true;
    if (debugLogging())
        logMessage(LOG_DEBUG, "File '%s' eliminated by pattern matching rules",
                   safeCString(path).c_str());
    return false;
}

} // namespace filters

const char* shouldSkipPath(const std::string& path, const UserDefaults& defaults) {
    if (const char* reason = filters::partialCopySkipReason(path, ownName(path)))
        return reason;
    if (const char* reason = filters::hiddenSkipReason(path, ownName(path),
                                                       defaults.boolForKey(keys::kCopyHiddenFiles)))
        return reason;
    struct stat status;
    const int error = ::lstat(path.c_str(), &status) == 0 ? 0 : errno;
    return filters::statusSkipReason(path, error, status);
}

bool shouldPreserveDirectory(const std::string& path, const CompiledPattern& regex) {
    return filters::shouldPreserveDirectory(path, ownName(path), regex);
}

bool shouldIncludeFile(const std::string& path, const CompiledPattern& regex,
                       const UserDefaults& defaults) {
    return filters::shouldIncludeFile(path, ownName(path), regex,
                                      filePatternMatchAcceptsCopy(defaults));
}

} // namespace orvane
