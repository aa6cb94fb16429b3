#include "merge/RunDestinations.h"
#include "platform/UserDefaults.h"
#include "prefs/DateRendering.h"
#include "prefs/Defaults.h"
#include "prefs/FakePrefsView.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "prefs/PrefsController.h"
#include "selection/SelectionTestSupport.h"
#include "support/Fakes.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using ::testing::ElementsAre;

class PrefsWindowTest : public ::testing::Test {
  protected:
    PrefsWindowTest() : store(tmp / "prefs.json"), controller(store, services()), view(controller) {
        controller.registerDefaults();
        controller.setView(&view);
        controller.setDateLocale(std::make_unique<DateLocale>("C"));
        controller.setClock([] { return test::localTime(2004, 8, 9); });
    }
    PlatformServices services() {
        PlatformServices s;
        s.beeper = &beeper;
        s.alerts = &alerts;
        s.panels = &panels;
        return s;
    }
    StringList stored(const char* key) { return store.stringArrayForKey(key).value(); }
    std::vector<bool> buttonsOn() { return {view.buttons[1], view.buttons[2], view.buttons[3]}; }

    test::TempDir tmp;
    UserDefaults store;
    test::CountingBeeper beeper;
    test::RecordingAlerts alerts;
    test::FakeOpenPanel panels;
    PrefsController controller;
    test::FakePrefsView view;
};

TEST_F(PrefsWindowTest, PlaceholderRowsAreNotStored) {
    store.setObject(keys::kCopyFilePatterns, StringList{"*.jpg"});
    controller.showPreferences();
    EXPECT_TRUE(view.open);
    view.tab = kFileCopyingRulesTab;
    controller.addClicked();
    controller.addClicked();
    EXPECT_THAT(controller.copyFilePatternArray(),
                ElementsAre("*.jpg", "new pattern", "new pattern"));
    EXPECT_EQ(view.rows[PatternTable::CopyFiles], 3u);
    EXPECT_TRUE(controller.intactPatternArray().empty());

    controller.saveClicked();
    EXPECT_THAT(stored(keys::kCopyFilePatterns), ElementsAre("*.jpg"));
    EXPECT_FALSE(view.open);
    // Saved to disk at once.
    EXPECT_THAT(UserDefaults(tmp / "prefs.json").stringArrayForKey(keys::kCopyFilePatterns).value(),
                ElementsAre("*.jpg"));
}

TEST_F(PrefsWindowTest, APatternTypedAsThePlaceholderIsDroppedToo) {
    controller.showPreferences();
    controller.addClicked(); // on the Folders tab: the intact-folder list
    controller.addClicked();
    view.edit = {{PatternTable::IntactFolders, 0, "Library"}};
    controller.saveClicked();
    EXPECT_THAT(stored(keys::kIntactFolderPatterns), ElementsAre("Library"));

    controller.showPreferences();
    controller.addClicked();
    view.edit = {{PatternTable::IntactFolders, 1, "new pattern"}};
    controller.saveClicked();
    EXPECT_THAT(stored(keys::kIntactFolderPatterns), ElementsAre("Library"));
}

TEST_F(PrefsWindowTest, AnIntactFolderListThatDoesNotCompileStopsTheSave) {
    store.setObject(keys::kCopyFilePatterns, StringList{"*.jpg"});
    controller.showPreferences();
    controller.addClicked();
    controller.setObjectValue(PatternTable::IntactFolders, 0, "/[/");
    view.tab = kFileCopyingRulesTab;
    controller.addClicked();
    controller.addClicked();
    view.edit = {{PatternTable::CopyFiles, 2, "/(/"}}; // still being edited
    view.buttons = {{1, false}, {2, false}, {3, true}};
    view.hiddenFiles = false;
    test::LogCapture log;
    controller.saveClicked();

    // One alert, for the intact-folder list: the copy-file list, broken too, is not compiled.
    ASSERT_EQ(alerts.calls.size(), 1u);
    EXPECT_EQ(alerts.calls[0].title, "Pattern Error");
    EXPECT_THAT(alerts.calls[0].message,
                ::testing::StartsWith("The pattern matching system had trouble preparing the "
                                      "folder copying patterns for use."));
    EXPECT_TRUE(log.contains("Error preparing folder copying patterns"));
    EXPECT_FALSE(log.contains("file copying"));
    EXPECT_TRUE(view.open);
    EXPECT_EQ(store.integerForKey(keys::kDirLevels), 1);
    EXPECT_FALSE(store.boolForKey(keys::kCopyHiddenFiles));
    EXPECT_TRUE(stored(keys::kIntactFolderPatterns).empty());
    EXPECT_THAT(stored(keys::kCopyFilePatterns), ElementsAre("*.jpg"));
    // The placeholder is gone from the list, and the table was told so.
    EXPECT_THAT(controller.copyFilePatternArray(), ElementsAre("*.jpg", "/(/"));
    EXPECT_EQ(view.rows[PatternTable::CopyFiles], 2u);
    EXPECT_EQ(view.rows[PatternTable::IntactFolders], 1u);

    // With the intact-folder list corrected, the copy-file list is the one refused.
    controller.setObjectValue(PatternTable::IntactFolders, 0, "/[a-z]+\\.app/");
    controller.saveClicked();
    ASSERT_EQ(alerts.calls.size(), 2u);
    EXPECT_THAT(alerts.calls[1].message, ::testing::HasSubstr("the file copying patterns"));
    EXPECT_TRUE(view.open);
    EXPECT_TRUE(stored(keys::kIntactFolderPatterns).empty());

    controller.setObjectValue(PatternTable::CopyFiles, 1, "*.CR2");
    controller.saveClicked();
    EXPECT_EQ(alerts.calls.size(), 2u);
    EXPECT_FALSE(view.open);
    EXPECT_THAT(stored(keys::kIntactFolderPatterns), ElementsAre("/[a-z]+\\.app/"));
    EXPECT_THAT(stored(keys::kCopyFilePatterns), ElementsAre("*.jpg", "*.CR2"));
    EXPECT_EQ(store.integerForKey(keys::kDirLevels), 3);
}

TEST_F(PrefsWindowTest, ASaveLogsTheTranslationOfBothSavedLists) {
    store.setObject(keys::kIntactFolderPatterns, StringList{"Library"});
    store.setObject(keys::kCopyFilePatterns, StringList{"*.jpg"});
    controller.showPreferences();
    test::LogCapture log;
    controller.saveClicked();
    const std::string text = log.text();
    const std::string intact = "Assembed regular expression: '^(Library)$'";
    const std::string copy = "Assembed regular expression: '^(.+\\.jpg)$'";
    // Once each while compiling, once each after storing.
    auto count = [&](const std::string& line) {
        size_t n = 0;
        for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count(intact), 2u);
    EXPECT_EQ(count(copy), 2u);
    EXPECT_GT(text.rfind(intact), text.find(copy));
}

TEST_F(PrefsWindowTest, TheHiddenFileCheckboxMeansSkipHiddenFiles) {
    controller.showPreferences();
    EXPECT_TRUE(view.hiddenFiles) << "OVCopyHiddenFiles NO shows the checkbox on";
    EXPECT_TRUE(view.useExif);
    controller.saveClicked();
    EXPECT_EQ(store.objectForKey(keys::kCopyHiddenFiles), PrefValue(false));

    controller.showPreferences();
    view.hiddenFiles = false;
    view.useExif = false;
    controller.saveClicked();
    EXPECT_TRUE(store.boolForKey(keys::kCopyHiddenFiles));
    EXPECT_FALSE(store.boolForKey(keys::kUseExifData));
    controller.showPreferences();
    EXPECT_FALSE(view.hiddenFiles);
    EXPECT_FALSE(view.useExif);
}

TEST_F(PrefsWindowTest, TheLevelCountStoredIsTheHighestButtonOn) {
    controller.showPreferences();
    view.buttons = {{1, true}, {2, true}, {3, true}};
    controller.saveClicked();
    EXPECT_EQ(store.integerForKey(keys::kDirLevels), 3);
    controller.showPreferences();
    EXPECT_THAT(buttonsOn(), ElementsAre(false, false, true));
    view.buttons = {{1, true}, {2, true}, {3, false}};
    controller.saveClicked();
    EXPECT_EQ(store.integerForKey(keys::kDirLevels), 2);
    // No button on (a level count from outside the application) saves one level.
    store.setInteger(keys::kDirLevels, 7);
    controller.showPreferences();
    EXPECT_THAT(buttonsOn(), ElementsAre(false, false, false));
    controller.saveClicked();
    EXPECT_EQ(store.integerForKey(keys::kDirLevels), 1);
}

TEST_F(PrefsWindowTest, AStoredFormatLeavingTheDestinationIsNotSaved) {
    store.setObject(keys::kThreeLevelDateFormat, std::string("../../%Y/%m/%d"));
    controller.showPreferences();
    view.buttons = {{1, false}, {2, false}, {3, true}};
    view.hiddenFiles = false;
    controller.saveClicked();

    ASSERT_EQ(alerts.calls.size(), 1u);
    EXPECT_EQ(alerts.calls[0].title, "Folder Format Error");
    EXPECT_THAT(alerts.calls[0].message,
                ::testing::HasSubstr("The folder format doesn't give a folder inside the "
                                     "destination"));
    EXPECT_TRUE(view.open);
    EXPECT_FALSE(store.boolForKey(keys::kCopyHiddenFiles)) << "nothing is stored";

    view.pick(3, "2004/08/09");
    controller.saveClicked();
    EXPECT_FALSE(view.open);
    EXPECT_EQ(store.stringForKey(keys::kThreeLevelDateFormat), "%Y/%m/%d");
}

// The "File names" section: presets fill the field, the sample follows it, a template with an
// unknown token is refused, and what is saved opens again.
TEST_F(PrefsWindowTest, FileNamesRoundTrip) {
    controller.showPreferences();
    EXPECT_EQ(view.nameTemplate, "");
    EXPECT_EQ(view.scope, "run");
    EXPECT_EQ(view.nameSample, "IMG_0042.JPG") << "original names by default";

    controller.namePresetPicked(3); // Date-sequence
    EXPECT_EQ(view.nameTemplate, "%Y%m%d-{seq:4}");
    EXPECT_EQ(view.nameSample, "20040809-0001.JPG");
    view.nameTemplate = "{camera} {nmae}";
    controller.nameTemplateEdited();
    EXPECT_EQ(view.nameSample, "Unknown token \"{nmae}\" in the template \"{camera} {nmae}\"");
    controller.saveClicked();
    ASSERT_EQ(alerts.calls.size(), 1u);
    EXPECT_EQ(alerts.calls[0].title, "File Name Error");
    EXPECT_TRUE(view.open);

    view.nameTemplate = "{job}-{name}.{ext}";
    view.scope = "stored";
    controller.saveClicked();
    EXPECT_FALSE(view.open);
    EXPECT_EQ(store.stringForKey(keys::kNameTemplate), "{job}-{name}.{ext}");
    EXPECT_EQ(store.stringForKey(keys::kSequenceScope), "stored");
    view.nameTemplate.clear();
    controller.showPreferences();
    EXPECT_EQ(view.nameTemplate, "{job}-{name}.{ext}");
    EXPECT_EQ(view.scope, "stored");
    EXPECT_EQ(view.nameSample, "Job-IMG_0042.jpg");
}

// The typed folder template wins over the levels' format; videos go apart once a folder is
// chosen for them, with their own template; all of it is stored and shown again.
TEST_F(PrefsWindowTest, FolderTemplateAndVideoDestinationRoundTrip) {
    controller.showPreferences();
    EXPECT_EQ(view.folderSample, "2004-08-09");
    EXPECT_EQ(view.videoSample, "2004-08-09") << "videos follow the other files by default";
    view.folderTemplate = "%Y/{job}/{kind}";
    view.videoTemplate = "../%Y";
    controller.folderTemplateEdited();
    EXPECT_EQ(view.folderSample, "2004/Job/Photos");
    EXPECT_EQ(view.videoSample, "The folder format doesn't give a folder inside the destination");
    controller.saveClicked();
    ASSERT_EQ(alerts.calls.size(), 1u);
    EXPECT_EQ(alerts.calls[0].title, "Folder Format Error");

    view.videoTemplate = "{kind}/%Y";
    panels.answer = std::vector<std::string>{"/media/videos"};
    controller.chooseVideoDestinationClicked();
    EXPECT_EQ(view.videoDestination, "/media/videos");
    EXPECT_EQ(view.videoSample, "Videos/2004");
    controller.saveClicked();
    EXPECT_FALSE(view.open);
    EXPECT_EQ(store.stringForKey(keys::kFolderTemplate), "%Y/{job}/{kind}");
    EXPECT_EQ(store.stringForKey(keys::kVideoDestination), "/media/videos");
    EXPECT_EQ(store.stringForKey(keys::kVideoFolderFormat), "{kind}/%Y");
    EXPECT_EQ(dirFormat(store), "%Y/{job}/{kind}");
    EXPECT_EQ(store.stringForKey(keys::kOneLevelDateFormat), "%Y-%m-%d") << "the menus' stay";

    view.folderTemplate = view.videoDestination = view.videoTemplate = "";
    controller.showPreferences();
    EXPECT_EQ(view.folderTemplate, "%Y/{job}/{kind}");
    EXPECT_EQ(view.videoDestination, "/media/videos");
    EXPECT_EQ(view.videoTemplate, "{kind}/%Y");
}

TEST_F(PrefsWindowTest, CancelStoresNothingAndReopeningShowsTheStoredValues) {
    store.setObject(keys::kIntactFolderPatterns, StringList{"Library"});
    controller.showPreferences();
    view.buttons = {{1, false}, {2, false}, {3, true}};
    view.pick(1, "09 August 2004");
    view.hiddenFiles = false;
    view.matchingMode = kOnlyMatching;
    controller.addClicked();
    controller.setObjectValue(PatternTable::IntactFolders, 0, "Photos Library");
    controller.cancelClicked();
    EXPECT_FALSE(view.open);

    EXPECT_EQ(store.integerForKey(keys::kDirLevels), 1);
    EXPECT_THAT(stored(keys::kIntactFolderPatterns), ElementsAre("Library"));
    controller.showPreferences();
    EXPECT_TRUE(view.buttons[1]);
    EXPECT_FALSE(view.buttons[3]);
    EXPECT_EQ(view.selectedTitle(1), "2004-08-09");
    EXPECT_TRUE(view.hiddenFiles);
    EXPECT_EQ(view.matchingMode, kAllExceptMatching);
    EXPECT_THAT(controller.intactPatternArray(), ElementsAre("Library"));
    EXPECT_EQ(view.rows[PatternTable::IntactFolders], 1u);
}

TEST_F(PrefsWindowTest, DeleteActsOnTheChosenTabsListAndBeepsWithoutASelection) {
    store.setObject(keys::kIntactFolderPatterns, StringList{"A", "B"});
    store.setObject(keys::kCopyFilePatterns, StringList{"*.jpg", "*.png"});
    controller.showPreferences();

    controller.deleteClicked();
    EXPECT_EQ(beeper.beeps, 1);
    EXPECT_THAT(controller.intactPatternArray(), ElementsAre("A", "B"));

    view.tab = "General";
    view.selectedRows[PatternTable::IntactFolders] = 0;
    controller.deleteClicked();
    EXPECT_THAT(controller.intactPatternArray(), ElementsAre("B"));
    EXPECT_EQ(view.rows[PatternTable::IntactFolders], 1u);

    view.tab = kFileCopyingRulesTab;
    controller.deleteClicked();
    EXPECT_EQ(beeper.beeps, 2);
    view.selectedRows[PatternTable::CopyFiles] = 1;
    controller.deleteClicked();
    EXPECT_THAT(controller.copyFilePatternArray(), ElementsAre("*.jpg"));
    // A selection the list no longer has deletes nothing.
    controller.deleteClicked();
    EXPECT_EQ(beeper.beeps, 3);
    EXPECT_THAT(controller.copyFilePatternArray(), ElementsAre("*.jpg"));
}

TEST_F(PrefsWindowTest, DeleteEndsTheEditFirst) {
    store.setObject(keys::kCopyFilePatterns, StringList{"*.jpg", "*.png"});
    controller.showPreferences();
    view.tab = kFileCopyingRulesTab;
    view.edit = {{PatternTable::CopyFiles, 1, "*.tif"}};
    view.selectedRows[PatternTable::CopyFiles] = 0;
    controller.deleteClicked();
    EXPECT_THAT(controller.copyFilePatternArray(), ElementsAre("*.tif"));
}

TEST_F(PrefsWindowTest, TheTablesNeverReachBeyondTheirLists) {
    store.setObject(keys::kIntactFolderPatterns, StringList{"A"});
    controller.showPreferences();
    EXPECT_EQ(controller.numberOfRowsInTableView(PatternTable::IntactFolders), 1u);
    EXPECT_EQ(controller.objectValue(PatternTable::IntactFolders, 0), "A");
    EXPECT_EQ(controller.objectValue(PatternTable::IntactFolders, 1), "");
    controller.setObjectValue(PatternTable::IntactFolders, 1, "late edit");
    controller.setObjectValue(PatternTable::CopyFiles, 0, "late edit");
    EXPECT_THAT(controller.intactPatternArray(), ElementsAre("A"));
    EXPECT_TRUE(controller.copyFilePatternArray().empty());
}

TEST_F(PrefsWindowTest, TheMatchingModeIsStoredByItsTitle) {
    controller.showPreferences();
    EXPECT_EQ(view.matchingMode, kAllExceptMatching) << "the registered default";
    EXPECT_FALSE(controller.filePatternMatchAcceptsCopy());
    view.matchingMode = kOnlyMatching;
    controller.saveClicked();
    EXPECT_EQ(store.stringForKey(keys::kMatchingMode), kOnlyMatching);
    EXPECT_TRUE(controller.filePatternMatchAcceptsCopy());

    // A title of no item means "all except those that match" and is shown as that item,
    // so that saving keeps the meaning.
    store.setObject(keys::kMatchingMode, std::string("Only files that match:"));
    controller.showPreferences();
    EXPECT_EQ(view.matchingMode, kAllExceptMatching);
}

TEST_F(PrefsWindowTest, SavedSettingsAreWhatTheMergeReadsNext) {
    controller.showPreferences();
    EXPECT_TRUE(view.skipIdentical);
    EXPECT_FALSE(view.keepBoth);
    EXPECT_EQ(view.copies, 0);
    EXPECT_EQ(view.zone, "");
    EXPECT_EQ(view.dayStart, 0);
    EXPECT_NE(std::find(view.zoneChoices.begin(), view.zoneChoices.end(), "Asia/Bangkok"),
              view.zoneChoices.end());
    view.buttons = {{1, false}, {2, true}, {3, false}};
    view.pick(2, "2004/August");
    view.skipIdentical = false;
    view.keepBoth = true;
    view.copies = 2;
    view.zone = "Asia/Bangkok";
    view.dayStart = 4 * 3600 + 30 * 60;
    EXPECT_TRUE(view.backupChoices.empty());
    view.backupChoices = {{"/media/backup", true}, {"/media/away", false}};
    controller.saveClicked();
    EXPECT_EQ(runDestinationsOf(store, "/pictures").backups, PathList{"/media/backup"});
    controller.showPreferences();
    EXPECT_EQ(view.backupChoices, (std::vector<PrefsView::BackupChoice>{{"/media/backup", true},
                                                                        {"/media/away", false}}));
    EXPECT_EQ(store.stringForKey(keys::kShootTimeZone), "Asia/Bangkok");
    EXPECT_EQ(store.stringForKey(keys::kDayStartsAt), "04:30");
    EXPECT_FALSE(store.boolForKey(keys::kSkipIdenticalFiles));
    EXPECT_TRUE(store.boolForKey(keys::kKeepBothOnNameClash));
    EXPECT_EQ(store.integerForKey(keys::kParallelCopies), 2);
    EXPECT_EQ(store.integerForKey(keys::kDirLevels), 2);
    EXPECT_EQ(controller.dirFormat(), "%Y/%B");
    EXPECT_EQ(store.stringForKey(keys::kOneLevelDateFormat), "%Y-%m-%d");
    EXPECT_EQ(store.stringForKey(keys::kThreeLevelDateFormat), "%Y/%m/%d");

    // A number beyond the offered ones is shown as the most offered and kept when unchanged.
    store.setInteger(keys::kParallelCopies, 8);
    controller.showPreferences();
    EXPECT_EQ(view.copies, 4);
    controller.saveClicked();
    EXPECT_EQ(store.integerForKey(keys::kParallelCopies), 8);
}

} // namespace
} // namespace orvane
