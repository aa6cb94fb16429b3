#include "app/PlanChoice.h"

#include "dates/PairedFiles.h"

#include <algorithm>

namespace orvane {

namespace {

// Shots further apart than this start a new group of the timeline.
constexpr time_t kGroupGap = 3600;

std::string localText(time_t when, const char* format) {
    struct tm local = {};
    char text[64];
    if (!localtime_r(&when, &local) || strftime(text, sizeof text, format, &local) == 0)
        return {};
    return text;
}

} // namespace

PlanChoice::PlanChoice(std::shared_ptr<const RunPlan> plan)
    : plan_(std::move(plan)), chosen_(plan_->entries.size()), inTree_(plan_->entries.size()) {
    for (const PlanFolder& folder : plan_->folders)
        for (size_t entry : folder.entries)
            inTree_[entry] = true;
    for (size_t entry = 0; entry < plan_->entries.size(); ++entry) {
        const std::optional<std::string>& reason = plan_->entries[entry].skipReason;
        if (reason && skip::isImportedBefore(*reason))
            importedBefore_.push_back(entry);
    }
    for (size_t entry = 0; entry < chosen_.size(); ++entry)
        chosen_[entry] = inTree_[entry];

    PathList sources;
    std::unordered_map<std::string, size_t> entryOf;
    sources.reserve(plan_->entries.size());
    for (size_t entry = 0; entry < plan_->entries.size(); ++entry) {
        sources.push_back(plan_->entries[entry].source);
        entryOf.emplace(sources.back(), entry);
    }
    const PairedFiles pairs(sources);
    for (size_t entry = 0; entry < sources.size(); ++entry) {
        if (!PairedFiles::isSidecar(sources[entry]))
            continue;
        auto leader = entryOf.find(pairs.nameLeaderOf(sources[entry]));
        if (leader == entryOf.end() || leader->second == entry)
            continue;
        leaderOf_[entry] = leader->second;
        sidecars_[leader->second].push_back(entry);
    }
}

bool PlanChoice::setChosen(size_t entry, bool chosen) {
    if (entry >= chosen_.size())
        return false;
    auto choosable = [&](size_t one) {
        return inTree_[one] ||
               std::binary_search(importedBefore_.begin(), importedBefore_.end(), one);
    };
    auto leader = leaderOf_.find(entry);
    const size_t group = leader == leaderOf_.end() ? entry : leader->second;
    bool othersChanged = false;
    auto set = [&](size_t one) {
        if (!choosable(one) || chosen_[one] == chosen)
            return;
        chosen_[one] = chosen;
        othersChanged = othersChanged || one != entry;
    };
    set(group);
    if (auto sidecars = sidecars_.find(group); sidecars != sidecars_.end())
        for (size_t sidecar : sidecars->second)
            set(sidecar);
    return othersChanged;
}

PlanChoice::State PlanChoice::importedBeforeState() const {
    size_t chosen = 0;
    for (size_t entry : importedBefore_)
        chosen += chosen_[entry] ? 1 : 0;
    return chosen == 0                        ? State::kNone
           : chosen == importedBefore_.size() ? State::kAll
                                              : State::kSome;
}

void PlanChoice::setImportedBeforeChosen(bool chosen) {
    for (size_t entry : importedBefore_)
        chosen_[entry] = chosen;
}

void PlanChoice::countBelow(size_t folder, size_t& all, size_t& chosen) const {
    const PlanFolder& here = plan_->folders[folder];
    all += here.entries.size();
    for (size_t entry : here.entries)
        chosen += chosen_[entry] ? 1 : 0;
    for (size_t sub : here.folders)
        countBelow(sub, all, chosen);
}

PlanChoice::State PlanChoice::folderState(size_t folder) const {
    size_t all = 0, chosen = 0;
    countBelow(folder, all, chosen);
    return chosen == 0 ? State::kNone : chosen == all ? State::kAll : State::kSome;
}

void PlanChoice::setFolderChosen(size_t folder, bool chosen) {
    chooseBelow(folder, chosen);
    followLeaders();
}

void PlanChoice::chooseBelow(size_t folder, bool chosen) {
    const PlanFolder& here = plan_->folders[folder];
    for (size_t entry : here.entries)
        chosen_[entry] = chosen;
    for (size_t sub : here.folders)
        chooseBelow(sub, chosen);
}

void PlanChoice::followLeaders() {
    // A leader the history knows stays out unless chosen again; a sidecar edited since (a
    // new XMP) may still go alone, into the folder its photo went to.
    for (const auto& [sidecar, leader] : leaderOf_)
        if (inTree_[leader] && inTree_[sidecar])
            chosen_[sidecar] = chosen_[leader];
}

void PlanChoice::chooseAll() {
    for (size_t entry = 0; entry < chosen_.size(); ++entry)
        chosen_[entry] = inTree_[entry];
    setImportedBeforeChosen(true);
}

void PlanChoice::chooseNone() {
    std::fill(chosen_.begin(), chosen_.end(), false);
}

void PlanChoice::chooseNewOnly() {
    for (size_t entry = 0; entry < chosen_.size(); ++entry)
        chosen_[entry] = inTree_[entry] && plan_->entries[entry].outcome() == PlanOutcome::kCopy;
    followLeaders();
}

size_t PlanChoice::chosenCount() const {
    return static_cast<size_t>(std::count(chosen_.begin(), chosen_.end(), true));
}

PathList PlanChoice::chosenAgainSources() const {
    PathList sources;
    for (size_t entry : importedBefore_)
        if (chosen_[entry])
            sources.push_back(plan_->entries[entry].source);
    return sources;
}

PathList PlanChoice::unchosenSources() const {
    PathList sources;
    for (size_t entry = 0; entry < chosen_.size(); ++entry)
        if (inTree_[entry] && !chosen_[entry])
            sources.push_back(plan_->entries[entry].source);
    return sources;
}

std::vector<ShotDay> shotTimeline(const RunPlan& plan) {
    std::vector<size_t> dated;
    for (const PlanFolder& folder : plan.folders)
        dated.insert(dated.end(), folder.entries.begin(), folder.entries.end());
    std::sort(dated.begin(), dated.end(), [&](size_t a, size_t b) {
        return std::pair(plan.entries[a].plan->date, a) < std::pair(plan.entries[b].plan->date, b);
    });
    std::vector<ShotDay> days;
    std::string dayKey;
    for (size_t entry : dated) {
        const time_t date = plan.entries[entry].plan->date;
        const std::string key = localText(date, "%Y-%m-%d");
        if (days.empty() || key != dayKey) {
            days.push_back({localText(date, "%a %-d %b %Y"), {}});
            dayKey = key;
        }
        std::vector<ShotGroup>& groups = days.back().groups;
        if (groups.empty() || date - groups.back().last > kGroupGap)
            groups.push_back({date, date, {}});
        groups.back().last = date;
        groups.back().entries.push_back(entry);
    }
    return days;
}

std::string shotGroupTitle(const ShotGroup& group) {
    const std::string first = localText(group.first, "%H:%M");
    const std::string last = localText(group.last, "%H:%M");
    return first == last ? first : first + "\u2013" + last;
}

} // namespace orvane
