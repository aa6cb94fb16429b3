#include "platform/UserDefaults.h"
#include "prefs/DateRendering.h"
#include "prefs/FakePrefsView.h"
#include "prefs/FolderFormats.h"
#include "prefs/PrefKeys.h"
#include "prefs/PrefsController.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using ::testing::ElementsAre;

// The menus as the window opens on a given date, in the C locale.
class FolderFormatsTest : public ::testing::Test {
  protected:
    FolderFormatsTest() : store(tmp / "prefs.json"), controller(store, {}), view(controller) {
        controller.registerDefaults();
        controller.setView(&view);
        controller.setDateLocale(std::make_unique<DateLocale>("C"));
        openOn(test::localTime(2004, 8, 9, 10, 30)); // a Monday
    }
    void openOn(time_t date) {
        controller.setClock([date] { return date; });
        controller.showPreferences();
    }

    test::TempDir tmp;
    UserDefaults store;
    PrefsController controller;
    test::FakePrefsView view;
};

TEST_F(FolderFormatsTest, DefaultsGiveTheOfferedItemsWithTheStoredOnesSelected) {
    EXPECT_THAT(view.titles(1),
                ElementsAre("2004-08-09", "2004-08-09 Mon", "2004-August-09", "2004-August-09 Mon",
                            "August 09, 2004", "Mon August 09, 2004", "09 August 2004",
                            "Mon 09 August 2004"));
    EXPECT_THAT(view.titles(2),
                ElementsAre("[Create one folder per day:]", "2004/08-09", "2004/08-09 Mon",
                            "2004/August 09", "2004/August 09 Mon", "2004/09 August",
                            "2004/09 August Mon", "2004/2004-08-09", "2004/2004-08-09 Mon", "-",
                            "[Create one folder per month:]", "2004/August", "2004/Aug",
                            "2004/08"));
    EXPECT_THAT(view.titles(3),
                ElementsAre("2004/08/09", "2004/08/09 Mon", "2004/August/09", "2004/August/09 Mon",
                            "2004/Aug/09", "2004/Aug/09 Mon"));
    EXPECT_EQ(view.selectedTitle(1), "2004-08-09");
    EXPECT_EQ(view.selectedTitle(2), "2004/08-09");
    EXPECT_EQ(view.selectedTitle(3), "2004/08/09");

    // Every format item maps back to its own format.
    EXPECT_EQ(controller.oneLevelDateFormatDict().at("Mon 09 August 2004"), "%a %d %B %Y");
    EXPECT_EQ(controller.twoLevelDateFormatDict().at("2004/Aug"), "%Y/%b");
    EXPECT_EQ(controller.threeLevelDateFormatDict().at("2004/Aug/09 Mon"), "%Y/%b/%d %a");
    EXPECT_EQ(controller.twoLevelDateFormatDict().size(), 11u);
}

TEST_F(FolderFormatsTest, AStoredFormatThatIsNotOfferedIsAddedWhereItBelongs) {
    store.setObject(keys::kOneLevelDateFormat, std::string("%Y_%m"));
    store.setObject(keys::kTwoLevelDateFormat, std::string("%Y/%m %d"));
    store.setObject(keys::kThreeLevelDateFormat, std::string("%Y/%m/%d (%H)"));
    controller.showPreferences();
    ASSERT_EQ(view.titles(1).size(), 9u);
    EXPECT_EQ(view.titles(1).back(), "2004_08");
    EXPECT_EQ(view.selectedTitle(1), "2004_08");
    EXPECT_EQ(controller.oneLevelDateFormatDict().at("2004_08"), "%Y_%m");
    // Holding "%d", it ends the day section, before the separator.
    ASSERT_EQ(view.titles(2).size(), 15u);
    EXPECT_EQ(view.titles(2)[9], "2004/08 09");
    EXPECT_EQ(view.titles(2)[10], "-");
    EXPECT_EQ(view.selectedTitle(2), "2004/08 09");
    EXPECT_EQ(view.titles(3).back(), "2004/08/09 (10)");

    store.setObject(keys::kTwoLevelDateFormat, std::string("%Y/%y"));
    controller.showPreferences();
    ASSERT_EQ(view.titles(2).size(), 15u);
    EXPECT_EQ(view.titles(2)[9], "-");
    EXPECT_EQ(view.titles(2).back(), "2004/04");
    EXPECT_EQ(view.selectedTitle(2), "2004/04");
    EXPECT_EQ(controller.twoLevelDateFormatDict().at("2004/04"), "%Y/%y");
}

TEST_F(FolderFormatsTest, AStoredFormatThatIsOfferedAddsNothing) {
    store.setObject(keys::kTwoLevelDateFormat, std::string("%Y/%b"));
    controller.showPreferences();
    EXPECT_EQ(view.titles(2).size(), 14u);
    EXPECT_EQ(view.selectedTitle(2), "2004/Aug");
}

TEST_F(FolderFormatsTest, InMayTheLaterOfTwoEqualTitlesStandsForBoth) {
    store.setObject(keys::kThreeLevelDateFormat, std::string("%Y/%B/%d"));
    openOn(test::localTime(2004, 5, 10, 9)); // a Monday in May
    EXPECT_THAT(view.titles(2),
                ElementsAre("[Create one folder per day:]", "2004/05-10", "2004/05-10 Mon",
                            "2004/May 10", "2004/May 10 Mon", "2004/10 May", "2004/10 May Mon",
                            "2004/2004-05-10", "2004/2004-05-10 Mon", "-",
                            "[Create one folder per month:]", "2004/May", "2004/05"));
    EXPECT_EQ(controller.twoLevelDateFormatDict().at("2004/May"), "%Y/%b");
    EXPECT_THAT(view.titles(3),
                ElementsAre("2004/05/10", "2004/05/10 Mon", "2004/May/10", "2004/May/10 Mon"));
    EXPECT_EQ(controller.threeLevelDateFormatDict().at("2004/May/10 Mon"), "%Y/%b/%d %a");

    // The stored %B format selects its title, and saving that item stores the %b format.
    EXPECT_EQ(view.selectedTitle(3), "2004/May/10");
    view.buttons = {{1, false}, {2, false}, {3, true}};
    controller.saveClicked();
    EXPECT_EQ(store.stringForKey(keys::kThreeLevelDateFormat), "%Y/%b/%d");
}

TEST_F(FolderFormatsTest, LevelChangedWithALevelButtonLeavesOnlyThatOneOnAndEnabled) {
    EXPECT_TRUE(view.buttons[1]);
    EXPECT_TRUE(view.pops[1].enabled);
    EXPECT_FALSE(view.pops[2].enabled);
    const int reloads = view.previewReloads;

    view.buttons[2] = true; // the clicked button turns itself on
    controller.levelChanged(2);
    EXPECT_FALSE(view.buttons[1]);
    EXPECT_TRUE(view.buttons[2]);
    EXPECT_FALSE(view.buttons[3]);
    EXPECT_FALSE(view.pops[1].enabled);
    EXPECT_TRUE(view.pops[2].enabled);
    EXPECT_FALSE(view.pops[3].enabled);
    EXPECT_EQ(view.previewReloads, reloads + 1);
}

TEST_F(FolderFormatsTest, LevelChangedWithoutASenderChangesNoButton) {
    view.buttons = {{1, true}, {2, false}, {3, true}};
    controller.levelChanged(std::nullopt);
    EXPECT_TRUE(view.buttons[1]);
    EXPECT_TRUE(view.buttons[3]);
    // The last button that is on decides the enabling.
    EXPECT_FALSE(view.pops[1].enabled);
    EXPECT_TRUE(view.pops[3].enabled);

    // With no button on, the enabling stays as it was.
    view.buttons = {{1, false}, {2, false}, {3, false}};
    controller.levelChanged(std::nullopt);
    EXPECT_FALSE(view.pops[1].enabled);
    EXPECT_TRUE(view.pops[3].enabled);
}

TEST_F(FolderFormatsTest, PickingAFormatStoresNothingUntilSave) {
    const int reloads = view.previewReloads;
    view.pick(1, "Mon 09 August 2004");
    controller.folderNameFormatPicked();
    EXPECT_EQ(view.previewReloads, reloads + 1);
    EXPECT_EQ(controller.dirFormat(), "%Y-%m-%d");
    EXPECT_EQ(store.stringForKey(keys::kOneLevelDateFormat), "%Y-%m-%d");
    controller.saveClicked();
    EXPECT_EQ(controller.dirFormat(), "%a %d %B %Y");
}

TEST(FormatMenu, HeadingsAndSeparatorsHaveNoFormat) {
    FormatMenu menu;
    menu.addHeading("Create one folder per day:");
    menu.addFormat("2004", "%Y");
    menu.addSeparator();
    EXPECT_FALSE(menu.formatAt(0));
    EXPECT_EQ(menu.formatAt(1), "%Y");
    EXPECT_FALSE(menu.formatAt(2));
    EXPECT_FALSE(menu.formatAt(3));
    EXPECT_FALSE(menu.formatAt(std::nullopt));
    // A format titled like a heading is still found as the format.
    menu.addFormat("Create one folder per day:", "Create one folder per day:");
    EXPECT_EQ(menu.indexOfTitle("Create one folder per day:"), 3u);
}

} // namespace
} // namespace orvane
