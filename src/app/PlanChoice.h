#pragma once

#include "merge/RunPlan.h"

#include <ctime>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvane {

// Which entries of a shown plan the user chose to import: file by file, a date folder at a
// time, or all, none or only the new ones. Every entry the plan places in a date folder
// starts chosen, so that a plan organised untouched is the run it shows; the files the import
// history knows are a group of their own that starts unchosen: choosing one imports it again.
class PlanChoice {
  public:
    enum class State { kNone, kSome, kAll };

    explicit PlanChoice(std::shared_ptr<const RunPlan> plan);

    bool chosen(size_t entry) const { return chosen_[entry]; }
    // Chooses or leaves out an entry with its sidecars; a sidecar's box stands for its
    // photo's, so that the two are never split. Answers whether entries other than `entry`
    // changed with it, whose boxes are then shown again.
    bool setChosen(size_t entry, bool chosen);
    // A folder is chosen when every entry below it is; partly when some are.
    State folderState(size_t folder) const;
    void setFolderChosen(size_t folder, bool chosen);
    // The files imported before, in list order, and how many of them are chosen.
    const std::vector<size_t>& importedBefore() const { return importedBefore_; }
    State importedBeforeState() const;
    void setImportedBeforeChosen(bool chosen);

    void chooseAll();
    void chooseNone();
    // The entries the run would copy as planned: not those whose name is taken.
    void chooseNewOnly();

    size_t chosenCount() const;
    // The entries of the tree left out, by source path: the run skips them.
    PathList unchosenSources() const;
    // The files imported before that were chosen: the run copies them all the same.
    PathList chosenAgainSources() const;

  private:
    void countBelow(size_t folder, size_t& all, size_t& chosen) const;
    void chooseBelow(size_t folder, bool chosen);
    // Gives each sidecar its leader's choice, where both are in the tree.
    void followLeaders();

    std::shared_ptr<const RunPlan> plan_;
    std::vector<bool> chosen_; // by entry
    std::vector<bool> inTree_; // by entry: placed in a date folder
    std::vector<size_t> importedBefore_;
    // The sidecars of each entry that has some, and the entry each sidecar belongs with.
    std::unordered_map<size_t, std::vector<size_t>> sidecars_;
    std::unordered_map<size_t, size_t> leaderOf_;
};

// Shots of one day taken without a pause of more than an hour, for the timeline.
struct ShotGroup {
    time_t first = 0;
    time_t last = 0;
    std::vector<size_t> entries; // indexes into RunPlan::entries, by date
};

struct ShotDay {
    std::string title; // "Tue 17 Mar 2005", in local time
    std::vector<ShotGroup> groups;
};

// The plan's dated entries by day, each day in groups split at gaps of more than an hour.
std::vector<ShotDay> shotTimeline(const RunPlan& plan);

// "14:05–16:40", or "14:05" for a group of one moment.
std::string shotGroupTitle(const ShotGroup& group);

} // namespace orvane
