#include "app/Controller.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"
#include "report/ReportController.h"
#include "report/ReportText.h"
#include "support/Fakes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

class ReportTest : public ::testing::Test {
  protected:
    ReportTest()
        : defaults(tmp / "prefs.json"), report(defaults), controller(defaults, report, {}) {
        registerDefaults(defaults);
        defaults.setBool(keys::kHidePathsInReport, false); // the default hides them
        report.setView(&view);
        report.setMainController(&controller);
        controller.setFromPaths({"/Users/a/Pictures/Trip"});
        controller.setToPath("/Volumes/Dest/Sorted");
    }

    test::TempDir tmp;
    UserDefaults defaults;
    ReportController report;
    Controller controller;
    test::FakeReportView view;
};

TEST_F(ReportTest, DonationLineSingularOnlyForOne) {
    EXPECT_EQ(ReportController::propagandaText(1),
              "You have run Orvane 1 time.\nPlease consider donating.");
    EXPECT_EQ(ReportController::propagandaText(2),
              "You have run Orvane 2 times.\nPlease consider donating.");
    EXPECT_EQ(ReportController::propagandaText(0),
              "You have run Orvane 0 times.\nPlease consider donating.");
}

TEST_F(ReportTest, ShowReportFillsCountsLabelsAndFirstTab) {
    defaults.setInteger(keys::kPreviousRuns, 2);
    RunResult& result = report.result();
    result.resCopiedFiles = {"/a/x.jpg", "/b/y.jpg"};
    result.resCopiedDict = {{"/a/x.jpg", "2004/05"}, {"/b/y.jpg", "2004/06"}};
    result.recordSkipped("/a/.hidden", "Hidden file");
    view.selectedTab = 2;

    report.showReport();
    EXPECT_EQ(view.selectedTab, 0);
    EXPECT_EQ(view.propaganda, "You have run Orvane 2 times.\nPlease consider donating.");
    EXPECT_EQ(view.counts, (std::vector<std::string>{"2", "1", "0"}));
    EXPECT_EQ(view.tabLabels[1], "Copied (2)");
    EXPECT_EQ(view.tabLabels[2], "Skipped (1)");
    EXPECT_EQ(view.tabLabels[3], "Errors (0)");
    EXPECT_EQ(view.tabLabels[4], "Imported Before (0)");
    EXPECT_FALSE(view.tabShown[4]);
    EXPECT_FALSE(view.red);
    EXPECT_EQ(view.shown, 1);
    EXPECT_EQ(view.source, "/Users/a/Pictures/Trip");
    EXPECT_EQ(view.dest, "/Volumes/Dest/Sorted");

    report.initializeReport();
    report.result().recordError("/a/z.jpg", "Error copying");
    report.result().recordError("/a/IMG_1.JPG", "Can't overwrite existing file: IMG_1.JPG");
    report.showReport();
    EXPECT_TRUE(view.red);
    EXPECT_EQ(view.tabLabels[3], "Errors (2)");
    // A taken name says how to keep both, while keeping both is off.
    defaults.setBool(keys::kKeepBothOnNameClash, false);
    EXPECT_EQ(report.tableView(ReportTable::Errors, kValueColumn, 0), "Error copying");
    EXPECT_EQ(report.tableRows(ReportTable::Errors)[1].value,
              "Can't overwrite existing file: IMG_1.JPG. Turn on Keep both in Preferences to "
              "copy it as IMG_1-1.JPG");
    defaults.setBool(keys::kKeepBothOnNameClash, true);
    EXPECT_EQ(report.tableView(ReportTable::Errors, kValueColumn, 1),
              "Can't overwrite existing file: IMG_1.JPG");
}

TEST_F(ReportTest, HidingPathsRewritesFieldsAndCellsAndIsStored) {
    RunResult& result = report.result();
    result.resCopiedFiles = {"/a/same.jpg", "/b/same.jpg"};
    result.resCopiedDict = {{"/a/same.jpg", "2004"}, {"/b/same.jpg", "2005"}};
    report.showReport();
    EXPECT_EQ(report.tableView(ReportTable::Copied, kKeyColumn, 0), "/a/same.jpg");

    const int reloads = view.reloads;
    view.hide = true;
    report.hideFolderPathControlOperated();
    EXPECT_EQ(view.reloads, reloads + 1);
    EXPECT_EQ(view.source, "Trip");
    EXPECT_EQ(view.dest, "Sorted");
    EXPECT_EQ(report.tableView(ReportTable::Copied, kKeyColumn, 0), "same.jpg");
    EXPECT_EQ(report.tableView(ReportTable::Copied, kKeyColumn, 1), "same.jpg");
    EXPECT_EQ(report.tableView(ReportTable::Copied, kValueColumn, 0), "2004");
    EXPECT_EQ(report.tableView(ReportTable::Copied, kValueColumn, 1), "2005");
    EXPECT_TRUE(UserDefaults(tmp / "prefs.json").boolForKey(keys::kHidePathsInReport));

    // The next report starts with the stored choice.
    view.hide = false;
    report.showReport();
    EXPECT_TRUE(view.hide);
}

TEST_F(ReportTest, SeveralSourcesShowAsACountEitherWay) {
    controller.setFromPaths({"/a", "/b", "/c"});
    report.showReport();
    EXPECT_EQ(view.source, "3 files");
    view.hide = true;
    report.hideFolderPathControlOperated();
    EXPECT_EQ(view.source, "3 files");
}

TEST_F(ReportTest, RowsNeverPassTheEndAndANewRunIsNotReadUntilShown) {
    report.result().resCopiedFiles = {"/a"};
    report.result().resCopiedDict = {{"/a", "2004"}};
    report.showReport();
    EXPECT_EQ(report.numberOfRowsInTableView(ReportTable::Copied), 1);
    EXPECT_EQ(report.tableView(ReportTable::Copied, kKeyColumn, 1), "");
    EXPECT_EQ(report.tableView(ReportTable::Copied, kKeyColumn, -1), "");

    // The next run writes its own result; the open window keeps showing the last one.
    report.initializeReport();
    report.result().recordSkipped("/b", "Hidden file");
    EXPECT_EQ(report.numberOfRowsInTableView(ReportTable::Copied), 1);
    EXPECT_EQ(report.numberOfRowsInTableView(ReportTable::Skipped), 0);
    EXPECT_EQ(report.tableView(ReportTable::Copied, kValueColumn, 0), "2004");
    report.showReport();
    EXPECT_EQ(report.numberOfRowsInTableView(ReportTable::Copied), 0);
    EXPECT_EQ(report.numberOfRowsInTableView(ReportTable::Skipped), 1);
}

TEST_F(ReportTest, MissingDictionaryEntriesShowBlank) {
    report.result().resErrorFiles = {"/lost"};
    report.showReport();
    EXPECT_EQ(report.tableView(ReportTable::Errors, kValueColumn, 0), "");
}

TEST_F(ReportTest, ColumnFitting) {
    test::FakeColumn column;
    ReportController::updateWidthForStrings({"a", "abcdef"}, &column, false);
    EXPECT_FLOAT_EQ(column.width, 6 * 6 + 8);
    EXPECT_FLOAT_EQ(column.minWidth, 44);
    EXPECT_FLOAT_EQ(column.maxWidth, 1000); // not forced
    EXPECT_EQ(column.fits, 1);

    column.header = 100;
    ReportController::updateWidthForStrings({"a", "abcdef"}, &column, true);
    EXPECT_FLOAT_EQ(column.width, 108);
    EXPECT_FLOAT_EQ(column.maxWidth, 108);

    test::FakeColumn untouched;
    ReportController::updateWidthForStrings({}, &untouched, true);
    ReportController::updateWidthForStrings({""}, &untouched, true);
    EXPECT_FLOAT_EQ(untouched.width, 100);
    EXPECT_FLOAT_EQ(untouched.maxWidth, 1000);
    EXPECT_EQ(untouched.fits, 2);
}

TEST_F(ReportTest, ShowReportFitsKeyColumnsToShownNamesAndTheErrorValues) {
    report.result().recordError("/long/folder/name/e.jpg", "a long error text");
    report.result().recordSkipped("/s/skipped-file", "Hidden file");
    defaults.setBool(keys::kHidePathsInReport, true);
    report.showReport();
    auto& errorKey = view.columns[{ReportTable::Errors, kKeyColumn}];
    auto& errorValue = view.columns[{ReportTable::Errors, kValueColumn}];
    auto& skippedKey = view.columns[{ReportTable::Skipped, kKeyColumn}];
    EXPECT_FLOAT_EQ(errorKey.width, 6 * 5 + 8); // "e.jpg"
    EXPECT_FLOAT_EQ(errorKey.maxWidth, errorKey.width);
    EXPECT_FLOAT_EQ(errorValue.width, 6 * 17 + 8);
    EXPECT_FLOAT_EQ(errorValue.maxWidth, 1000);
    EXPECT_FLOAT_EQ(skippedKey.width, 6 * 12 + 8);
    // The value columns of the other two tables keep their widths.
    EXPECT_FLOAT_EQ((view.columns[{ReportTable::Skipped, kValueColumn}].width), 100);
}

TEST_F(ReportTest, PrintedTextListsTheShownEntries) {
    report.result().resCopiedFiles = {"/a/x.jpg"};
    report.result().resCopiedDict = {{"/a/x.jpg", "2004/05"}};
    report.result().recordError("/a/y.jpg", "failed");
    report.showReport();
    EXPECT_EQ(reportText(report, ReportTable::Copied), "Copied (1)\n/a/x.jpg\t2004/05\n");
    EXPECT_EQ(reportText(report, std::nullopt),
              "Copied (1)\n/a/x.jpg\t2004/05\n\nSkipped (0)\n\nErrors (1)\n/a/y.jpg\tfailed\n");

    // What the import history knew is a list of its own, shown only when it has files.
    report.result().recordSkipped("/a/z.jpg", "Imported before on 8 Dec 2026 into …/2026/12/08");
    report.result().recordSkipped("/a/.hidden", "Hidden file");
    report.showReport();
    EXPECT_EQ(view.counts[1], "2 (1 imported before)");
    EXPECT_EQ(view.tabLabels[2], "Skipped (1)");
    EXPECT_EQ(view.tabLabels[4], "Imported Before (1)");
    EXPECT_TRUE(view.tabShown[4]);
    EXPECT_EQ(reportText(report, std::nullopt),
              "Copied (1)\n/a/x.jpg\t2004/05\n\nImported Before (1)\n/a/z.jpg\tImported before "
              "on 8 Dec 2026 into …/2026/12/08\n\nSkipped (1)\n/a/.hidden\tHidden "
              "file\n\nErrors (1)\n/a/y.jpg\tfailed\n");
}

} // namespace
} // namespace orvane
