// A sidecar goes with its photo: the same date folder whatever its own time says, chosen and
// left out with it in the preview, and left out by the run when its photo was.
#include "app/Controller.h"
#include "app/PlanChoice.h"
#include "merge/RunPlan.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "support/ControllerRig.h"
#include "support/Fakes.h"
#include "support/TestSupport.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace orvane {
namespace {

using test::exists;
using test::writeFile;

class SidecarChoiceTest : public ::testing::Test, protected test::ControllerRig {
  protected:
    SidecarChoiceTest() {
        defaults.setObject(keys::kMatchingMode, std::string(kAllExceptMatching));
        defaults.setBool(keys::kUseExifData, false);
        defaults.setInteger(keys::kDirLevels, 1);
        defaults.setObject(keys::kOneLevelDateFormat, std::string("%Y"));
        controller.setMainView(&view);
        report.setMainController(&controller);
        std::filesystem::create_directories(destination);
        // Photos of 2005; their sidecars edited today, so that a sidecar dated by its own
        // time lands in this year's folder.
        for (const char* photo : {"IMG_1.CR2", "IMG_1.JPG", "IMG_2.jpg", "MVI_3.MOV"})
            writeFile(source(photo), photo, test::localTime(2005, 3, 17));
        for (const char* sidecar : {"IMG_1.xmp", "IMG_1.CR2.xmp", "IMG_2.XMP", "MVI_3.THM"})
            writeFile(source(sidecar), sidecar);
    }

    std::string source(const std::string& name) const { return tmp / ("src/" + name); }

    std::shared_ptr<const RunPlan> plan() {
        std::optional<RunPlan> made =
            listRunPlan({tmp / "src"}, destination, snapshotRules(defaults), nullptr);
        EXPECT_TRUE(made);
        planRunEntries(*made);
        return std::make_shared<const RunPlan>(std::move(*made));
    }

    static size_t entryOf(const RunPlan& plan, const std::string& source) {
        for (size_t i = 0; i < plan.entries.size(); ++i)
            if (plan.entries[i].source == source)
                return i;
        ADD_FAILURE() << "no entry " << source;
        return 0;
    }

    void organize(const RunPlan& plan, PathList unchosen) {
        controller.organizeWith(plan.sources, plan.toPath, plan.rules, std::move(unchosen));
        for (int i = 0; i < 10000 && timers.hasTimers(); ++i) {
            timers.fireAll();
            if (timers.hasTimers())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(timers.hasTimers());
    }

    test::FakeMainView view;
    std::string destination = tmp / "Sorted";
};

TEST_F(SidecarChoiceTest, ASidecarIsPlacedWithItsPhoto) {
    const std::shared_ptr<const RunPlan> planned = plan();
    for (const char* name : {"IMG_1.xmp", "IMG_1.CR2.xmp", "IMG_2.XMP", "MVI_3.THM"}) {
        const PlannedEntry& entry = planned->entries[entryOf(*planned, source(name))];
        ASSERT_TRUE(entry.plan) << name;
        EXPECT_EQ(entry.plan->dateFolder, "2005") << name;
        EXPECT_EQ(entry.plan->datedBy, DatedBy::Modified) << name << ": as its photo is";
    }
}

TEST_F(SidecarChoiceTest, ASidecarIsChosenAndLeftOutWithItsPhoto) {
    const std::shared_ptr<const RunPlan> planned = plan();
    PlanChoice choice(planned);
    const size_t raw = entryOf(*planned, source("IMG_1.CR2")),
                 jpeg = entryOf(*planned, source("IMG_1.JPG")),
                 xmp = entryOf(*planned, source("IMG_1.xmp")),
                 rawXmp = entryOf(*planned, source("IMG_1.CR2.xmp")),
                 other = entryOf(*planned, source("IMG_2.XMP"));
    struct Step {
        const char* what;
        size_t entry;
        bool chosen;
        bool othersChanged;
        std::vector<bool> expected; // raw, jpeg, xmp, rawXmp, other
    };
    const Step steps[] = {
        {"the RAW left out takes its sidecars",
         raw,
         false,
         true,
         {false, true, false, false, true}},
        {"a sidecar's box stands for its photo's", xmp, true, true, {true, true, true, true, true}},
        {"the JPEG of a pair is chosen on its own",
         jpeg,
         false,
         false,
         {true, false, true, true, true}},
        {"a sidecar left out takes its photo",
         rawXmp,
         false,
         true,
         {false, false, false, false, true}},
        {"nothing else changes", raw, false, false, {false, false, false, false, true}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(choice.setChosen(step.entry, step.chosen), step.othersChanged);
        const std::vector<bool> now = {choice.chosen(raw), choice.chosen(jpeg), choice.chosen(xmp),
                                       choice.chosen(rawXmp), choice.chosen(other)};
        EXPECT_EQ(now, step.expected);
    }
}

// "New Only" leaves out a photo whose name is taken, and its sidecar with it, though the
// sidecar's own name is free; a folder's box takes its sidecars as its files.
TEST_F(SidecarChoiceTest, ChoosingNewOnlyOrAFolderKeepsSidecarsWithTheirPhotos) {
    writeFile(destination + "/2005/IMG_2.jpg", "another photo of that name");
    const std::shared_ptr<const RunPlan> planned = plan();
    PlanChoice choice(planned);
    const size_t photo = entryOf(*planned, source("IMG_2.jpg")),
                 sidecar = entryOf(*planned, source("IMG_2.XMP")),
                 raw = entryOf(*planned, source("IMG_1.CR2"));
    choice.chooseNewOnly();
    EXPECT_FALSE(choice.chosen(photo));
    EXPECT_FALSE(choice.chosen(sidecar));
    EXPECT_TRUE(choice.chosen(raw));
    choice.setFolderChosen(0, true);
    EXPECT_TRUE(choice.chosen(photo));
    EXPECT_TRUE(choice.chosen(sidecar));
}

// The run itself keeps them together too, whoever left the photo out.
TEST_F(SidecarChoiceTest, ARunLeavesOutTheSidecarsOfAPhotoNotChosen) {
    const std::shared_ptr<const RunPlan> planned = plan();
    organize(*planned, {source("IMG_2.jpg"), source("MVI_3.MOV")});
    const RunResult& result = report.result();
    for (const char* name : {"IMG_2.jpg", "IMG_2.XMP", "MVI_3.MOV", "MVI_3.THM"})
        EXPECT_EQ(result.resSkippedDict.at(source(name)), "Not chosen in the preview") << name;
    for (const char* name : {"IMG_1.CR2", "IMG_1.JPG", "IMG_1.xmp", "IMG_1.CR2.xmp"})
        EXPECT_TRUE(exists(destination + "/2005/" + name)) << name;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(destination),
                            std::filesystem::directory_iterator()),
              1)
        << "no folder of today";
}

} // namespace
} // namespace orvane
