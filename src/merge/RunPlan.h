#pragma once

// The plan of a run: for every entry of the file list, the date and the date folder the merge
// would give it and whether its place is free, worked out with the merge's own code and
// without creating or copying anything. The command line's dry run prints it; the desktop's
// preview shows it and can run exactly its sources and rules.

#include "base/RunResult.h"
#include "merge/MergeEngine.h"
#include "platform/FreeSpace.h"

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

class AlertService;
class UserDefaults;

// What the run would do with one entry.
enum class PlanOutcome {
    kCopy,           // copied into its date folder
    kNameTaken,      // its destination name is taken: the run refuses to overwrite it
    kSkippedByMerge, // left alone by the merge with the reason in `skipReason`
    kFails,          // the run would fail it with `error`
};

// One entry of the file list with the place the merge would give it.
// What the plan keeps of the merge's plan for an entry: a plan of a large card holds one for
// every entry, so it keeps only what the dry run and the preview show.
struct PlannedPlace {
    time_t date = 0; // seconds since 1970
    DatedBy datedBy = DatedBy::Modified;
    bool checkDate = false; // the date is implausible: the report asks to check it
    std::string dateFolder; // below the root
    std::string destination;
    std::string root; // the root it goes below when that is not the destination (videos apart)
};

struct PlannedEntry {
    std::string source;
    std::optional<PlannedPlace> plan; // none when the merge would fail the entry
    std::string error;                // the merge's error text then
    // The destination exists already, or an earlier entry of the plan goes there.
    bool taken = false;
    std::string takenBy; // the earlier entry, when the plan itself takes the place
    // Set when the merge would leave the entry alone without an error.
    std::optional<std::string> skipReason;
    // With keep-both on, the numbered name the copy gets beside the file that has its name.
    std::string numberedAs;
    uint64_t bytes = 0; // a folder copied whole counts everything inside it

    PlanOutcome outcome() const;
};

// One level of a date folder below the destination root. Folder 0 is the root itself. When
// videos go to their own destination, folder 0 holds one folder for each root (named by its
// path, with an empty `path`), and the date folders are below those.
struct PlanFolder {
    static constexpr size_t kNone = std::numeric_limits<size_t>::max();
    std::string name;    // "17"; the root's is empty
    std::string path;    // below the root: "2005/03/17"
    std::string root;    // the root it is below; empty: the plan's destination
    bool exists = false; // already at the destination
    size_t parent = kNone;
    std::vector<size_t> folders; // sub-folders, by the earliest date below them
    std::vector<size_t> entries; // indexes into RunPlan::entries, in list order
    size_t fileCount = 0;        // entries here and below
};

struct PlanTotals {
    size_t files = 0;                  // entries that would be copied
    uint64_t bytes = 0;                // their size
    size_t newFolders = 0;             // date folder levels the run would create
    size_t conflicts = 0;              // entries whose destination name is taken
    size_t failures = 0;               // entries the run would fail
    size_t skipped = 0;                // paths left out of the file list or skipped by the merge
    size_t importedBefore = 0;         // of those, files the import history knows
    std::optional<uint64_t> freeBytes; // on the destination's file system
    // The backups that get the same copies, each with the free space of its file system.
    struct Backup {
        std::string path;
        std::optional<uint64_t> freeBytes;
    };
    std::vector<Backup> backups;
};

// Shared between the thread that plans and the one that watches.
struct PlanProgress {
    std::atomic<size_t> done{0};
    std::atomic<bool> cancel{false};
};

struct RunPlan {
    PathList sources;
    std::string toPath;
    // The preferences the plan was made with, kept so that a run can use exactly them.
    std::shared_ptr<const UserDefaults> rules;
    PathList fileList;
    RunResult listed; // the paths the file list left out, with their reasons
    std::vector<PlannedEntry> entries;
    std::vector<PlanFolder> folders;
    PlanTotals totals;
    TimeSettings timeSettings; // what the entries were dated with
    bool cancelled = false;
};

// A copy of every preference as it stands, in memory only.
std::shared_ptr<const UserDefaults> snapshotRules(const UserDefaults& defaults);

// Builds the file list of a plan (on the main thread: a pattern list that does not compile
// shows its alert). None when a pattern list does not compile.
std::optional<RunPlan> listRunPlan(PathList sources, std::string toPath,
                                   std::shared_ptr<const UserDefaults> rules, AlertService* alerts);

// Dates and places every entry of the file list, then builds the folder tree and the totals.
// Any thread; stops early, with `cancelled` set, when `progress->cancel` becomes true. With
// `prior`, regular files imported before are planned as skipped, as the run would skip them.
void planRunEntries(RunPlan& plan, PlanProgress* progress = nullptr,
                    const FreeSpaceProbe& freeSpace = freeBytesAt, PriorImports* prior = nullptr);

} // namespace orvane
