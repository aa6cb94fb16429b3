#include "cli/DryRun.h"

#include "base/RunStatus.h"
#include "base/StringHelpers.h"
#include "cli/ReportPrinter.h"
#include "prefs/DateRendering.h"

#include <nlohmann/json.hpp>
#include <unordered_map>

namespace orvane::cli {
namespace {

std::string localDateText(time_t seconds) {
    struct tm local;
    localtime_r(&seconds, &local);
    char buffer[64];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    return buffer;
}

const char* dateSource(const EntryPlan& plan) {
    return plan.exifDate ? "EXIF" : "modified";
}

size_t countTaken(const std::vector<PlannedEntry>& plan) {
    size_t taken = 0;
    for (const PlannedEntry& entry : plan)
        taken += entry.taken ? 1 : 0;
    return taken;
}

} // namespace

std::vector<PlannedEntry> planRun(const PathList& fileList, const std::string& toPath,
                                  const UserDefaults& defaults) {
    // The engine is only asked to plan: its run status and result stay untouched.
    RunStatus status;
    RunResult unused;
    MergeEngine engine(defaults, status, unused);
    engine.setToPath(toPath);
    const DateLocale locale;

    std::vector<PlannedEntry> plan;
    plan.reserve(fileList.size());
    std::unordered_map<std::string, size_t> destinations;
    for (const std::string& source : fileList) {
        PlannedEntry entry;
        entry.source = source;
        entry.plan = engine.planEntry(source, locale, entry.error);
        if (entry.plan) {
            const std::string& destination = entry.plan->destination;
            struct stat existing;
            if (::lstat(destination.c_str(), &existing) == 0) {
                entry.taken = true;
            } else if (auto [it, added] = destinations.emplace(destination, plan.size()); !added) {
                entry.taken = true;
                entry.takenBy = plan[it->second].source;
            }
        }
        plan.push_back(std::move(entry));
    }
    return plan;
}

void printPlanText(std::FILE* out, const std::vector<PlannedEntry>& plan, const RunResult& result) {
    size_t errors = 0;
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
        if (entry.taken)
            note = entry.takenBy.empty() ? "  [taken]"
                                         : "  [taken by " + displayPath(entry.takenBy) + "]";
        std::fprintf(out, "  %s  ->  %s  (%s, %s)%s\n", displayPath(entry.source).c_str(),
                     displayPath(entry.plan->destination).c_str(),
                     localDateText(entry.plan->date).c_str(), dateSource(*entry.plan),
                     note.c_str());
    }
    if (!result.resSkippedFiles.empty()) {
        std::fprintf(out, "Skipped (%zu):\n", result.resSkippedFiles.size());
        for (const std::string& path : result.resSkippedFiles)
            std::fprintf(out, "  %s: %s\n", displayPath(path).c_str(),
                         result.resSkippedDict.at(path).c_str());
    }
    std::fprintf(out,
                 "%zu to copy, %zu already taken, %zu skipped, %zu errors (dry run: nothing "
                 "was copied)\n",
                 plan.size() - errors - countTaken(plan), countTaken(plan),
                 result.resSkippedFiles.size(), errors);
}

void printPlanJson(std::FILE* out, const std::vector<PlannedEntry>& plan, const RunResult& result) {
    using nlohmann::ordered_json;
    ordered_json items = ordered_json::array();
    for (const PlannedEntry& entry : plan) {
        ordered_json item;
        item["path"] = safeCString(entry.source);
        if (!entry.plan) {
            item["error"] = safeCString(entry.error);
        } else {
            item["date"] = localDateText(entry.plan->date);
            item["timestamp"] = static_cast<long long>(entry.plan->date);
            item["dateSource"] = entry.plan->exifDate ? "exif" : "mtime";
            item["folder"] = safeCString(entry.plan->dateFolder);
            item["destination"] = safeCString(entry.plan->destination);
            item["taken"] = entry.taken;
            item["takenBy"] = entry.takenBy.empty() ? ordered_json(nullptr)
                                                    : ordered_json(safeCString(entry.takenBy));
        }
        items.push_back(std::move(item));
    }
    ordered_json skipped = ordered_json::array();
    for (const std::string& path : result.resSkippedFiles)
        skipped.push_back(
            {{"path", safeCString(path)}, {"reason", result.resSkippedDict.at(path)}});
    ordered_json report;
    report["plan"] = std::move(items);
    report["skipped"] = std::move(skipped);
    report["dryRun"] = true;
    std::fprintf(out, "%s\n", report.dump(2).c_str());
}

} // namespace orvane::cli
