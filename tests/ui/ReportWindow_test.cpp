#include "app/Controller.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"
#include "report/ReportController.h"
#include "support/Fakes.h"
#include "support/QtPrinting.h"
#include "support/TestSupport.h"
#include "ui/DesktopApp.h"
#include "ui/ReportWindow.h"
#include "ui/TableColumn.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace orvane {
namespace {

class ReportWindowTest : public ::testing::Test {
  protected:
    ReportWindowTest()
        : defaults(tmp / "prefs.json"), report(defaults), controller(defaults, report, {}),
          window(report, &workspace) {
        registerDefaults(defaults);
        defaults.setBool(keys::kHidePathsInReport, false);
        defaults.setInteger(keys::kPreviousRuns, 1);
        report.setMainController(&controller);
        controller.setFromPaths({"/home/u/Pictures/Trip"});
        controller.setToPath("/home/u/Sorted");
        RunResult& result = report.result();
        result.resCopiedFiles = {"/home/u/Pictures/Trip/a.jpg", "/home/u/Pictures/Trip/b/a.jpg"};
        result.destination = "/home/u/Sorted";
        result.resCopiedDict = {{result.resCopiedFiles[0], "2004/05/17"},
                                {result.resCopiedFiles[1], "2004/05/18"}};
        result.resDatingDict = {{result.resCopiedFiles[0], {DatedBy::Exif, false}},
                                {result.resCopiedFiles[1], {DatedBy::Modified, true}}};
        result.recordSkipped("/home/u/Pictures/Trip/.DS_Store", "Hidden file");
    }

    QString cell(ReportTable table, int row, int column) {
        QAbstractItemModel* model = window.tableView(table)->model();
        return model->data(model->index(row, column)).toString();
    }

    test::TempDir tmp;
    UserDefaults defaults;
    test::FakeWorkspace workspace;
    ReportController report;
    Controller controller;
    ReportWindow window;
};

// A run that copied nothing because of the copy-file rules says so, and its button opens
// those rules.
TEST(ReportCopyRules, TheZeroCopiedLineOpensTheFileCopyingRules) {
    test::TempDir tmp;
    UserDefaults store(tmp / "prefs.json");
    registerDefaults(store);
    DesktopApp desktop(store, tmp / "recently-used.xbel");
    ReportWindow& window = desktop.reportWindow();
    ReportController& report = desktop.reportController();
    report.result().recordSkipped("/card/a.jpg", "Pattern preference");
    report.showReport();
    ASSERT_TRUE(window.copyRulesNotice()->isVisible());
    EXPECT_EQ(window.copyRulesNotice()->text(),
              "Nothing was copied: the file copying rules in Preferences kept out 1 file.");
    EXPECT_FALSE(desktop.prefsWindow().isVisible());
    QTest::mouseClick(window.copyRulesButton(), Qt::LeftButton);
    EXPECT_TRUE(desktop.prefsWindow().isVisible());
    auto* tabs = desktop.prefsWindow().findChild<QTabWidget*>("tabView");
    ASSERT_TRUE(tabs);
    EXPECT_EQ(tabs->tabText(tabs->currentIndex()), "File Copying Rules");

    // Once something is copied, the line goes.
    report.initializeReport();
    report.result().resCopiedFiles = {"/card/b.jpg"};
    report.result().recordSkipped("/card/a.jpg", "Pattern preference");
    report.showReport();
    EXPECT_FALSE(window.copyRulesNotice()->isVisible());

    // Closed, it comes back from Window > Last Report.
    window.close();
    auto* lastReport = desktop.mainWindow().findChild<QAction*>("lastReportAction");
    ASSERT_TRUE(lastReport);
    lastReport->trigger();
    EXPECT_TRUE(window.isVisible());
}

TEST_F(ReportWindowTest, ShowsCountsTabLabelsAndTheDonationLine) {
    window.tabView()->setCurrentIndex(2);
    report.result().verifying = true;
    report.result().verified = 2;
    report.showReport();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.tabView()->currentIndex(), 0);
    // The files imported before have a tab only when there are some.
    EXPECT_EQ(window.tabView()->count(), 5);
    EXPECT_FALSE(window.tabView()->isTabVisible(4));
    EXPECT_EQ(window.tabView()->tabText(1), "Copied (2)");
    EXPECT_EQ(window.tabView()->tabText(2), "Skipped (1)");
    EXPECT_EQ(window.tabView()->tabText(3), "Errors (0)");
    EXPECT_EQ(window.countField(ReportTable::Copied)->text(), "2 (2 verified) (1 to check date)");
    EXPECT_EQ(window.countField(ReportTable::Skipped)->text(), "1");
    EXPECT_EQ(window.countField(ReportTable::Errors)->text(), "0");
    EXPECT_NE(window.countField(ReportTable::Errors)->palette().color(QPalette::Text),
              QColor(Qt::red));
    EXPECT_EQ(window.propaganda()->text(),
              "You have run Orvane 1 time.\nPlease consider donating.");
    EXPECT_EQ(window.sourceField()->text(), "/home/u/Pictures/Trip");
    EXPECT_EQ(window.destField()->text(), "/home/u/Sorted");

    report.initializeReport();
    report.result().recordError("/x", "Error copying");
    report.showReport();
    EXPECT_EQ(window.countField(ReportTable::Errors)->palette().color(QPalette::Text),
              QColor(Qt::red));
    EXPECT_EQ(window.tabView()->tabText(3), "Errors (1)");
}

TEST_F(ReportWindowTest, SortingGoesBackToRunOrderAndTheFilterNarrows) {
    report.result().resCopiedFiles.push_back("/home/u/Pictures/Trip/0.jpg");
    report.result().resCopiedDict["/home/u/Pictures/Trip/0.jpg"] = "2004/05/19";
    report.showReport();
    EXPECT_EQ(window.outcome()->text(), "Finished");
    QHeaderView* header = window.tableView(ReportTable::Copied)->horizontalHeader();
    auto column = [&] {
        QStringList texts;
        for (int row = 0; row < 3; ++row)
            texts << cell(ReportTable::Copied, row, 1);
        return texts;
    };
    const QStringList runOrder = {"2004/05/17", "2004/05/18", "2004/05/19"};
    EXPECT_EQ(column(), runOrder);
    header->setSortIndicator(0, Qt::AscendingOrder); // as a click on the header
    EXPECT_EQ(column(), QStringList({"2004/05/19", "2004/05/17", "2004/05/18"}));
    header->setSortIndicator(-1, Qt::AscendingOrder); // the third click
    EXPECT_EQ(column(), runOrder);

    window.filterField(ReportTable::Copied)->setText("B/A");
    ASSERT_EQ(window.tableView(ReportTable::Copied)->model()->rowCount(), 1);
    EXPECT_EQ(cell(ReportTable::Copied, 0, 1), "2004/05/18");
    window.filterField(ReportTable::Copied)->setText("05/19");
    EXPECT_EQ(window.tableView(ReportTable::Copied)->model()->rowCount(), 1);
    // Parts of the full path match while the table shows names only.
    defaults.setBool(keys::kHidePathsInReport, true);
    report.showReport();
    window.filterField(ReportTable::Copied)->setText("trip/b/");
    EXPECT_EQ(window.tableView(ReportTable::Copied)->model()->rowCount(), 1);
}

TEST_F(ReportWindowTest, RowMenuActsOnTheCopyOrForSkippedEntriesOnTheSource) {
    defaults.setBool(keys::kHidePathsInReport, true);
    report.showReport();
    QTableView* table = window.tableView(ReportTable::Copied);
    QMenu* menu = window.contextMenuFor(table->model()->index(1, 0));
    ASSERT_TRUE(menu);
    QStringList titles;
    for (QAction* action : menu->actions())
        titles << action->text();
    EXPECT_EQ(titles, QStringList({"Show in &Folder", "&Open", "&Copy Path"}));
    for (QAction* action : menu->actions())
        action->trigger();
    const std::string copy = "/home/u/Sorted/2004/05/18/a.jpg";
    EXPECT_EQ(workspace.shownInFolder, std::vector<std::string>{copy});
    EXPECT_EQ(workspace.openedPaths, std::vector<std::string>{copy});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdString(copy));
    delete menu;

    menu = window.contextMenuFor(window.tableView(ReportTable::Skipped)->model()->index(0, 0));
    ASSERT_TRUE(menu);
    menu->actions().back()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "/home/u/Pictures/Trip/.DS_Store");
    delete menu;

    window.findChild<QPushButton*>("openDestinationButton")->click();
    EXPECT_EQ(workspace.openedPaths.back(), "/home/u/Sorted");
}

TEST_F(ReportWindowTest, AStoppedRunSaysHowFarItCame) {
    report.setRunSize(5);
    report.result().recordSkipped("/home/u/Pictures/Trip/c.jpg", "Not copied: the run was stopped");
    report.result().recordSkipped("/home/u/Pictures/Trip/d.jpg", "Not copied: the run was stopped");
    report.setCancelled(true);
    report.showReport();
    EXPECT_EQ(window.outcome()->text(), "Stopped after 3 of 5");
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(ReportWindowTest, TablesHaveKeyAndValueColumns) {
    report.showReport();
    QAbstractItemModel* model = window.tableView(ReportTable::Copied)->model();
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->columnCount(), 3);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal, Qt::UserRole + 1).toString(), "key");
    EXPECT_EQ(model->headerData(1, Qt::Horizontal, Qt::UserRole + 1).toString(), "value");
    EXPECT_EQ(model->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Dated by");
    EXPECT_EQ(cell(ReportTable::Copied, 0, 2), "EXIF");
    EXPECT_EQ(cell(ReportTable::Copied, 1, 2), "Modified, check date");
    EXPECT_EQ(window.tableView(ReportTable::Skipped)->model()->columnCount(), 2);
    EXPECT_EQ(cell(ReportTable::Copied, 1, 0), "/home/u/Pictures/Trip/b/a.jpg");
    EXPECT_EQ(cell(ReportTable::Copied, 1, 1), "2004/05/18");
    EXPECT_EQ(cell(ReportTable::Skipped, 0, 1), "Hidden file");
}

TEST_F(ReportWindowTest, HidePathsCheckBoxRewritesFieldsAndTablesAndIsStored) {
    report.showReport();
    window.hideFolderPathsBox()->click();
    EXPECT_TRUE(defaults.boolForKey(keys::kHidePathsInReport));
    EXPECT_EQ(window.sourceField()->text(), "Trip");
    EXPECT_EQ(window.destField()->text(), "Sorted");
    EXPECT_EQ(cell(ReportTable::Copied, 0, 0), "a.jpg");
    EXPECT_EQ(cell(ReportTable::Copied, 1, 0), "a.jpg");
    EXPECT_EQ(cell(ReportTable::Copied, 1, 1), "2004/05/18");
    EXPECT_EQ(cell(ReportTable::Skipped, 0, 0), ".DS_Store");

    window.hideFolderPathsBox()->click();
    EXPECT_FALSE(UserDefaults(tmp / "prefs.json").boolForKey(keys::kHidePathsInReport));
    EXPECT_EQ(window.sourceField()->text(), "/home/u/Pictures/Trip");
    EXPECT_EQ(cell(ReportTable::Copied, 0, 0), "/home/u/Pictures/Trip/a.jpg");
}

TEST_F(ReportWindowTest, KeyColumnsFitTheirPathsAndCannotBeWidened) {
    window.resize(900, 500);
    report.showReport();
    QTableView* table = window.tableView(ReportTable::Copied);
    const QFontMetricsF metrics(table->font());
    const float expected =
        static_cast<float>(metrics.horizontalAdvance("/home/u/Pictures/Trip/b/a.jpg") + 8.0);
    TableColumn* key = window.tableColumn(ReportTable::Copied, 0);
    EXPECT_EQ(key->width(), static_cast<int>(std::ceil(expected)));
    EXPECT_FLOAT_EQ(key->maxWidth(), expected);
    table->horizontalHeader()->resizeSection(0, key->width() + 200);
    EXPECT_EQ(key->width(), static_cast<int>(std::ceil(expected)));
    // Narrower it may go, to a point: the path is then shortened in its middle.
    table->horizontalHeader()->resizeSection(0, 10);
    EXPECT_EQ(key->width(),
              std::min(static_cast<int>(std::ceil(expected)), TableColumn::kNarrowestPath));

    // Hiding paths narrows the column to the names; the header's text is then wider.
    window.hideFolderPathsBox()->click();
    const QFontMetricsF header(table->horizontalHeader()->font());
    const double narrow =
        std::max(metrics.horizontalAdvance("a.jpg"), header.horizontalAdvance("File")) + 8.0;
    EXPECT_EQ(key->width(), static_cast<int>(std::ceil(narrow)));
}

TEST_F(ReportWindowTest, ANewRunWhileTheWindowIsOpenAsksForNoRowPastTheEnd) {
    report.showReport();
    QAbstractItemModel* model = window.tableView(ReportTable::Copied)->model();
    report.initializeReport(); // the next run starts, its result empty
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(cell(ReportTable::Copied, 1, 1), "2004/05/18");
    window.tableView(ReportTable::Copied)->viewport()->repaint();
    report.showReport();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(window.tabView()->tabText(1), "Copied (0)");
}

} // namespace
} // namespace orvane
