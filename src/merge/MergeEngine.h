#pragma once

#include "base/ErrorText.h"
#include "base/RunResult.h"
#include "platform/FileCopier.h"

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace orvane {

class UserDefaults;
struct RunStatus;

// Points where tests can act in the middle of copying an entry.
struct MergeHooks {
    // Called after an entry's data is complete under its temporary name, before it is
    // moved to its final name.
    std::function<void(const std::string& source, const std::string& destination)> beforePublish;
};

// Where one entry of the file list goes, worked out without changing anything.
struct EntryPlan {
    struct stat status = {}; // of the source, links followed
    time_t date = 0;         // seconds since 1970
    bool exifDate = false;   // the date is the EXIF capture date, not the modification time
    long levels = 0;
    std::string dateFolder;        // below the destination root
    std::string destinationFolder; // the destination root and the date folder
    std::string destination;       // the copy's path
};

// The merge loop of one run: dates each entry of the file list, creates its date folder
// under the destination root, copies it there without ever replacing anything and records
// the outcome. Runs on the worker thread; shares only the run status (under its lock) and
// the run result with the main thread.
class MergeEngine {
  public:
    using ExifReader = std::function<time_t(const char*, const struct stat&)>;

    MergeEngine(const UserDefaults& defaults, RunStatus& status, RunResult& result);

    void setExifReader(ExifReader reader) { exifReader_ = std::move(reader); }
    void setHooks(MergeHooks hooks) { hooks_ = std::move(hooks); }

    void mergeFiles(const PathList& fileList, const std::string& treeRoot);

    // Reads an entry's attributes and date and renders its date folder under the destination
    // root (setToPath). Creates, copies and records nothing; logs as the merge does. Answers
    // the plan, or none with the entry's error text in `error`.
    std::optional<EntryPlan> planEntry(const std::string& source, const class DateLocale& locale,
                                       std::string& error) const;

    ErrorText assertDirectoryPresent(const std::string& path);
    ErrorText copyFile(const std::string& source, const std::string& destination,
                       const struct stat& origStatbuf);
    std::string errorDetailFileNameForDestPath(const std::string& path) const;

    // The copy's error handler: keeps the error of a failed copy; the copy has stopped.
    bool fileManagerShouldProceedAfterError(const CopyErrorInfo& info);
    const std::optional<CopyErrorInfo>& errorDict() const { return errorDict_; }
    void setErrorDict(std::optional<CopyErrorInfo> info) { errorDict_ = std::move(info); }

    // Restores access and modification times. `shownDestination` is the path that error
    // texts name (the final name of a copy still under its temporary name).
    ErrorText copyAttributes(const struct stat& status, const std::string& source,
                             const std::string& destination, const std::string& shownDestination);
    ErrorText recursivelyCopyAttributesFromTree(const std::string& sourceTree,
                                                const std::string& copiedTree,
                                                const std::string& shownTree);

    void setToPath(const std::string& toPath) { toPath_ = toPath; }

  private:
    void processEntry(const std::string& source, const class DateLocale& locale);
    static std::string temporaryNameIn(const std::string& folder);
    // Removes an unfinished copy, logging what could not be removed.
    static void discardPartial(const std::string& partial);

    const UserDefaults& defaults_;
    RunStatus& status_;
    RunResult& result_;
    std::string toPath_;
    std::optional<CopyErrorInfo> errorDict_;
    ExifReader exifReader_;
    MergeHooks hooks_;
};

} // namespace orvane
