// The checks made before a run touches its first entry: that the destination can take the
// copies and every source is still there, then that the copies fit. Shared by the window and
// the command line; the file system is asked through FileSystemProbe.
#pragma once

#include "base/RunResult.h"
#include "base/WindowText.h"
#include "platform/DirectoryWalker.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orvane {

class FileSystemProbe;

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

// The destination's file system has room for the entries of the file list (files, and the
// files inside folders copied whole). With a video destination on another file system, the
// videos are measured against its room and the rest against the destination's. Answers a
// warning the user may override. `statuses`, when given, holds what the listing read of each
// entry, in the list's order: a file's size is taken from it.
RunProblem checkSpace(const PathList& fileList, const std::string& destination,
                      FileSystemProbe& probe, const std::string& videoDestination = {},
                      const ListedStatuses* statuses = nullptr);

// The bytes of the entries, each entry once (a rough sum: file sizes only, links not
// followed inside folders). A file's size is taken from `statuses` when they are given.
uint64_t sizeOfEntries(const PathList& entries, const ListedStatuses* statuses = nullptr);

} // namespace orvane
