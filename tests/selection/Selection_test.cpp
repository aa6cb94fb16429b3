#include "app/Controller.h"
#include "base/RunStatus.h"
#include "base/StringHelpers.h"
#include "platform/UserDefaults.h"
#include "report/ReportController.h"
#include "selection/Selection.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace orvane {
namespace {

TEST(SourceDescription, ByNumberOfSources) {
    EXPECT_EQ(fromPathDescriptionIncludingPrefix({}, false), "");
    EXPECT_EQ(fromPathDescriptionIncludingPrefix({}, true), "");
    EXPECT_EQ(fromPathDescriptionIncludingPrefix({"/Users/a/Pictures/Trip"}, false), "Trip");
    EXPECT_EQ(fromPathDescriptionIncludingPrefix({"/Users/a/Pictures/Trip"}, true),
              "/Users/a/Pictures/Trip");
    EXPECT_EQ(fromPathDescriptionIncludingPrefix({"/a/Trip/"}, false), "Trip");
    EXPECT_EQ(fromPathDescriptionIncludingPrefix({"/a", "/b"}, false), "2 files");
    EXPECT_EQ(fromPathDescriptionIncludingPrefix({"/a", "/b", "/c"}, true), "3 files");
}

class DropRuleTest : public ::testing::Test {
  protected:
    DropRuleTest() {
        test::writeFile(tmp / "file.jpg", "x");
        std::filesystem::create_directory(tmp / "folder");
        std::filesystem::create_directory(tmp / "other");
        symlink("folder", (tmp / "link").c_str());
    }
    test::TempDir tmp;
};

TEST_F(DropRuleTest, DestinationWellTakesOneExistingFolder) {
    EXPECT_TRUE(well(kMergeIdle, WellRole::To, {tmp / "folder"}));
    EXPECT_TRUE(well(kMergeIdle, WellRole::To, {tmp / "link"})) << "links are followed";
    EXPECT_FALSE(well(kMergeIdle, WellRole::To, {tmp / "file.jpg"}));
    EXPECT_FALSE(well(kMergeIdle, WellRole::To, {tmp / "missing"}));
    EXPECT_FALSE(well(kMergeIdle, WellRole::To, {tmp / "folder", tmp / "other"}));
    EXPECT_FALSE(well(kMergeIdle, WellRole::To, {}));
}

TEST_F(DropRuleTest, SourcesWellTakesAnything) {
    EXPECT_TRUE(well(kMergeIdle, WellRole::From, {tmp / "file.jpg", tmp / "folder", tmp / "x"}));
    EXPECT_TRUE(well(kMergeIdle, WellRole::From, {tmp / "missing"}));
}

TEST_F(DropRuleTest, NothingIsDroppedDuringARun) {
    for (int state : {kMergeRunning, kMergeCancelRequested, kMergeCancelled}) {
        EXPECT_FALSE(well(state, WellRole::From, {tmp / "file.jpg"})) << state;
        EXPECT_FALSE(well(state, WellRole::To, {tmp / "folder"})) << state;
    }
}

TEST_F(DropRuleTest, ControllerDescribesItsSources) {
    UserDefaults defaults(tmp / "p.json");
    ReportController report(defaults);
    Controller controller(defaults, report, PlatformServices{});
    EXPECT_EQ(controller.fromPathDescriptionIncludingPrefix(false), "");
    controller.setFromPaths({tmp / "folder"});
    EXPECT_EQ(controller.fromPathDescriptionIncludingPrefix(false), "folder");
    EXPECT_EQ(controller.fromPathDescriptionIncludingPrefix(true), tmp / "folder");
    controller.setToPath(tmp / "other");
    EXPECT_EQ(controller.toPath(), tmp / "other");
}

TEST(StringHelpers, SafeCStringKeepsEveryByteVisible) {
    EXPECT_EQ(safeCString("plain /path"), "plain /path");
    EXPECT_EQ(safeCString("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(safeCString("bad\xFF\xFE"), "bad\\xFF\\xFE");
    EXPECT_EQ(safeCString("cut\xC3"), "cut\\xC3");
    EXPECT_EQ(safeCString("\xC0\xAF"), "\\xC0\\xAF") << "over-long forms are not UTF-8";
    EXPECT_EQ(safeCString("\xED\xA0\x80"), "\\xED\\xA0\\x80") << "surrogates are not UTF-8";
    EXPECT_EQ(safeCString("\xF0\x9F\x93\xB7"), "\xF0\x9F\x93\xB7");
    EXPECT_EQ(safeCString(std::string("nul\0in", 6)), std::string("nul\0in", 6));
    EXPECT_EQ(safeCString(""), "");
}

TEST(StringHelpers, RemovingCommonPrefix) {
    EXPECT_EQ(stringByRemovingCommonPrefixWith("/Volumes/Dest/2004/05/a.jpg", "/Volumes/"),
              "Dest/2004/05/a.jpg");
    EXPECT_EQ(stringByRemovingCommonPrefixWith("Dest/a.jpg", "/Volumes/"), "Dest/a.jpg");
    EXPECT_EQ(stringByRemovingCommonPrefixWith("/a", ""), "/a");
    EXPECT_EQ(stringByRemovingCommonPrefixWith("", "/a"), "");
    EXPECT_EQ(stringByRemovingCommonPrefixWith("/a/b", "/a/b"), "");
}

TEST(StringHelpers, CollectWithSelector) {
    const PathList empty;
    EXPECT_TRUE(collectWithSelector(empty, [](const std::string& s) { return s.size(); }).empty());
    const PathList paths = {"/a/x.jpg", "/b/y", "/c/"};
    const auto names = collectWithSelector(paths, [](const std::string& path) {
        return fromPathDescriptionIncludingPrefix({path}, false);
    });
    EXPECT_EQ(names, (std::vector<std::string>{"x.jpg", "y", "c"}));
    const auto sizes = collectWithSelector(paths, [](const std::string& s) { return s.size(); });
    EXPECT_EQ(sizes, (std::vector<size_t>{8, 4, 3}));
}

} // namespace
} // namespace orvane
