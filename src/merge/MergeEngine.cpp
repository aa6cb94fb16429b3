#include "merge/MergeEngine.h"

#include "base/ErrorFormat.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/RunStatus.h"
#include "base/StringHelpers.h"
#include "merge/ExifDate.h"
#include "platform/PartialCopies.h"
#include "platform/UserDefaults.h"
#include "prefs/DateRendering.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cxxabi.h>
#include <exception>
#include <memory>
#include <sys/random.h>
#include <typeinfo>
#include <unistd.h>

namespace orvane {
namespace {

std::string ctimeText(time_t seconds) {
    char buffer[64];
    struct tm local;
    localtime_r(&seconds, &local);
    asctime_r(&local, buffer);
    buffer[std::strcspn(buffer, "\n")] = '\0';
    return buffer;
}

std::string demangledTypeName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 && name ? name.get() : type.name();
}

std::string describeErrorInfo(const CopyErrorInfo& info) {
    std::string out = "{";
    for (const auto& [key, value] : info)
        out += key + " = \"" + safeCString(value) + "\"; ";
    return out + "}";
}

} // namespace

MergeEngine::MergeEngine(const UserDefaults& defaults, RunStatus& status, RunResult& result)
    : defaults_(defaults), status_(status), result_(result), exifReader_(exifDateForPath) {}

void MergeEngine::mergeFiles(const PathList& fileList, const std::string& treeRoot) {
    toPath_ = treeRoot;
    const DateLocale locale;
    logMessage(LOG_DEBUG, "Merging paths into tree");

    for (size_t index = 0; index < fileList.size(); ++index) {
        {
            std::unique_lock lock(status_.statusLock);
            if (status_.mergeState == kMergeCancelRequested) {
                for (size_t rest = index; rest < fileList.size(); ++rest) {
                    result_.recordSkipped(fileList[rest], skip::kMergeAborted);
                    logMessage(LOG_DEBUG, "Skipping merge of '%s' due to user-cancel.",
                               safeCString(fileList[rest]).c_str());
                }
                status_.mergeState = kMergeCancelled;
                return;
            }
            ++status_.filesDone;
        }

        const std::string& source = fileList[index];
        try {
            processEntry(source, locale);
        } catch (const std::exception& e) {
            logMessage(LOG_ERR, "Got exception %s while copying file '%s': %s (userinfo=%s)",
                       demangledTypeName(typeid(e)).c_str(), safeCString(source).c_str(), e.what(),
                       "(null)");
            result_.recordError(source, std::string("Exception occurred: ") + e.what());
        } catch (...) {
            logMessage(LOG_ERR, "Got exception %s while copying file '%s': %s (userinfo=%s)",
                       "unknown", safeCString(source).c_str(), "unknown exception", "(null)");
            result_.recordError(source, "Exception occurred: unknown exception");
        }
    }

    logMessage(LOG_DEBUG, "Merge complete. Signalling main thread");
    std::lock_guard lock(status_.statusLock);
    status_.filesDone = static_cast<int>(fileList.size()) + 1;
}

std::optional<EntryPlan> MergeEngine::planEntry(const std::string& source, const DateLocale& locale,
                                                std::string& error) const {
    EntryPlan plan;
    struct stat& status = plan.status;
    if (::stat(source.c_str(), &status) != 0) {
        const int err = errno;
        error = fillPlaceholders("Original not found: %s", std::strerror(err), "");
        logMessage(LOG_WARN, "Couldn't read attributes for path '%s' (fsr='%s'): %d-%s",
                   safeCString(source).c_str(), source.c_str(), err, std::strerror(err));
        return std::nullopt;
    }

    time_t date = status.st_mtim.tv_sec;
    if (defaults_.boolForKey(keys::kUseExifData)) {
        date = exifReader_(source.c_str(), status);
        if (date == -1) {
            date = status.st_mtim.tv_sec;
            logMessage(LOG_DEBUG,
                       "Couldn't get date from EXIF meta data. Falling back on last modification "
                       "date: %ld - %s",
                       static_cast<long>(date), ctimeText(date).c_str());
        } else {
            plan.exifDate = true;
        }
    }
    plan.date = date;

    const long levels = defaults_.integerForKey(keys::kDirLevels);
    const std::optional<std::string> format = dirFormat(defaults_);
    if (!format) {
        // Without a format there is no defined place to copy to: fail the entry clearly.
        error = "No folder format for " + std::to_string(levels) +
                " folder levels: choose 1, 2 or 3 levels in Preferences";
        logMessage(LOG_WARN, "No folder format for OVDirLevels %ld; not copying '%s'", levels,
                   safeCString(source).c_str());
        return std::nullopt;
    }
    plan.levels = levels;
    plan.dateFolder = locale.render(date, *format);
    plan.destinationFolder = appendPathComponent(toPath_, plan.dateFolder);
    plan.destination = appendPathComponent(plan.destinationFolder, lastPathComponent(source));
    return plan;
}

void MergeEngine::processEntry(const std::string& source, const DateLocale& locale) {
    logMessage(LOG_DEBUG, "Beginning copy for original file '%s'", source.c_str());

    std::string planError;
    const std::optional<EntryPlan> plan = planEntry(source, locale, planError);
    if (!plan) {
        result_.recordError(source, planError);
        return;
    }

    std::vector<std::string> folderLevels;
    for (std::string level = plan->destinationFolder;
         folderLevels.size() < static_cast<size_t>(plan->levels);
         level = deletingLastPathComponent(level))
        folderLevels.insert(folderLevels.begin(), level);
    for (const std::string& level : folderLevels) {
        if (ErrorText error = assertDirectoryPresent(level)) {
            result_.recordError(source, *error);
            return;
        }
    }

    result_.resCopiedDict[source] = plan->dateFolder;
    if (ErrorText error = copyFile(source, plan->destination, plan->status))
        result_.recordError(source, *error);
    else
        result_.resCopiedFiles.push_back(source);
}

ErrorText MergeEngine::assertDirectoryPresent(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        return std::nullopt;
    int err = errno;
    const std::string shown = safeCString(path);
    if (err == ENOENT) {
        if (::mkdir(path.c_str(), 0777) == 0) {
            logMessage(LOG_DEBUG, "Created destination folder '%s' (fsr='%s')", shown.c_str(),
                       path.c_str());
            return std::nullopt;
        }
        err = errno;
        logMessage(LOG_WARN, "Couldn't create destination folder '%s' (fsr='%s'): %d-%s",
                   shown.c_str(), path.c_str(), err, std::strerror(err));
        return fillPlaceholders("Couldn't create destination directory '%@': %s",
                                errorDetailFileNameForDestPath(path), std::strerror(err));
    }
    logMessage(LOG_WARN,
               "Couldn't read attributes for destination directory '%s' (fsr='%s'): %d-%s",
               shown.c_str(), path.c_str(), err, std::strerror(err));
    return fillPlaceholders("Couldn't find destination directory '%@': %s",
                            errorDetailFileNameForDestPath(path), std::strerror(err));
}

std::string MergeEngine::temporaryNameIn(const std::string& folder) {
    // Short and hidden, so that it fits beside names of any length and is not mistaken for
    // a finished copy.
    // The random part keeps a leftover of a crashed earlier process with the same pid from
    // blocking this one.
    static const std::string prefix = [] {
        unsigned int random = 0;
        if (getrandom(&random, sizeof random, 0) != sizeof random)
            random = static_cast<unsigned int>(time(nullptr));
        char text[64];
        std::snprintf(text, sizeof text, "%s%d-%08x-", std::string(kPartialCopyPrefix).c_str(),
                      static_cast<int>(getpid()), random);
        return std::string(text);
    }();
    static std::atomic<unsigned long> counter{0};
    return appendPathComponent(folder, prefix + std::to_string(++counter));
}

void MergeEngine::discardPartial(const std::string& partial) {
    if (std::optional<CopyFailure> failure = removeTree(partial))
        logMessage(LOG_WARN, "Couldn't remove unfinished copy '%s' (fsr='%s'): %s",
                   safeCString(partial).c_str(), partial.c_str(), failure->text.c_str());
}

ErrorText MergeEngine::copyFile(const std::string& source, const std::string& destination,
                                const struct stat& origStatbuf) {
    const std::string shownSource = safeCString(source);
    const std::string shownDestination = safeCString(destination);
    auto refuseExisting = [&] {
        logMessage(LOG_WARN,
                   "Can't overwrite existing file '%s' (fsr='%s') with source file '%s' "
                   "(fsr='%s').",
                   shownDestination.c_str(), destination.c_str(), shownSource.c_str(),
                   source.c_str());
        return fillPlaceholders("Can't overwrite existing file: %@",
                                errorDetailFileNameForDestPath(destination), "");
    };

    struct stat existing;
    if (::stat(destination.c_str(), &existing) == 0)
        return refuseExisting();

    // The copy is made under a temporary name and moved into place only when complete,
    // so that a failed copy never poses as a good file or blocks a later run.
    const std::string partial = temporaryNameIn(deletingLastPathComponent(destination));
    const partial_copies::Scope underWay(partial);
    setErrorDict(std::nullopt);
    if (std::optional<CopyFailure> failure = copyPath(source, origStatbuf, partial)) {
        fileManagerShouldProceedAfterError(failure->errorInfo());
        discardPartial(partial);
        logMessage(LOG_WARN,
                   "Couldn't merge by file-manager-copy for original file '%s' (fsr='%s'), "
                   "destination file '%s' (fsr='%s'). Error dict: %s",
                   shownSource.c_str(), source.c_str(), shownDestination.c_str(),
                   destination.c_str(), describeErrorInfo(*errorDict_).c_str());
        auto it = errorDict_->find("Error");
        return fillPlaceholders("Couldn't copy file to '%@': %@",
                                errorDetailFileNameForDestPath(destination),
                                it != errorDict_->end() ? it->second : "Unknown Error");
    }

    ErrorText attributeError = copyAttributes(origStatbuf, source, partial, destination);
    if (!attributeError && S_ISDIR(origStatbuf.st_mode))
        attributeError = recursivelyCopyAttributesFromTree(source, partial, destination);

    if (hooks_.beforePublish)
        hooks_.beforePublish(source, destination);

    if (std::optional<CopyFailure> failure = renameNoReplace(partial, destination)) {
        discardPartial(partial);
        const int err = failure->error;
        if (err == EEXIST || err == ENOTEMPTY)
            return refuseExisting();
        logMessage(LOG_WARN,
                   "Couldn't merge by file-manager-copy for original file '%s' (fsr='%s'), "
                   "destination file '%s' (fsr='%s'). Error dict: %s",
                   shownSource.c_str(), source.c_str(), shownDestination.c_str(),
                   destination.c_str(), std::strerror(err));
        return fillPlaceholders("Couldn't copy file to '%@': %@",
                                errorDetailFileNameForDestPath(destination), std::strerror(err));
    }
    if (attributeError)
        return attributeError;

    logMessage(LOG_DEBUG,
               "Merged by file-manager-copy for original file '%s' (fsr='%s'), destination file "
               "'%s' (fsr='%s')",
               shownSource.c_str(), source.c_str(), shownDestination.c_str(), destination.c_str());
    return std::nullopt;
}

std::string MergeEngine::errorDetailFileNameForDestPath(const std::string& path) const {
    if (toPath_ == "/")
        return path;
    const std::string parent = deletingLastPathComponent(toPath_);
    if (parent == "/")
        return path.substr(1);
    return stringByRemovingCommonPrefixWith(path, parent + "/");
}

bool MergeEngine::fileManagerShouldProceedAfterError(const CopyErrorInfo& info) {
    setErrorDict(info);
    return false;
}

} // namespace orvane
