#include "cli/DryRun.h"

#include "base/StringHelpers.h"
#include "cli/ReportPrinter.h"

#include <nlohmann/json.hpp>

namespace orvane::cli {
namespace {

std::string dateSource(const PlannedPlace& plan) {
    std::string text = plan.datedBy == DatedBy::Exif ? "EXIF" : datedByName(plan.datedBy);
    return plan.checkDate ? text + ", check date" : text;
}

size_t countOutcome(const std::vector<PlannedEntry>& plan, PlanOutcome outcome) {
    size_t count = 0;
    for (const PlannedEntry& entry : plan)
        count += entry.outcome() == outcome ? 1 : 0;
    return count;
}

} // namespace

void printPlanText(std::FILE* out, const RunPlan& runPlan) {
    const std::vector<PlannedEntry>& plan = runPlan.entries;
    const RunResult& result = runPlan.listed;
    size_t errors = result.resErrorFiles.size();
    for (const std::string& note : result.notes)
        std::fprintf(out, "%s\n", note.c_str());
    for (const std::string& path : result.resErrorFiles)
        std::fprintf(out, "  %s: %s\n", displayPath(path).c_str(),
                     result.resErrorDict.at(path).c_str());
    if (!plan.empty())
        std::fprintf(out, "Plan (%zu):\n", plan.size());
    for (const PlannedEntry& entry : plan) {
        if (!entry.plan) {
            ++errors;
            std::fprintf(out, "  %s: %s\n", displayPath(entry.source).c_str(),
                         displayPath(entry.error).c_str());
            continue;
        }
        std::string note;
        if (entry.skipReason)
            note = "  [" + *entry.skipReason + "]";
        else if (entry.taken)
            note = entry.takenBy.empty() ? "  [taken]"
                                         : "  [taken by " + displayPath(entry.takenBy) + "]";
        std::fprintf(out, "  %s  ->  %s  (%s, %s)%s\n", displayPath(entry.source).c_str(),
                     displayPath(entry.plan->destination).c_str(),
                     localDateText(entry.plan->date).c_str(), dateSource(*entry.plan).c_str(),
                     note.c_str());
    }
    if (!result.resSkippedFiles.empty()) {
        std::fprintf(out, "Skipped (%zu):\n", result.resSkippedFiles.size());
        for (const std::string& path : result.resSkippedFiles)
            std::fprintf(out, "  %s: %s\n", displayPath(path).c_str(),
                         result.resSkippedDict.at(path).c_str());
    }
    std::fprintf(
        out,
        "%zu to copy, %zu already taken, %zu skipped, %zu errors (dry run: nothing "
        "was copied)\n",
        countOutcome(plan, PlanOutcome::kCopy), countOutcome(plan, PlanOutcome::kNameTaken),
        result.resSkippedFiles.size() + countOutcome(plan, PlanOutcome::kSkippedByMerge), errors);
    if (const std::string applied = timeSettingsSummary(runPlan.timeSettings); !applied.empty())
        std::fprintf(out, "Dates: %s.\n", applied.c_str());
}

void printPlanJson(std::FILE* out, const RunPlan& runPlan) {
    const std::vector<PlannedEntry>& plan = runPlan.entries;
    const RunResult& result = runPlan.listed;
    using nlohmann::ordered_json;
    ordered_json items = ordered_json::array();
    for (const PlannedEntry& entry : plan) {
        ordered_json item;
        item["path"] = jsonText(entry.source);
        if (!entry.plan) {
            item["error"] = jsonText(entry.error);
        } else {
            item["date"] = localDateText(entry.plan->date);
            item["timestamp"] = static_cast<long long>(entry.plan->date);
            item["dateSource"] = entry.plan->datedBy == DatedBy::Modified
                                     ? "mtime"
                                     : datedByName(entry.plan->datedBy);
            item["dated_by"] = datedByName(entry.plan->datedBy);
            item["check_date"] = entry.plan->checkDate;
            item["folder"] = jsonText(entry.plan->dateFolder);
            item["destination"] = jsonText(entry.plan->destination);
            item["taken"] = entry.taken;
            item["takenBy"] = entry.takenBy.empty() ? ordered_json(nullptr)
                                                    : ordered_json(jsonText(entry.takenBy));
            if (entry.skipReason)
                item["skipped"] = *entry.skipReason;
        }
        items.push_back(std::move(item));
    }
    ordered_json skipped = ordered_json::array();
    for (const std::string& path : result.resSkippedFiles)
        skipped.push_back({{"path", jsonText(path)}, {"reason", result.resSkippedDict.at(path)}});
    for (const std::string& path : result.resErrorFiles)
        items.push_back({{"path", jsonText(path)}, {"error", result.resErrorDict.at(path)}});
    ordered_json report;
    report["notes"] = result.notes;
    report["plan"] = std::move(items);
    report["skipped"] = std::move(skipped);
    addTimeSettingsJson(report, runPlan.timeSettings);
    report["dryRun"] = true;
    std::fprintf(out, "%s\n", report.dump(2).c_str());
}

} // namespace orvane::cli
