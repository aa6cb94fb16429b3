#pragma once

#include "base/RunResult.h"
#include "merge/MergeEngine.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace orvane {
class UserDefaults;
}

namespace orvane::cli {

// One entry of the file list with the place the merge would give it.
struct PlannedEntry {
    std::string source;
    std::optional<EntryPlan> plan; // none when the merge would fail the entry
    std::string error;             // the merge's error text then
    // The destination exists already, or an earlier entry of the plan goes there: the merge
    // would refuse the entry, since nothing is ever overwritten.
    bool taken = false;
    std::string takenBy; // the earlier entry, when the plan itself takes the place
};

// Works out where each entry would go, with the same code and preferences as the merge,
// without creating or copying anything.
std::vector<PlannedEntry> planRun(const PathList& fileList, const std::string& toPath,
                                  const UserDefaults& defaults);

void printPlanText(std::FILE* out, const std::vector<PlannedEntry>& plan, const RunResult& result);
// {"plan": [{"path", "date", "dateSource", "folder", "destination", "taken", "takenBy"} or
// {"path", "error"}], "skipped": [{"path", "reason"}]}
void printPlanJson(std::FILE* out, const std::vector<PlannedEntry>& plan, const RunResult& result);

} // namespace orvane::cli
