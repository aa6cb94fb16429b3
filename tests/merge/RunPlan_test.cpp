#include "base/RunStatus.h"
#include "merge/MergeEngine.h"
#include "merge/RunPlan.h"
#include "platform/UserDefaults.h"
#include "prefs/DateRendering.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::localTime;
using test::writeFile;

class RunPlanTest : public ::testing::Test {
  protected:
    RunPlanTest() : defaults(tmp / "p.json"), root(tmp / "Sorted") {
        registerDefaults(defaults);
        defaults.setBool(keys::kUseExifData, false);
        defaults.setInteger(keys::kDirLevels, 3);
        std::filesystem::create_directories(root);
    }
    // The plan of a ready-made file list, with the free space read through the seam.
    RunPlan planOf(const PathList& list) {
        RunPlan plan;
        plan.toPath = root;
        plan.rules = snapshotRules(defaults);
        plan.fileList = list;
        planRunEntries(plan, nullptr, [](const std::string&) { return uint64_t{4096}; });
        return plan;
    }
    test::TempDir tmp;
    UserDefaults defaults;
    std::string root;
};

TEST_F(RunPlanTest, PlanNamesTheFoldersTheMergeUses) {
    const std::string a = tmp / "src/a.jpg", b = tmp / "src/sub/b.jpg", twin = tmp / "src/x/a.jpg";
    writeFile(a, "a", localTime(2005, 3, 17, 14, 22, 5));
    writeFile(b, "b", localTime(2006, 1, 2));
    writeFile(twin, "t", localTime(2005, 3, 17));
    const PathList list = {a, b, twin, tmp / "src/gone.jpg"};

    std::filesystem::create_directories(root + "/2006");
    const RunPlan runPlan = planOf(list);
    const std::vector<PlannedEntry>& plan = runPlan.entries;
    EXPECT_EQ(std::filesystem::directory_iterator(root)->path(), root + "/2006")
        << "planning creates nothing";

    RunStatus status;
    status.mergeState = kMergeRunning;
    RunResult result;
    MergeEngine(defaults, status, result).mergeFiles(list, root);

    ASSERT_EQ(plan.size(), 4u);
    for (const PlannedEntry& entry : {plan[0], plan[1]}) {
        ASSERT_TRUE(entry.plan);
        EXPECT_EQ(entry.plan->dateFolder, result.resCopiedDict.at(entry.source));
        EXPECT_EQ(test::readFile(entry.plan->destination), test::readFile(entry.source));
        EXPECT_FALSE(entry.taken);
    }
    EXPECT_EQ(plan[0].plan->destination, root + "/2005/03/17/a.jpg");
    EXPECT_EQ(plan[0].plan->date, localTime(2005, 3, 17, 14, 22, 5));
    EXPECT_EQ(plan[0].plan->datedBy, DatedBy::Modified);
    // The twin meets the first copy in the run; the plan says so beforehand.
    EXPECT_TRUE(plan[2].taken);
    EXPECT_EQ(plan[2].takenBy, a);
    EXPECT_EQ(result.resErrorDict.at(twin).rfind("Can't overwrite existing file", 0), 0u);
    EXPECT_FALSE(plan[3].plan);
    EXPECT_EQ(plan[3].error, result.resErrorDict.at(tmp / "src/gone.jpg"));

    // The tree of date folders, with counts, and the totals.
    const std::vector<PlanFolder>& folders = runPlan.folders;
    ASSERT_EQ(folders[0].folders.size(), 2u);
    const PlanFolder& y2005 = folders[folders[0].folders[0]];
    const PlanFolder& y2006 = folders[folders[0].folders[1]];
    EXPECT_EQ(y2005.name, "2005");
    EXPECT_EQ(y2005.fileCount, 2u);
    EXPECT_FALSE(y2005.exists);
    EXPECT_TRUE(y2006.exists);
    const PlanFolder& day = folders[folders[y2005.folders[0]].folders[0]];
    EXPECT_EQ(day.path, "2005/03/17");
    EXPECT_EQ(day.entries, (std::vector<size_t>{0, 2}));
    EXPECT_EQ(folders[0].fileCount, 3u);
    EXPECT_EQ(runPlan.totals.files, 2u);
    EXPECT_EQ(runPlan.totals.bytes, 2u);
    EXPECT_EQ(runPlan.totals.conflicts, 1u);
    EXPECT_EQ(runPlan.totals.failures, 1u);
    EXPECT_EQ(runPlan.totals.newFolders, 5u); // 2005, 03, 17, and 2006's 01 and 02
    EXPECT_EQ(runPlan.totals.freeBytes, uint64_t{4096});

    // Planned again, the copies now exist: the same bytes are skipped, or taken when
    // identical files aren't to be skipped.
    const std::vector<PlannedEntry> again = planOf(list).entries;
    EXPECT_FALSE(again[0].taken);
    EXPECT_EQ(again[0].skipReason, std::optional<std::string>(skip::kAlreadyInDestination));
    defaults.setBool(keys::kSkipIdenticalFiles, false);
    const std::vector<PlannedEntry> strict = planOf(list).entries;
    EXPECT_TRUE(strict[0].taken);
    EXPECT_EQ(strict[0].takenBy, "");

    // With keep-both on, the plan names the numbered copies the run makes, beside a file of
    // the destination and beside another entry of the plan alike.
    defaults.setBool(keys::kKeepBothOnNameClash, true);
    writeFile(root + "/2005/03/17/a-1.jpg", "other", localTime(2005, 3, 17));
    const std::vector<PlannedEntry> both = planOf(list).entries;
    EXPECT_EQ(both[0].plan->destination, root + "/2005/03/17/a-2.jpg");
    EXPECT_EQ(both[2].plan->destination, root + "/2005/03/17/a-3.jpg");
    EXPECT_EQ(both[2].numberedAs, "a-3.jpg");
    EXPECT_FALSE(both[2].taken);
    RunResult kept;
    MergeEngine(defaults, status, kept).mergeFiles(list, root);
    EXPECT_EQ(kept.resDestinationDict.at(a), both[0].plan->destination);
    EXPECT_EQ(kept.resDestinationDict.at(twin), both[2].plan->destination);
}

// The run gives a copy one name in the destination and every backup: the plan numbers it
// beside a name taken in a backup too, and the run then uses the very names planned.
TEST_F(RunPlanTest, PlanNamesCopiesAsTheRunDoesWithBackupsTakingNames) {
    const std::string backup = tmp / "backup";
    const std::string day = "/2005/03/17/";
    struct Row {
        const char* what;
        bool keepBoth;
        std::vector<std::pair<std::string, std::string>> present; // path → contents
        std::vector<std::string> planned; // of a.jpg and its twin: a name, "taken" or "there"
    };
    const Row rows[] = {
        {"the backup holds another file",
         true,
         {{backup + day + "a.jpg", "other"}},
         {"a-1.jpg", "a-2.jpg"}},
        {"each place holds another number",
         true,
         {{root + day + "a.jpg", "other"}, {backup + day + "a-1.jpg", "other"}},
         {"a-2.jpg", "a-3.jpg"}},
        {"the backup holds the same bytes",
         true,
         {{backup + day + "a.jpg", "a"}},
         {"a.jpg", "a-1.jpg"}},
        {"both hold the same bytes",
         true,
         {{root + day + "a.jpg", "a"}, {backup + day + "a.jpg", "a"}},
         {"there", "a-1.jpg"}},
        {"without keep-both", false, {{backup + day + "a.jpg", "other"}}, {"taken", "taken"}},
    };
    const std::string a = tmp / "src/a.jpg", twin = tmp / "src/x/a.jpg";
    writeFile(a, "a", localTime(2005, 3, 17));
    writeFile(twin, "twin", localTime(2005, 3, 17));
    const PathList list = {a, twin};
    defaults.setObject(keys::kBackupDestinations, StringList{backup});
    for (const Row& row : rows) {
        std::filesystem::remove_all(root);
        std::filesystem::remove_all(backup);
        std::filesystem::create_directories(root);
        std::filesystem::create_directories(backup);
        for (const auto& [path, contents] : row.present)
            writeFile(path, contents, localTime(2005, 3, 17));
        defaults.setBool(keys::kKeepBothOnNameClash, row.keepBoth);
        const std::vector<PlannedEntry> plan = planOf(list).entries;
        RunStatus status;
        status.mergeState = kMergeRunning;
        RunResult result;
        MergeEngine(defaults, status, result).mergeFiles(list, root);
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string& expected = row.planned[i];
            const PlannedEntry& entry = plan[i];
            ASSERT_TRUE(entry.plan) << row.what;
            if (expected == "taken") {
                EXPECT_TRUE(entry.taken) << row.what << ": " << list[i];
                EXPECT_TRUE(result.resErrorDict.count(list[i])) << row.what << ": " << list[i];
                continue;
            }
            EXPECT_FALSE(result.resErrorDict.count(list[i])) << row.what << ": " << list[i];
            if (expected == "there") {
                EXPECT_EQ(entry.skipReason, std::optional<std::string>(skip::kAlreadyInDestination))
                    << row.what;
                EXPECT_EQ(result.resDestinationDict[list[i]], root + day + "a.jpg") << row.what;
                continue;
            }
            EXPECT_EQ(entry.plan->destination, root + day + expected) << row.what;
            EXPECT_FALSE(entry.taken || entry.skipReason) << row.what;
            for (const std::string& place : {root, backup})
                EXPECT_EQ(test::readFile(place + day + expected), test::readFile(list[i]))
                    << row.what << ": " << place;
        }
    }
}

TEST_F(RunPlanTest, MonthNamesSortByDateNotByName) {
    defaults.setInteger(keys::kDirLevels, 2);
    defaults.setObject(keys::kTwoLevelDateFormat, std::string("%Y/%B"));
    PathList list;
    for (int month : {12, 2, 8, 4}) {
        list.push_back(tmp / ("src/" + std::to_string(month) + ".jpg"));
        writeFile(list.back(), "x", localTime(2005, month, 1));
    }
    const RunPlan plan = planOf(list);
    const PlanFolder& year = plan.folders[plan.folders[0].folders.at(0)];
    std::vector<std::string> months;
    for (size_t folder : year.folders)
        months.push_back(plan.folders[folder].name);
    EXPECT_EQ(months, (std::vector<std::string>{"February", "April", "August", "December"}));
}

TEST_F(RunPlanTest, FolderLevelsWithoutAFormatFailAsInTheMerge) {
    const std::string a = tmp / "src/a.jpg";
    writeFile(a, "a", localTime(2005, 3, 17));
    defaults.setInteger(keys::kDirLevels, 4);
    const std::vector<PlannedEntry> plan = planOf({a}).entries;
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_FALSE(plan[0].plan);
    EXPECT_EQ(plan[0].error,
              "No folder format for 4 folder levels: choose 1, 2 or 3 levels in Preferences");
}

TEST_F(RunPlanTest, EngineReadsTheExifDateForThePlan) {
    const std::string a = tmp / "src/a.jpg";
    writeFile(a, "a", localTime(2005, 3, 17));
    defaults.setBool(keys::kUseExifData, true);
    RunStatus status;
    RunResult result;
    MergeEngine engine(defaults, status, result);
    engine.setToPath(root);
    engine.dater().setExifReader(
        [](const char*, const struct stat&) { return localTime(1999, 12, 31); });
    const DateLocale locale;
    std::string error;
    const std::optional<EntryPlan> plan = engine.planEntry(a, locale, error);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->datedBy, DatedBy::Exif);
    EXPECT_EQ(plan->dateFolder, "1999/12/31");
    EXPECT_EQ(plan->destination, root + "/1999/12/31/a.jpg");
    EXPECT_EQ(plan->levels, 3);
    EXPECT_TRUE(result.resErrorFiles.empty() && result.resCopiedDict.empty());
}

} // namespace
} // namespace orvane
