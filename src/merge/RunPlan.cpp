#include "merge/RunPlan.h"

#include "base/Paths.h"
#include "base/RunStatus.h"
#include "merge/NameClash.h"
#include "merge/RunChecks.h"
#include "merge/RunDestinations.h"
#include "platform/RemoteSources.h"
#include "platform/UserDefaults.h"
#include "prefs/DateRendering.h"
#include "prefs/PrefKeys.h"
#include "selection/FileListBuilder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <string_view>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <unordered_map>

namespace orvane {
namespace {

// The levels of a date folder ("2005/03/17": "2005", "03", "17").
std::vector<std::string> folderLevels(const std::string& dateFolder) {
    std::vector<std::string> levels;
    size_t start = 0;
    while (start <= dateFolder.size()) {
        const size_t slash = std::min(dateFolder.find('/', start), dateFolder.size());
        if (slash > start)
            levels.push_back(dateFolder.substr(start, slash - start));
        start = slash + 1;
    }
    return levels;
}

class FolderTree {
  public:
    // With `videoRoot`, each root gets its folder below the top, the destination's first.
    FolderTree(std::vector<PlanFolder>& folders, const std::string& root,
               const std::string& videoRoot)
        : folders_(folders), root_(root) {
        folders_.assign(1, PlanFolder{});
        folders_[0].exists = true;
        if (videoRoot.empty())
            return;
        for (const std::string& top : {root, videoRoot}) {
            PlanFolder folder;
            folder.name = top;
            folder.root = top;
            folder.parent = 0;
            struct stat status;
            folder.exists = ::stat(top.c_str(), &status) == 0;
            tops_.emplace(top, folders_.size());
            folders_[0].folders.push_back(folders_.size());
            folders_.push_back(std::move(folder));
            earliest_.push_back(std::numeric_limits<time_t>::max());
        }
    }

    // The innermost folder of a date folder below `root`, made with its outer levels as
    // needed; each level remembers the earliest date it holds.
    size_t add(const std::string& root, const std::string& dateFolder, time_t date) {
        const size_t innermost = addLevels(root, dateFolder);
        for (size_t folder = innermost; folder != 0 && folder != PlanFolder::kNone;
             folder = folders_[folder].parent)
            earliest_[folder] = std::min(earliest_[folder], date);
        return innermost;
    }

    // Month names, weekdays and other words in folder names sort as the dates they stand for;
    // folders of the same earliest date by name. The roots keep their order.
    void sortByDate() {
        for (size_t f = tops_.empty() ? 0 : 1; f < folders_.size(); ++f)
            std::sort(folders_[f].folders.begin(), folders_[f].folders.end(),
                      [this](size_t a, size_t b) {
                          return std::tie(earliest_[a], folders_[a].name) <
                                 std::tie(earliest_[b], folders_[b].name);
                      });
    }

  private:
    size_t addLevels(const std::string& root, const std::string& dateFolder) {
        const auto top = tops_.find(root);
        const size_t start = top == tops_.end() ? 0 : top->second;
        const std::string below = top == tops_.end() ? root_ : root;
        // The two trees may hold the same date folder: keyed by root and path.
        const std::string prefix = std::to_string(start) + ":";
        if (auto it = byPath_.find(prefix + dateFolder); it != byPath_.end())
            return it->second;
        size_t current = start;
        std::string path;
        for (const std::string& name : folderLevels(dateFolder)) {
            path = path.empty() ? name : path + "/" + name;
            auto [it, added] = byPath_.emplace(prefix + path, folders_.size());
            if (added) {
                PlanFolder folder;
                folder.name = name;
                folder.path = path;
                folder.root = top == tops_.end() ? std::string() : root;
                folder.parent = current;
                struct stat status;
                folder.exists = ::stat((below + "/" + path).c_str(), &status) == 0;
                folders_[current].folders.push_back(folders_.size());
                folders_.push_back(std::move(folder));
                earliest_.push_back(std::numeric_limits<time_t>::max());
            }
            current = it->second;
        }
        byPath_.emplace(prefix + dateFolder, current);
        return current;
    }

    std::vector<PlanFolder>& folders_;
    std::vector<time_t> earliest_ = {std::numeric_limits<time_t>::max()}; // by folder
    std::string root_;
    std::unordered_map<std::string, size_t> tops_; // a root's folder, when videos go apart
    std::unordered_map<std::string, size_t> byPath_;
};

// A camera's file is dated from a download into a scratch file outside the destination
// (a plan creates nothing there), removed once the entry is planned.
class ScratchDownload {
  public:
    explicit ScratchDownload(const std::string& entry, std::string& error) {
        const char* folder = std::getenv("TMPDIR");
        path_ = std::string(folder && *folder ? folder : "/tmp") + "/orvane-plan-XXXXXX";
        const int fd = ::mkostemp(path_.data(), O_CLOEXEC);
        if (fd < 0) {
            error = "Couldn't make a scratch file to read the camera's file: " +
                    std::string(std::strerror(errno));
            path_.clear();
            return;
        }
        RemoteSources* remote = remoteSources();
        ErrorText failure = remote ? remote->fetch(entry, fd) : ErrorText(kNoCameraAccess);
        ::close(fd);
        if (failure)
            error = *failure;
    }
    ~ScratchDownload() {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    ScratchDownload(const ScratchDownload&) = delete;
    ScratchDownload& operator=(const ScratchDownload&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

} // namespace

namespace {

// Whether a level of `dateFolder` below `root` is a link, which the run refuses to enter.
bool hasLinkedLevel(const std::string& root, const std::string& dateFolder) {
    std::string level = root;
    for (size_t begin = 0; begin < dateFolder.size();) {
        const size_t end = std::min(dateFolder.find('/', begin), dateFolder.size());
        level += "/" + dateFolder.substr(begin, end - begin);
        struct stat status;
        if (::lstat(level.c_str(), &status) != 0)
            return false;
        if (S_ISLNK(status.st_mode))
            return true;
        begin = end + 1;
    }
    return false;
}

// The places a copy planned at `destination` (below `root`) goes to under one name: the
// destination, then the same path below each backup.
std::vector<std::string> placesOf(const std::string& root, const std::string& destination,
                                  const PathList& backups) {
    std::vector<std::string> places{destination};
    std::string top = root;
    while (top.size() > 1 && top.back() == '/')
        top.pop_back();
    const size_t below = top == "/" ? 1 : top.size() + 1;
    if (destination.size() <= below || destination.compare(0, top.size(), top) != 0 ||
        (top != "/" && destination[top.size()] != '/'))
        return places;
    for (const std::string& backup : backups)
        places.push_back(appendPathComponent(backup, destination.substr(below)));
    return places;
}

// The run's decision about a name taken in any of the places: one name for them all.
NameClashDecision decideNameIn(const std::vector<std::string>& places, const std::string& source,
                               const struct stat& status, const NameClashRules& rules) {
    if (places.size() == 1)
        return resolveNameClash(source, status, places[0], rules);
    const SharedNameDecision shared = resolveSharedNameClash(source, status, places, rules);
    if (shared.kind == NameClashDecision::Kind::Taken)
        return {shared.kind, places[0]};
    // The destination holds it already: the run copies it only into the backups that lack it,
    // and reports it as found in the destination.
    if (shared.holds[0])
        return {NameClashDecision::Kind::AlreadyThere, shared.paths[0]};
    return {shared.kind, shared.paths[0]};
}

// Whether the name numbered `number` (0: the name itself) is taken in any of the places.
bool takenInAny(const std::vector<std::string>& places, unsigned number) {
    struct stat existing;
    return std::any_of(places.begin(), places.end(), [&](const std::string& place) {
        return ::lstat((number ? numberedName(place, number) : place).c_str(), &existing) == 0;
    });
}

} // namespace

PlanOutcome PlannedEntry::outcome() const {
    if (!plan)
        return PlanOutcome::kFails;
    if (skipReason)
        return PlanOutcome::kSkippedByMerge;
    return taken ? PlanOutcome::kNameTaken : PlanOutcome::kCopy;
}

std::shared_ptr<const UserDefaults> snapshotRules(const UserDefaults& defaults) {
    // A store without a file: nothing is read from or written to disk.
    auto copy = std::make_shared<UserDefaults>(std::filesystem::path());
    copy->registerDefaults(defaults.dictionaryRepresentation());
    return copy;
}

std::optional<RunPlan> listRunPlan(PathList sources, std::string toPath,
                                   std::shared_ptr<const UserDefaults> rules,
                                   AlertService* alerts) {
    RunPlan plan;
    plan.sources = std::move(sources);
    plan.toPath = std::move(toPath);
    plan.rules = std::move(rules);
    std::optional<PathList> list =
        buildFileList(plan.sources, plan.toPath, *plan.rules, plan.listed, alerts);
    if (!list)
        return std::nullopt;
    plan.fileList = std::move(*list);
    return plan;
}

void planRunEntries(RunPlan& plan, PlanProgress* progress, const FreeSpaceProbe& freeSpace,
                    PriorImports* prior) {
    // The engine is only asked to plan: its run status and result stay untouched.
    RunStatus status;
    RunResult unused;
    MergeEngine engine(*plan.rules, status, unused);
    engine.setToPath(plan.toPath);
    engine.prepareRun(plan.fileList, time(nullptr));
    plan.timeSettings = engine.dater().rules().time;
    const DateLocale locale;

    plan.entries.clear();
    plan.entries.reserve(plan.fileList.size());
    // The destinations claimed so far, viewed in the entries' own strings: the entries never
    // move, their room being reserved above.
    std::unordered_map<std::string_view, size_t> destinations;
    const PathList backups = runDestinationsOf(*plan.rules, plan.toPath).backups;
    for (const std::string& source : plan.fileList) {
        if (progress && progress->cancel.load(std::memory_order_relaxed)) {
            plan.cancelled = true;
            break;
        }
        PlannedEntry entry;
        entry.source = source;
        std::optional<ScratchDownload> download;
        if (isCameraPath(source))
            download.emplace(source, entry.error);
        const std::string& readable = download ? download->path() : source;
        std::optional<EntryPlan> planned;
        if (entry.error.empty())
            planned = engine.planEntry(source, locale, entry.error,
                                       download ? download->path() : std::string());
        // The run fails the entry at a date folder that is a link: so does the plan.
        if (planned && hasLinkedLevel(planned->root, planned->dateFolder)) {
            entry.error = kLinkedDateFolder;
            planned.reset();
        }
        bool claims = false; // the entry claims its destination
        if (planned) {
            entry.bytes = S_ISDIR(planned->status.st_mode)
                              ? sizeOfEntries({source})
                              : static_cast<uint64_t>(planned->status.st_size);
            const std::string destination = planned->destination;
            const bool keepBoth = plan.rules->boolForKey(keys::kKeepBothOnNameClash);
            // The name the copy gets: the planned one, or with keep-both a numbered one beside
            // a file or an earlier entry of the plan that has it, as the run will choose.
            std::string target = destination;
            // The run gives the copy one name in the destination and every backup.
            const std::vector<std::string> places = placesOf(planned->root, destination, backups);
            std::optional<PriorCopy> priorCopy;
            if (prior && S_ISREG(planned->status.st_mode))
                priorCopy = prior->priorCopy(plan.entries.size(), source, planned->status);
            if (priorCopy) {
                entry.skipReason = std::move(priorCopy->reason);
                // A run asks a file (not a camera's) before it names it: no {seq} number.
                if (!download)
                    engine.plannedSkipUnnamed(source);
            } else if (takenInAny(places, 0)) {
                // As the run decides about a taken name: the same contents are skipped, a
                // different file may be kept beside under a numbered name.
                const NameClashDecision decision =
                    decideNameIn(places, readable, planned->status,
                                 {plan.rules->boolForKey(keys::kSkipIdenticalFiles), keepBoth});
                if (decision.kind == NameClashDecision::Kind::AlreadyThere)
                    entry.skipReason = skip::kAlreadyInDestination;
                else if (decision.kind == NameClashDecision::Kind::Taken)
                    entry.taken = true;
                else
                    target = decision.path;
            }
            if (!entry.taken && !entry.skipReason) {
                for (unsigned number = 1;; ++number) {
                    const auto it = destinations.find(target);
                    if (it == destinations.end()) {
                        claims = true;
                        break;
                    }
                    if (!keepBoth) {
                        entry.taken = true;
                        entry.takenBy = plan.entries[it->second].source;
                        break;
                    }
                    while (takenInAny(places, number))
                        ++number;
                    target = numberedName(destination, number);
                }
                if (target != destination) {
                    planned->destination = target;
                    entry.numberedAs = lastPathComponent(target);
                }
            }
            entry.plan = PlannedPlace{planned->date,
                                      planned->datedBy,
                                      planned->checkDate,
                                      std::move(planned->dateFolder),
                                      std::move(planned->destination),
                                      planned->root == plan.toPath ? std::string() : planned->root};
        }
        plan.entries.push_back(std::move(entry));
        if (claims)
            destinations.emplace(plan.entries.back().plan->destination, plan.entries.size() - 1);
        if (progress)
            progress->done.fetch_add(1, std::memory_order_relaxed);
    }

    FolderTree tree(plan.folders, plan.toPath,
                    plan.rules ? runDestinationsOf(*plan.rules, plan.toPath).videos
                               : std::string());
    PlanTotals& totals = plan.totals;
    totals = {};
    totals.skipped = plan.listed.resSkippedFiles.size();
    for (size_t i = 0; i < plan.entries.size(); ++i) {
        const PlannedEntry& entry = plan.entries[i];
        switch (entry.outcome()) {
        case PlanOutcome::kFails:
            ++totals.failures;
            continue;
        case PlanOutcome::kSkippedByMerge:
            ++totals.skipped;
            if (skip::isImportedBefore(*entry.skipReason))
                ++totals.importedBefore;
            continue;
        case PlanOutcome::kNameTaken:
            ++totals.conflicts;
            break;
        case PlanOutcome::kCopy:
            ++totals.files;
            totals.bytes += entry.bytes;
            break;
        }
        const size_t folder = tree.add(entry.plan->root.empty() ? plan.toPath : entry.plan->root,
                                       entry.plan->dateFolder, entry.plan->date);
        plan.folders[folder].entries.push_back(i);
        for (size_t f = folder; f != PlanFolder::kNone; f = plan.folders[f].parent)
            ++plan.folders[f].fileCount;
    }
    tree.sortByDate();
    for (const PlanFolder& folder : plan.folders)
        totals.newFolders += folder.exists ? 0 : 1;
    if (freeSpace)
        totals.freeBytes = freeSpace(plan.toPath);
    for (const std::string& backup : runDestinationsOf(*plan.rules, plan.toPath).backups)
        totals.backups.push_back(
            {backup, freeSpace ? freeSpace(backup) : std::optional<uint64_t>()});
}

} // namespace orvane
