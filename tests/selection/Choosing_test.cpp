#include "app/Controller.h"
#include "base/Paths.h"
#include "platform/ManualTimerService.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "report/ReportController.h"
#include "selection/Selection.h"
#include "support/ControllerRig.h"
#include "support/Fakes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

class ChoosingTest : public ::testing::Test, protected test::ControllerRig {
  protected:
    ChoosingTest() { controller.setMainView(&view); }

    test::FakeMainView view;
};

TEST_F(ChoosingTest, SourcePanelTakesFilesAndFoldersAndShowsThem) {
    fakes.panels.answer = PathList{"/photos/Trip", "/photos/b.jpg"};
    controller.pickFrom();

    ASSERT_EQ(fakes.panels.shown.size(), 1u);
    const OpenPanelOptions& options = fakes.panels.shown[0];
    EXPECT_EQ(options.title, "Select Copy From");
    EXPECT_TRUE(options.allowsMultipleSelection);
    EXPECT_TRUE(options.canChooseFiles);
    EXPECT_TRUE(options.canChooseDirectories);
    EXPECT_EQ(options.directory, homeDirectory());
    EXPECT_EQ(controller.fromPaths(), (PathList{"/photos/Trip", "/photos/b.jpg"}));
    EXPECT_EQ(view.fromField, "2 files");
    EXPECT_EQ(view.from.names, controller.fromPaths());
}

TEST_F(ChoosingTest, DestinationPanelTakesOneFolder) {
    fakes.panels.answer = PathList{"/Volumes/Dest/Sorted"};
    controller.pickTo();
    const OpenPanelOptions& options = fakes.panels.shown.at(0);
    EXPECT_EQ(options.title, "Select Organize Into");
    EXPECT_FALSE(options.allowsMultipleSelection);
    EXPECT_FALSE(options.canChooseFiles);
    EXPECT_TRUE(options.canChooseDirectories);
    EXPECT_EQ(controller.toPath(), "/Volumes/Dest/Sorted");
    EXPECT_EQ(view.toField, "Sorted");
    EXPECT_EQ(view.to.names, PathList{"/Volumes/Dest/Sorted"});
}

TEST_F(ChoosingTest, CancelledPanelsChangeNothing) {
    controller.setFromPaths({"/a"});
    controller.setToPath("/b");
    fakes.panels.answer.reset();
    controller.pickFrom();
    controller.pickTo();
    EXPECT_EQ(controller.fromPaths(), PathList{"/a"});
    EXPECT_EQ(controller.toPath(), "/b");
}

TEST_F(ChoosingTest, DuringARunChoosingOnlyBeeps) {
    setMergeState(kMergeRunning);
    fakes.panels.answer = PathList{"/x"};
    controller.pickFrom();
    controller.pickTo();
    EXPECT_EQ(fakes.beeper.beeps, 2);
    EXPECT_TRUE(fakes.panels.shown.empty());
    EXPECT_TRUE(controller.fromPaths().empty());
    setMergeState(kMergeIdle);
}

TEST_F(ChoosingTest, SourceDescriptions) {
    EXPECT_EQ(controller.fromPathDescriptionIncludingPrefix(false), "");
    EXPECT_EQ(controller.fromPathDescriptionIncludingPrefix(true), "");
    controller.setFromPaths({"/Users/a/Pictures/Trip"});
    EXPECT_EQ(view.fromField, "Trip");
    EXPECT_EQ(controller.fromPathDescriptionIncludingPrefix(true), "/Users/a/Pictures/Trip");
    controller.setFromPaths({"/Users/a/One", "/Users/a/Two"});
    EXPECT_EQ(controller.fromPathDescriptionIncludingPrefix(true), "2 files");
}

TEST_F(ChoosingTest, WellActionsSetTheSelectionAndAnEqualListKeepsTheImage) {
    test::FakeWell dropped;
    dropped.names = {"/one", "/two", "/three"};
    controller.fromSpecified(dropped);
    EXPECT_EQ(controller.fromPaths(), dropped.names);
    EXPECT_EQ(view.from.imageChanges, 1);
    controller.setFromPaths(dropped.names);
    EXPECT_EQ(view.from.imageChanges, 1);

    dropped.names = {"/dest"};
    controller.toSpecified(dropped);
    EXPECT_EQ(controller.toPath(), "/dest");
    EXPECT_EQ(view.toField, "dest");
}

TEST_F(ChoosingTest, DropRuleForBothWells) {
    const std::string folder = tmp / "folder";
    const std::string file = tmp / "file.txt";
    std::filesystem::create_directories(folder);
    test::writeFile(file, "x");

    EXPECT_TRUE(controller.well(view.from, {file, folder, tmp / "gone"}));
    EXPECT_TRUE(controller.well(view.to, {folder}));
    EXPECT_FALSE(controller.well(view.to, {file}));
    EXPECT_FALSE(controller.well(view.to, {folder, folder}));
    EXPECT_FALSE(controller.well(view.to, {tmp / "gone"}));
    EXPECT_FALSE(controller.well(view.to, {}));

    setMergeState(kMergeRunning);
    EXPECT_FALSE(controller.well(view.from, {file}));
    EXPECT_FALSE(controller.well(view.to, {folder}));
    for (int state : {kMergeCancelRequested, kMergeCancelled})
        EXPECT_FALSE(well(state, WellRole::From, {file}));
    setMergeState(kMergeIdle);
}

TEST_F(ChoosingTest, DestinationWellFollowsLinksToFolders) {
    const std::string folder = tmp / "folder";
    std::filesystem::create_directories(folder);
    std::filesystem::create_directory_symlink(folder, tmp / "link");
    EXPECT_TRUE(well(kMergeIdle, WellRole::To, {tmp / "link"}));
}

} // namespace
} // namespace orvane
