#include "app/Controller.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "support/QtPrinting.h"
#include "support/TestSupport.h"
#include "ui/DesktopApp.h"
#include "ui/KelWell.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace orvane {
namespace {

void drop(KelWell& well, const std::vector<std::string>& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const auto& path : paths)
        urls << QUrl::fromLocalFile(QString::fromStdString(path));
    data.setUrls(urls);
    QDragEnterEvent enter(well.rect().center(), Qt::CopyAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&well, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent dropped(QPointF(well.rect().center()), Qt::CopyAction, &data, Qt::LeftButton,
                       Qt::NoModifier);
    QApplication::sendEvent(&well, &dropped);
    ASSERT_TRUE(dropped.isAccepted());
}

QString cell(QTableView* table, int row, int column) {
    return table->model()->data(table->model()->index(row, column)).toString();
}

TEST(EndToEnd, DropsOrganizeAndReadsTheReport) {
    test::TempDir tmp;
    UserDefaults defaults(tmp / "prefs.json");
    registerDefaults(defaults);
    defaults.setBool(keys::kUseExifData, false);
    defaults.setBool(keys::kHidePathsInReport, false);
    defaults.setInteger(keys::kDirLevels, 3);
    defaults.setObject(keys::kMatchingMode, std::string(kAllExceptMatching));
    defaults.setObject(keys::kThreeLevelDateFormat, std::string("%Y/%m/%d"));

    const std::string sources = tmp / "Camera";
    test::writeFile(sources + "/a.jpg", "a", test::localTime(2005, 3, 17));
    test::writeFile(sources + "/b.txt", "b", test::localTime(2006, 1, 2));
    test::writeFile(sources + "/.hidden", "h", test::localTime(2006, 1, 2));
    const std::string destination = tmp / "Organized";
    std::filesystem::create_directories(destination);
    test::writeFile(destination + "/2006/01/02/b.txt", "already there");

    DesktopApp app(defaults, tmp / "recently-used.xbel");
    MainWindow& window = app.mainWindow();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    drop(*window.fromKelWell(), {sources + "/a.jpg", sources + "/b.txt", sources + "/.hidden"});
    drop(*window.toKelWell(), {destination});

    window.goButton()->click();
    EXPECT_EQ(window.goButton()->text(), "Abort");
    EXPECT_EQ(window.progressMeter()->maximum(), 3);
    ReportWindow& report = app.reportWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return report.isVisible(); }, 30000));
    EXPECT_EQ(window.goButton()->text(), "Organize");
    EXPECT_EQ(window.progressMeter()->value(), 0);

    EXPECT_EQ(test::readFile(destination + "/2005/03/17/a.jpg"), "a");
    EXPECT_EQ(test::readFile(destination + "/2006/01/02/b.txt"), "already there");

    EXPECT_EQ(report.tabView()->currentIndex(), 0);
    EXPECT_EQ(report.tabView()->tabText(1), "Copied (1)");
    EXPECT_EQ(report.tabView()->tabText(2), "Skipped (1)");
    EXPECT_EQ(report.tabView()->tabText(3), "Errors (1)");
    QTableView* copied = report.tableView(ReportTable::Copied);
    ASSERT_EQ(copied->model()->rowCount(), 1);
    EXPECT_EQ(cell(copied, 0, 0), QString::fromStdString(sources + "/a.jpg"));
    EXPECT_EQ(cell(copied, 0, 1), "2005/03/17");
    QTableView* skipped = report.tableView(ReportTable::Skipped);
    EXPECT_EQ(cell(skipped, 0, 0), QString::fromStdString(sources + "/.hidden"));
    EXPECT_EQ(cell(skipped, 0, 1), "Hidden file");
    QTableView* errors = report.tableView(ReportTable::Errors);
    EXPECT_EQ(cell(errors, 0, 0), QString::fromStdString(sources + "/b.txt"));
    EXPECT_FALSE(cell(errors, 0, 1).isEmpty());
    EXPECT_EQ(report.sourceField()->text(), "3 files");
    EXPECT_EQ(report.destField()->text(), QString::fromStdString(destination));
    EXPECT_EQ(app.controller().mergeState(), kMergeIdle);

    // The same again with the report open, closed while the run goes on: the report comes
    // back with the second run's result, and nothing was overwritten.
    window.goButton()->click();
    report.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return report.isVisible(); }, 30000));
    EXPECT_EQ(report.tabView()->tabText(1), "Copied (0)");
    EXPECT_EQ(report.tabView()->tabText(3), "Errors (1)");
    EXPECT_EQ(copied->model()->rowCount(), 0);
    EXPECT_EQ(cell(errors, 0, 0), QString::fromStdString(sources + "/b.txt"));
    // The copy of the first run is already there, and the report says where.
    EXPECT_EQ(cell(skipped, 1, 0), QString::fromStdString(sources + "/a.jpg"));
    EXPECT_EQ(cell(skipped, 1, 1), "Already in destination (2005/03/17/a.jpg)");
    EXPECT_EQ(test::readFile(destination + "/2005/03/17/a.jpg"), "a");

    // Pictures of the windows for a look by eye, when asked for.
    const QString shots = qEnvironmentVariable("ORVANE_SCREENSHOTS");
    if (!shots.isEmpty()) {
        window.grab().save(shots + "/e2e-main.png");
        for (int tab = 0; tab < 4; ++tab) {
            report.tabView()->setCurrentIndex(tab);
            report.grab().save(shots + "/e2e-report-" + QString::number(tab) + ".png");
        }
    }
}

} // namespace
} // namespace orvane
