// The checks made before a run touches its first entry: that the destination can take the
// copies and every source is still there, then that the copies fit. Shared by the window and
// the command line; the file system is asked through FileSystemProbe.
#pragma once

#include "base/RunResult.h"
#include "base/WindowText.h"
#include "platform/DirectoryWalker.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace orvane {

class FileSystemProbe;
class UserDefaults;

// The alerts that show the problems.
inline constexpr const char* kCantOrganizeTitle = ORVANE_TRANSLATE_NOOP("Orvane", "Can't Organize");
inline constexpr const char* kNotEnoughSpaceTitle =
    ORVANE_TRANSLATE_NOOP("Orvane", "Not Enough Space");
inline constexpr const char* kOrganizeAnywayButton =
    ORVANE_TRANSLATE_NOOP("Orvane", "Organize Anyway");

inline constexpr const char* kBackupNotConnectedTitle =
    ORVANE_TRANSLATE_NOOP("Orvane", "Backup Not Connected");

// The first problem found, as a sentence for the user; none when there is none.
using RunProblem = std::optional<std::string>;

// The destination exists, is a folder (links followed) and this process may create names in
// it.
RunProblem checkDestination(const std::string& destination, FileSystemProbe& probe);

// A backup the run is to copy to: a missing one is a drive not plugged in ("The backup 'X'
// isn't connected"); else the destination's checks.
RunProblem checkBackup(const std::string& backup, FileSystemProbe& probe);

// Every source still exists (a link counts, whatever it points to).
RunProblem checkSources(const PathList& sources);

// The backups the rules enable are folders of their own: none is the destination or the
// video destination, holds one or lies inside one, lies inside a source, or is another
// backup or lies inside it. A backup there would silently be no second copy (or have its
// copies taken for originals by a moving run). Folders are compared as they resolve (links,
// "..", bind mounts), also those not made yet, so this is asked before anything is created.
RunProblem checkBackupPlaces(const UserDefaults& rules, const std::string& destination,
                             const PathList& sources);

// Whether the run will leave a regular file of the list alone, without a copy (the import
// history knows it): asked only when the list as a whole does not fit.
using SkippedByRun = std::function<bool(const std::string& path, const struct stat& status)>;

// The destination's file system has room for the entries of the file list (files, and the
// files inside folders copied whole). With a video destination on another file system, the
// videos are measured against its room and the rest against the destination's. Answers a
// warning the user may override. `statuses`, when given, holds what the listing read of each
// entry, in the list's order: a file's size is taken from it. When the whole list does not
// fit, only what the run will copy is counted: not the files `skipped` tells, nor those of
// which a file below the destination has the size and modification time, as a copy does (a
// re-run finds them there; a wrong guess only lets copies fail for room, as starting anyway
// would).
RunProblem checkSpace(const PathList& fileList, const std::string& destination,
                      FileSystemProbe& probe, const std::string& videoDestination = {},
                      const ListedStatuses* statuses = nullptr, const SkippedByRun& skipped = {});

// The bytes of the entries, each entry once (a rough sum: file sizes only, links not
// followed inside folders). A file's size is taken from `statuses` when they are given.
uint64_t sizeOfEntries(const PathList& entries, const ListedStatuses* statuses = nullptr);

} // namespace orvane
