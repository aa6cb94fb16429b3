#pragma once

#include "base/RunResult.h"
#include "base/WindowText.h"
#include "platform/DirectoryWalker.h"
#include "selection/PatternRules.h"

#include <optional>

namespace orvane {

namespace skip {
// Folders a run copies into that lie inside a source: never walked, so that their copies are
// never taken for originals.
inline constexpr const char* kBackupFolder = ORVANE_TRANSLATE_NOOP("Orvane", "Backup folder");
inline constexpr const char* kVideoDestinationFolder =
    ORVANE_TRANSLATE_NOOP("Orvane", "Video destination folder");
} // namespace skip

class AlertService;
class UserDefaults;

// Turns the sources into the file list of a run: every regular file that passes the rules and
// every folder to be copied whole (intact folders and packages), sources in order, the inside
// of a source folder in walk order. Each path left out is recorded as skipped in `result`, with
// its reason. The walk never enters the destination root ("Destination folder"), nor the video
// destination or a backup ("Video destination folder", "Backup folder"); a folder to be
// copied whole that holds the destination is recorded as an error. Answers none, with nothing
// recorded, when a pattern list does not compile (its alert shown through `alerts`).
// `statuses`, when given, gets what the walk read of each entry listed, in the list's order.
std::optional<PathList> buildFileList(const PathList& sources, const std::string& destination,
                                      const UserDefaults& defaults, RunResult& result,
                                      AlertService* alerts, const FolderOpener& opener = {},
                                      const PatternFixer& fixer = {},
                                      ListedStatuses* statuses = nullptr);

} // namespace orvane
