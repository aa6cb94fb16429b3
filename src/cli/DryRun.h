#pragma once

#include "merge/RunPlan.h"

#include <cstdio>

namespace orvane::cli {

// The plan of a dry run as text: each entry with its destination, date and how it was dated.
void printPlanText(std::FILE* out, const RunPlan& plan);
// {"plan": [{"path", "date", "timestamp", "dateSource", "dated_by", "check_date", "folder",
// "destination", "taken", "takenBy", "skipped"} or
// {"path", "error"}], "skipped": [{"path", "reason"}]}
void printPlanJson(std::FILE* out, const RunPlan& plan);

} // namespace orvane::cli
