#include "platform/UserDefaults.h"
#include "prefs/DateRendering.h"
#include "prefs/FakePrefsView.h"
#include "prefs/PrefKeys.h"
#include "prefs/PrefsController.h"
#include "prefs/PreviewTree.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using ::testing::ElementsAre;
using json = nlohmann::json;

json dated(const std::string& date, json children = nullptr) {
    json item = {{"label", date}, {"decode", true}};
    if (!children.is_null())
        item["children"] = std::move(children);
    return item;
}
json plain(const std::string& label, json children = nullptr) {
    json item = {{"label", label}};
    if (!children.is_null())
        item["children"] = std::move(children);
    return item;
}
json photos(std::initializer_list<const char*> names) {
    json list = json::array();
    for (const char* name : names)
        list.push_back(plain(name));
    return list;
}

std::vector<std::string> shown(const PreviewItem& item) {
    std::vector<std::string> out;
    for (const PreviewItem& child : item.children.value())
        out.push_back(child.shownText());
    return out;
}

class PreviewTreeTest : public ::testing::Test {
  protected:
    PreviewItem decode(const json& item, int levels, const std::string& format) {
        return decodeAndSortFromItem(item, {locale, levels, format});
    }
    DateLocale locale{"C"};
};

TEST_F(PreviewTreeTest, TwoLevelsNameTheSecondLevelAndDropDuplicateMonths) {
    const json year = plain("2004", json::array({dated("2004/8/9", photos({"IMG_1.JPG"})),
                                                 dated("2004/8/20", photos({"IMG_2.JPG"})),
                                                 dated("2004/9/1", photos({"IMG_3.JPG"}))}));
    EXPECT_THAT(shown(decode(year, 2, "%Y/%m-%d")), ElementsAre("08-09", "08-20", "09-01"));

    const PreviewItem months = decode(year, 2, "%Y/%B");
    EXPECT_EQ(months.shownText(), "2004") << "an item without decode is never rendered";
    EXPECT_THAT(shown(months), ElementsAre("August", "September"));
    EXPECT_THAT(shown(months.children->at(0)), ElementsAre("IMG_1.JPG"));
    EXPECT_EQ(months.children->at(0).label, "2004/8/9");
}

TEST_F(PreviewTreeTest, ThreeLevelsNameMonthAndDayLevelsByTheDayFifteen) {
    const json year = plain(
        "2004",
        json::array({dated("2004/8/15", json::array({dated("2004/8/9"), dated("2004/8/20")}))}));
    const PreviewItem tree = decode(year, 3, "%Y/%b/%d %a");
    EXPECT_THAT(shown(tree), ElementsAre("Aug"));
    EXPECT_THAT(shown(tree.children->at(0)), ElementsAre("09 Mon", "20 Fri"));
}

TEST_F(PreviewTreeTest, OneLevelSortsByNameNotByDate) {
    const json root = plain("Photos", json::array({dated("2004/8/9"), dated("2004/12/1")}));
    EXPECT_THAT(shown(decode(root, 1, "%d %B %Y")),
                ElementsAre("01 December 2004", "09 August 2004"));
    // Plain byte order: upper case before lower case, digits before letters.
    const json mixed = plain("x", json::array({plain("b"), plain("B"), plain("10"), plain("9")}));
    EXPECT_THAT(shown(decode(mixed, 1, "%Y")), ElementsAre("10", "9", "B", "b"));
}

TEST_F(PreviewTreeTest, ADuplicateNameIsDroppedWithItsOwnChildren) {
    const json root = plain("Photos", json::array({dated("2004/8/9", photos({"A.JPG"})),
                                                   dated("2004/8/9", photos({"B.JPG", "C.JPG"})),
                                                   plain("09 August 2004")}));
    const PreviewItem tree = decode(root, 1, "%d %B %Y");
    ASSERT_EQ(tree.children->size(), 2u) << "an item without decode is never a duplicate";
    const PreviewItem& kept =
        tree.children->at(0).decode ? tree.children->at(0) : tree.children->at(1);
    EXPECT_THAT(shown(kept), ElementsAre("A.JPG"));
}

TEST_F(PreviewTreeTest, ShortDatesAndShortRenderingsShowAPlaceholder) {
    const json root =
        plain("Photos",
              json::array({dated("2004/8"), dated(""), dated("2004/8/9"), json{{"decode", 1}}}));
    EXPECT_THAT(shown(decode(root, 1, "%Y-%m-%d")), ElementsAre("2004-08-09", "?"));
    // A three-level format that renders two levels has no day level to show.
    const json month = dated("2004/8/15", json::array({dated("2004/8/9")}));
    const PreviewItem tree = decode(month, 3, "%Y/%m");
    EXPECT_EQ(tree.decode, "08");
    EXPECT_THAT(shown(tree), ElementsAre("?"));
    // Lenient numbers: spaces, signs and trailing text.
    EXPECT_THAT(shown(decode(plain("x", json::array({dated(" 2004/ +8/9th")})), 1, "%Y-%m-%d")),
                ElementsAre("2004-08-09"));
}

TEST(PreviewNumbers, LeadingIntValue) {
    EXPECT_EQ(leadingIntValue("  12abc"), 12);
    EXPECT_EQ(leadingIntValue("-3"), -3);
    EXPECT_EQ(leadingIntValue("+7"), 7);
    EXPECT_EQ(leadingIntValue("x1"), 0);
    EXPECT_EQ(leadingIntValue(""), 0);
    EXPECT_EQ(leadingIntValue("99999999999"), 2147483647);
}

TEST(PreviewResource, AnythingButAnObjectIsTheEmptyRoot) {
    EXPECT_EQ(parsePreviewResource(std::nullopt), json::object());
    EXPECT_EQ(parsePreviewResource(std::string("[1,2]")), json::object());
    EXPECT_EQ(parsePreviewResource(std::string("{\"label\": ")), json::object());
    DateLocale locale("C");
    const PreviewItem empty = decodeAndSortFromItem(json::object(), {locale, 1, "%Y"});
    EXPECT_FALSE(empty.label);
    EXPECT_FALSE(empty.children);
}

// The preview of the window, over the application's own sample trees.
class PreviewOutlineTest : public ::testing::Test {
  protected:
    PreviewOutlineTest() : store(tmp / "prefs.json"), controller(store, {}), view(controller) {
        controller.registerDefaults();
        controller.setView(&view);
        controller.setDateLocale(std::make_unique<DateLocale>("C"));
        controller.setClock([] { return test::localTime(2004, 8, 9); });
        controller.setResourceReader([](const std::string& name) -> std::optional<std::string> {
            const std::string path =
                std::string(ORVANE_REPO_DIR) + "/resources/preview/" + name + ".json";
            if (!test::exists(path))
                return std::nullopt;
            return test::readFile(path);
        });
    }
    void openWithLevels(int levels, const std::string& format) {
        store.setInteger(keys::kDirLevels, levels);
        store.setObject(levels == 1   ? keys::kOneLevelDateFormat
                        : levels == 2 ? keys::kTwoLevelDateFormat
                                      : keys::kThreeLevelDateFormat,
                        format);
        view.expanded.clear();
        controller.showPreferences();
    }

    test::TempDir tmp;
    UserDefaults store;
    PrefsController controller;
    test::FakePrefsView view;
};

TEST_F(PreviewOutlineTest, TheTopHoldsOneRowAndLeavesNeverOpen) {
    openWithLevels(1, "%Y-%m-%d");
    EXPECT_EQ(controller.numberOfChildrenOfItem(nullptr), 1u);
    const PreviewItem* root = controller.childOfItem(0, nullptr);
    EXPECT_EQ(root, &controller.previewDict());
    EXPECT_EQ(controller.objectValueForItem(nullptr), "Orvane");
    EXPECT_EQ(controller.objectValueForItem(root), "Photos");
    EXPECT_TRUE(controller.shouldExpandItem(nullptr));
    EXPECT_TRUE(controller.shouldExpandItem(root));

    const PreviewItem* day = controller.childOfItem(0, root);
    const PreviewItem* photo = controller.childOfItem(0, day);
    ASSERT_TRUE(photo);
    EXPECT_EQ(controller.numberOfChildrenOfItem(photo), 0u);
    EXPECT_TRUE(controller.isItemExpandable(photo));
    EXPECT_FALSE(controller.shouldExpandItem(photo));
    EXPECT_FALSE(controller.childOfItem(9, day));
}

TEST_F(PreviewOutlineTest, ThePreviewOpensDownToTheDatedFolders) {
    openWithLevels(1, "%Y-%m-%d");
    EXPECT_THAT(view.expanded,
                ElementsAre("Photos", "2004-08-09", "2004-08-20", "2004-12-01", "2005-01-03"));

    openWithLevels(2, "%Y/%B");
    EXPECT_THAT(view.expanded,
                ElementsAre("Photos", "2004", "2005", "August", "September", "January"));

    openWithLevels(3, "%Y/%B/%d %a");
    EXPECT_THAT(view.expanded, ElementsAre("Photos", "2004", "2005", "August", "September",
                                           "January", "09 Mon", "20 Fri", "01 Wed", "03 Mon"));
    const PreviewItem& august = controller.previewDict().children->at(0).children->at(0);
    EXPECT_THAT(shown(august.children->at(0)), ElementsAre("IMG_0412.JPG", "IMG_0413.JPG"));
}

TEST_F(PreviewOutlineTest, ThePreviewFollowsTheControlsNotTheStore) {
    openWithLevels(2, "%Y/%m-%d");
    EXPECT_THAT(shown(controller.previewDict().children->at(0)),
                ElementsAre("08-09", "08-20", "09-01"));
    view.pick(2, "2004/08");
    controller.folderNameFormatPicked();
    EXPECT_THAT(shown(controller.previewDict().children->at(0)), ElementsAre("08", "09"));
    EXPECT_EQ(store.stringForKey(keys::kTwoLevelDateFormat), "%Y/%m-%d");

    view.buttons[1] = true;
    controller.levelChanged(1);
    EXPECT_THAT(shown(controller.previewDict()),
                ElementsAre("2004-08-09", "2004-08-20", "2004-12-01", "2005-01-03"));
}

// A typed template lays the sample out by itself, and with videos apart their tree, named
// after their folder, stands beside the other.
TEST_F(PreviewOutlineTest, ATemplateAndVideosApartShowTheirOwnTrees) {
    openWithLevels(1, "%Y-%m-%d");
    view.folderTemplate = "%Y/{job}";
    view.videoDestination = "/media/videos";
    view.videoTemplate = "{kind}/%Y-%m";
    controller.folderTemplateEdited();
    EXPECT_THAT(shown(controller.previewDict()), ElementsAre("2004", "2005"));
    EXPECT_THAT(shown(controller.previewDict().children->at(0)), ElementsAre("Job"));
    ASSERT_EQ(controller.numberOfChildrenOfItem(nullptr), 2u);
    const PreviewItem* videos = controller.childOfItem(1, nullptr);
    EXPECT_EQ(controller.objectValueForItem(videos), "/media/videos");
    const PreviewItem& kind = videos->children->at(0);
    EXPECT_EQ(kind.shownText(), "Videos");
    EXPECT_THAT(shown(kind), ElementsAre("2004-08", "2004-12", "2005-01"));
    EXPECT_THAT(shown(kind.children->at(0)),
                ElementsAre("MVI_0412.MOV", "MVI_0413.MOV", "MVI_0431.MOV"));

    view.videoDestination.clear();
    controller.folderTemplateEdited();
    EXPECT_EQ(controller.numberOfChildrenOfItem(nullptr), 1u);
}

TEST_F(PreviewOutlineTest, AMissingResourceGivesAnEmptyRoot) {
    controller.setResourceReader([](const std::string&) { return std::nullopt; });
    openWithLevels(1, "%Y-%m-%d");
    EXPECT_FALSE(controller.previewDict().label);
    EXPECT_FALSE(controller.previewDict().children);
    EXPECT_EQ(controller.numberOfChildrenOfItem(&controller.previewDict()), 0u);
}

// What decoding asks of the sample trees: labels everywhere; in the three-level tree the
// month items on day 15 and the day items on other days.
void checkSample(const json& item, int depth, int levels, bool& sawDated) {
    ASSERT_TRUE(item.contains("label") && item["label"].is_string()) << item.dump();
    const std::string label = item["label"];
    if (item.contains("decode")) {
        sawDated = true;
        const int day = leadingIntValue(label.substr(label.rfind('/') + 1));
        ASSERT_EQ(std::count(label.begin(), label.end(), '/'), 2) << label;
        if (levels == 3)
            EXPECT_EQ(day == 15, depth == 2) << label;
        else
            EXPECT_EQ(depth, levels) << label;
    } else if (levels > 1 && depth == 1) {
        EXPECT_EQ(label.size(), 4u) << "year folders are plain: " << label;
    }
    if (item.contains("children"))
        for (const json& child : item["children"])
            checkSample(child, depth + 1, levels, sawDated);
}

TEST(PreviewResource, TheSampleTreesFollowTheDecodingRules) {
    for (int levels : {1, 2, 3}) {
        const std::string path = std::string(ORVANE_REPO_DIR) + "/resources/preview/" +
                                 previewResourceName(levels) + ".json";
        const json tree = parsePreviewResource(test::readFile(path));
        bool sawDated = false;
        checkSample(tree, 0, levels, sawDated);
        EXPECT_TRUE(sawDated) << path;
    }
}

} // namespace
} // namespace orvane
