#include "base/RunStatus.h"
#include "cli/DryRun.h"
#include "merge/MergeEngine.h"
#include "platform/UserDefaults.h"
#include "prefs/DateRendering.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace orvane::cli {
namespace {

using test::localTime;
using test::writeFile;

class DryRunTest : public ::testing::Test {
  protected:
    DryRunTest() : defaults(tmp / "p.json"), root(tmp / "Sorted") {
        registerDefaults(defaults);
        defaults.setBool(keys::kUseExifData, false);
        defaults.setInteger(keys::kDirLevels, 3);
        std::filesystem::create_directories(root);
    }
    test::TempDir tmp;
    UserDefaults defaults;
    std::string root;
};

TEST_F(DryRunTest, PlanNamesTheFoldersTheMergeUses) {
    const std::string a = tmp / "src/a.jpg", b = tmp / "src/sub/b.jpg", twin = tmp / "src/x/a.jpg";
    writeFile(a, "a", localTime(2005, 3, 17, 14, 22, 5));
    writeFile(b, "b", localTime(2006, 1, 2));
    writeFile(twin, "t", localTime(2005, 3, 17));
    const PathList list = {a, b, twin, tmp / "src/gone.jpg"};

    const std::vector<PlannedEntry> plan = planRun(list, root, defaults);
    EXPECT_TRUE(std::filesystem::is_empty(root)) << "planning creates nothing";

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
    EXPECT_FALSE(plan[0].plan->exifDate);
    // The twin meets the first copy in the run; the plan says so beforehand.
    EXPECT_TRUE(plan[2].taken);
    EXPECT_EQ(plan[2].takenBy, a);
    EXPECT_EQ(result.resErrorDict.at(twin).rfind("Can't overwrite existing file", 0), 0u);
    EXPECT_FALSE(plan[3].plan);
    EXPECT_EQ(plan[3].error, result.resErrorDict.at(tmp / "src/gone.jpg"));

    // Planned again, the copies now exist.
    const std::vector<PlannedEntry> again = planRun(list, root, defaults);
    EXPECT_TRUE(again[0].taken);
    EXPECT_EQ(again[0].takenBy, "");
}

TEST_F(DryRunTest, FolderLevelsWithoutAFormatFailAsInTheMerge) {
    const std::string a = tmp / "src/a.jpg";
    writeFile(a, "a", localTime(2005, 3, 17));
    defaults.setInteger(keys::kDirLevels, 4);
    const std::vector<PlannedEntry> plan = planRun({a}, root, defaults);
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_FALSE(plan[0].plan);
    EXPECT_EQ(plan[0].error,
              "No folder format for 4 folder levels: choose 1, 2 or 3 levels in Preferences");
}

TEST_F(DryRunTest, EngineReadsTheExifDateForThePlan) {
    const std::string a = tmp / "src/a.jpg";
    writeFile(a, "a", localTime(2005, 3, 17));
    defaults.setBool(keys::kUseExifData, true);
    RunStatus status;
    RunResult result;
    MergeEngine engine(defaults, status, result);
    engine.setToPath(root);
    engine.setExifReader([](const char*, const struct stat&) { return localTime(1999, 12, 31); });
    const DateLocale locale;
    std::string error;
    const std::optional<EntryPlan> plan = engine.planEntry(a, locale, error);
    ASSERT_TRUE(plan);
    EXPECT_TRUE(plan->exifDate);
    EXPECT_EQ(plan->dateFolder, "1999/12/31");
    EXPECT_EQ(plan->destination, root + "/1999/12/31/a.jpg");
    EXPECT_EQ(plan->levels, 3);
    EXPECT_TRUE(result.resErrorFiles.empty() && result.resCopiedDict.empty());
}

} // namespace
} // namespace orvane::cli
