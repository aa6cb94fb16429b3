#include "app/PreviewController.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "support/ControllerRig.h"
#include "support/Fakes.h"
#include "support/PrivateBus.h"
#include "ui/MainWindow.h"
#include "ui/PlanTreeModel.h"
#include "ui/PreviewCommands.h"
#include "ui/ThumbnailLoader.h"

#include <QAction>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::localTime;
using test::writeFile;

class PreviewWindowTest : public ::testing::Test, protected test::ControllerRig {
  protected:
    PreviewWindowTest()
        : preview(controller, [](const std::string&) { return uint64_t{4096}; }),
          window(controller), commands(preview, window) {
        defaults.setObject(keys::kMatchingMode, std::string(kAllExceptMatching));
        defaults.setBool(keys::kUseExifData, false);
        defaults.setInteger(keys::kDirLevels, 3);
        // Two files of the same name and day (a collision), a hidden file (skipped), and
        // another day.
        writeFile(tmp / "src/a.jpg", "a", localTime(2005, 3, 17, 10));
        writeFile(tmp / "src/sub/a.jpg", "b", localTime(2005, 3, 17, 11));
        writeFile(tmp / "src/.hidden", "h", localTime(2005, 3, 17));
        writeFile(tmp / "src/b.txt", "c", localTime(2006, 1, 2));
        std::filesystem::create_directories(tmp / "Sorted");
        controller.setFromPaths({tmp / "src"});
        controller.setToPath(tmp / "Sorted");
    }

    // Presses Preview and lets the status timer run until the plan is shown.
    void makePlan() {
        commands.previewButton()->click();
        ASSERT_TRUE(test::waitUntil([&] {
            timers.fireAll();
            return !preview.planning();
        }));
    }

    QString text(const QModelIndex& parent, int row, int column) {
        const PlanTreeModel& model = *commands.previewWindow().model();
        return model.index(row, column, parent).data().toString();
    }

    PreviewController preview;
    MainWindow window;
    PreviewCommands commands;
};

TEST_F(PreviewWindowTest, TreeOfDateFoldersWithCountsMarksAndTotals) {
    EXPECT_EQ(commands.previewAction()->shortcut(), QKeySequence("Ctrl+Shift+P"));
    // A preview needs both places and no run under way, as Organize does.
    EXPECT_TRUE(commands.previewButton()->isEnabled());
    window.setRunning(true);
    EXPECT_FALSE(commands.previewAction()->isEnabled());
    window.setRunning(false);
    makePlan();
    PreviewWindow& shown = commands.previewWindow();
    EXPECT_TRUE(shown.isVisible());
    EXPECT_EQ(shown.windowTitle(), "Orvane Preview");
    EXPECT_EQ(commands.previewButton()->text(), "Preview…");
    EXPECT_TRUE(window.goButton()->isEnabled());
    EXPECT_EQ(shown.totalsLabel()->text(),
              "2 files · 2 bytes · 6 new folders · 1 name conflict · 1 skipped · 4.1 kB free");
    EXPECT_TRUE(std::filesystem::is_empty(tmp / "Sorted")) << "a preview creates nothing";

    const PlanTreeModel& model = *shown.model();
    const QModelIndex root;
    ASSERT_EQ(model.rowCount(root), 3);
    EXPECT_EQ(text(root, 0, PlanTreeModel::kName), "2005");
    EXPECT_EQ(text(root, 0, PlanTreeModel::kNote), "2 files · new folder");
    EXPECT_EQ(text(root, 1, PlanTreeModel::kName), "2006");
    EXPECT_EQ(text(root, 2, PlanTreeModel::kName), "Skipped");
    const QModelIndex day = model.index(0, 0, model.index(0, 0, model.index(0, 0)));
    EXPECT_EQ(day.data().toString(), "17");
    ASSERT_EQ(model.rowCount(day), 2);
    EXPECT_EQ(text(day, 0, PlanTreeModel::kName), "a.jpg");
    EXPECT_EQ(text(day, 0, PlanTreeModel::kDate), "2005-03-17 10:00:00");
    EXPECT_EQ(text(day, 0, PlanTreeModel::kDatedBy), "Modified");
    EXPECT_EQ(text(day, 0, PlanTreeModel::kNote), "");
    EXPECT_EQ(text(day, 1, PlanTreeModel::kNote),
              QString::fromStdString("Name taken by a.jpg (" + (tmp / "src/a.jpg") + ")"));
    const QModelIndex skipped = model.index(2, 0);
    ASSERT_EQ(model.rowCount(skipped), 1);
    EXPECT_EQ(text(skipped, 0, PlanTreeModel::kName), ".hidden");
    EXPECT_EQ(text(skipped, 0, PlanTreeModel::kNote), "Skipped (Hidden file)");
}

// With videos apart the tree has one top row for each root, named by its path.
TEST_F(PreviewWindowTest, VideosApartShowTheirTreeBesideTheOther) {
    writeFile(tmp / "src/clip.mov", "m", localTime(2005, 3, 17, 12));
    std::filesystem::create_directories(tmp / "Videos");
    defaults.setObject(keys::kVideoDestination, tmp / "Videos");
    makePlan();
    EXPECT_EQ(commands.previewWindow().destinationLabel()->text(), "Into Sorted and Videos");
    const PlanTreeModel& model = *commands.previewWindow().model();
    const QModelIndex root;
    ASSERT_EQ(model.rowCount(root), 3);
    EXPECT_EQ(text(root, 0, PlanTreeModel::kName), QString::fromStdString(tmp / "Sorted"));
    EXPECT_EQ(text(root, 1, PlanTreeModel::kName), QString::fromStdString(tmp / "Videos"));
    const QModelIndex videos = model.index(1, 0);
    ASSERT_EQ(model.rowCount(videos), 1);
    EXPECT_EQ(text(videos, 0, PlanTreeModel::kName), "2005");
    EXPECT_EQ(model.index(0, 0, videos).data(Qt::ToolTipRole).toString(),
              QString::fromStdString(tmp / "Videos/2005"));
    if (const QString dir = qEnvironmentVariable("ORVANE_SCREENSHOT_DIR"); !dir.isEmpty()) {
        commands.previewWindow().resize(900, 500);
        commands.previewWindow().grab().save(dir + "/preview-videos.png");
    }
}

TEST_F(PreviewWindowTest, OrganizeRunsThePlansSourcesAndRules) {
    makePlan();
    // Changed after the plan was made: the run still follows the plan.
    defaults.setInteger(keys::kDirLevels, 1);
    controller.setFromPaths({tmp / "src/b.txt"});
    commands.previewWindow().organizeButton()->click();
    EXPECT_FALSE(commands.previewWindow().isVisible());
    EXPECT_EQ(controller.fromPaths(), PathList{tmp / "src"});
    ASSERT_TRUE(test::waitUntil([&] {
        timers.fireAll();
        return !controller.runInProgress();
    }));
    EXPECT_EQ(test::readFile(tmp / "Sorted/2005/03/17/a.jpg"), "a");
    EXPECT_EQ(test::readFile(tmp / "Sorted/2006/01/02/b.txt"), "c");
    // A later run from the main window uses the preferences as they are now.
    std::filesystem::remove(tmp / "src/b.txt");
    writeFile(tmp / "src/c.txt", "d", localTime(2007, 5, 6));
    controller.setFromPaths({tmp / "src/c.txt"});
    controller.goClicked();
    ASSERT_TRUE(test::waitUntil([&] {
        timers.fireAll();
        return !controller.runInProgress();
    }));
    EXPECT_EQ(test::readFile(tmp / "Sorted/2007-05-06/c.txt"), "d");
}

// The camera clock's shift redraws the plan and goes with it into its run, and only there.
TEST_F(PreviewWindowTest, CameraClockMovesCaptureDatesOfThisRunOnly) {
    const std::string photo =
        std::string(ORVANE_TESTDATA_DIR) +
        "/exif/gomfunkel/node-exif/test/short-ascii-II.jpg"; // 2015-02-28 17:10:49
    if (!std::filesystem::exists(photo))
        GTEST_SKIP() << "no shared test data";
    std::filesystem::create_directories(tmp / "cam");
    std::filesystem::copy_file(photo, tmp / "cam/x.jpg");
    defaults.setBool(keys::kUseExifData, true);
    controller.setFromPaths({tmp / "cam"});
    makePlan();
    PreviewWindow& shown = commands.previewWindow();
    QLineEdit* field = shown.cameraClockField();
    field->setText("25:00");
    emit field->editingFinished();
    EXPECT_FALSE(preview.planning()) << "a bad shift changes nothing";
    field->setText("+7:00");
    emit field->editingFinished();
    ASSERT_TRUE(test::waitUntil([&] {
        timers.fireAll();
        return !preview.planning();
    }));
    EXPECT_EQ(shown.cameraClockField()->text(), "+07:00");
    const PlanTreeModel& model = *shown.model();
    const QModelIndex day = model.index(0, 0, model.index(0, 0, model.index(0, 0)));
    EXPECT_EQ(text(day, 0, PlanTreeModel::kDate), "2015-03-01 00:10:49");
    shown.organizeButton()->click();
    ASSERT_TRUE(test::waitUntil([&] {
        timers.fireAll();
        return !controller.runInProgress();
    }));
    EXPECT_TRUE(test::exists(tmp / "Sorted/2015/03/01/x.jpg"));
    EXPECT_FALSE(defaults.stringForKey(keys::kClockShift));
}

TEST_F(PreviewWindowTest, ThumbnailsAreReadAt96Pixels) {
    const std::string picture = tmp / "wide.png";
    QImage wide(400, 200, QImage::Format_RGB32);
    wide.fill(Qt::blue);
    ASSERT_TRUE(wide.save(QString::fromStdString(picture)));
    ThumbnailLoader loader;
    EXPECT_TRUE(loader.canRead(QString::fromStdString(picture)));
    EXPECT_FALSE(loader.canRead("notes.txt"));
    EXPECT_EQ(loader.read(QString::fromStdString(picture)).size(), QSize(96, 48));
    EXPECT_EQ(loader.thumbnail(QString::fromStdString(picture)), nullptr);
    ASSERT_TRUE(test::waitUntil(
        [&] { return loader.thumbnail(QString::fromStdString(picture)) != nullptr; }));
    EXPECT_EQ(loader.thumbnail(QString::fromStdString(picture))->width(), 96);
}

TEST_F(PreviewWindowTest, RowsAreAsHighAsTheirThumbnailsAndTextHighWithout) {
    writeFile(tmp / "src/clip.mov", "m", localTime(2005, 3, 17, 12));
    writeFile(tmp / "src/broken.heic", "h", localTime(2005, 3, 17, 13));
    makePlan();
    ThumbnailLoader loader(nullptr, std::make_shared<test::FakeThumbnailer>());
    PlanTreeModel model(preview.plan(), &loader);
    QTreeView tree;
    tree.setIconSize(QSize(ThumbnailLoader::kSize, ThumbnailLoader::kSize));
    tree.setModel(&model);
    tree.expandAll();
    tree.resize(600, 900);
    tree.show();
    auto row = [&](const std::string& name) {
        const std::vector<PlannedEntry>& entries = model.plan().entries;
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].source == tmp / ("src/" + name))
                return model.entryIndex(i);
        return QModelIndex();
    };
    auto picture = [&](const std::string& name) {
        model.requestThumbnail(row(name));
        return model.data(row(name), Qt::DecorationRole).value<QPixmap>().size();
    };
    const QSize text = tree.visualRect(row("b.txt")).size();
    ASSERT_TRUE(test::waitUntil([&] {
        QCoreApplication::processEvents();
        return picture("clip.mov").width() == ThumbnailLoader::kSize &&
               picture("broken.heic").height() < 32 && picture("a.jpg").height() < 32;
    }));
    EXPECT_EQ(picture("clip.mov"), QSize(96, 54));
    tree.doItemsLayout();
    EXPECT_GE(tree.visualRect(row("clip.mov")).height(), 54);
    EXPECT_EQ(tree.visualRect(row("broken.heic")).height(), text.height());
    // A file of no picture kind, and one whose picture is not an image at all.
    EXPECT_LT(text.height(), 32);
    EXPECT_EQ(tree.visualRect(row("a.jpg")).height(), text.height());
}

TEST_F(PreviewWindowTest, OnlyTheChosenFilesAreOrganizedAndTheTimelineSelectsItsGroups) {
    makePlan();
    PreviewWindow& shown = commands.previewWindow();
    PlanTreeModel& model = *shown.model();
    const std::vector<PlannedEntry>& entries = model.plan().entries;
    auto entryOf = [&](const std::string& source) {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].source == source)
                return i;
        return entries.size();
    };
    const size_t a = entryOf(tmp / "src/a.jpg"), twin = entryOf(tmp / "src/sub/a.jpg"),
                 b = entryOf(tmp / "src/b.txt");
    const QModelIndex day = model.entryIndex(a).parent();
    EXPECT_EQ(model.data(day, Qt::CheckStateRole), Qt::Checked);
    EXPECT_EQ(shown.organizeButton()->text(), "Organize 3 Files");
    // The twin's name is taken by the first a.jpg: not new.
    shown.chooseButton("New Only")->click();
    EXPECT_EQ(model.data(model.entryIndex(twin), Qt::CheckStateRole), Qt::Unchecked);
    EXPECT_EQ(model.data(day, Qt::CheckStateRole), Qt::PartiallyChecked);
    EXPECT_EQ(shown.organizeButton()->text(), "Organize 2 Files");

    // Two days, one group each: 10:00 and 11:00 are not more than an hour apart.
    ASSERT_EQ(shown.timeline()->count(), 4);
    EXPECT_EQ(shown.timeline()->item(1)->text(),
              QString::fromUtf8("    10:00\u201311:00 \u00b7 2 shots"));
    emit shown.timeline()->itemClicked(shown.timeline()->item(1));
    EXPECT_EQ(shown.tree()->selectionModel()->selectedRows().size(), 2);

    ASSERT_TRUE(model.setData(model.entryIndex(b), Qt::Unchecked, Qt::CheckStateRole));
    shown.organizeButton()->click();
    ASSERT_TRUE(test::waitUntil([&] {
        timers.fireAll();
        return !controller.runInProgress();
    }));
    EXPECT_EQ(test::readFile(tmp / "Sorted/2005/03/17/a.jpg"), "a");
    EXPECT_FALSE(std::filesystem::exists(tmp / "Sorted/2006"));
    EXPECT_EQ(report.result().resSkippedDict.at(tmp / "src/b.txt"), "Not chosen in the preview");
    EXPECT_EQ(report.result().resSkippedDict.at(tmp / "src/sub/a.jpg"),
              "Not chosen in the preview");
}

// After the library was reorganised, the files imported before are a group of their own,
// unchosen; one chosen there is copied again and the others keep the history's reason.
TEST_F(PreviewWindowTest, FilesImportedBeforeAreTheirOwnGroupChosenFileByFile) {
    controller.setImportHistoryFile(tmp / "history.sqlite");
    auto organize = [&] {
        makePlan();
        commands.previewWindow().organizeButton()->click();
        ASSERT_TRUE(test::waitUntil([&] {
            timers.fireAll();
            return !controller.runInProgress();
        }));
    };
    organize(); // a.jpg and b.txt; sub/a.jpg's name is taken
    std::filesystem::rename(tmp / "Sorted", tmp / "Library");
    std::filesystem::create_directories(tmp / "Sorted");
    makePlan();
    PreviewWindow& shown = commands.previewWindow();
    PlanTreeModel& model = *shown.model();
    const QModelIndex group = model.importedIndex(0).parent();
    EXPECT_EQ(text(QModelIndex(), group.row(), PlanTreeModel::kName), "Imported Before");
    ASSERT_EQ(model.rowCount(group), 2);
    EXPECT_EQ(model.data(group, Qt::CheckStateRole), Qt::Unchecked);
    EXPECT_EQ(shown.organizeButton()->text(), "Organize 1 File");
    const int bRow = text(group, 0, PlanTreeModel::kName) == "b.txt" ? 0 : 1;
    EXPECT_TRUE(text(group, bRow, PlanTreeModel::kNote).startsWith("Imported before on "));
    // New Only leaves them out; Select All takes them in.
    shown.chooseButton("Select All")->click();
    EXPECT_EQ(model.data(group, Qt::CheckStateRole), Qt::Checked);
    shown.chooseButton("New Only")->click();
    EXPECT_EQ(model.data(group, Qt::CheckStateRole), Qt::Unchecked);
    ASSERT_TRUE(model.setData(model.importedIndex(bRow), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(model.data(group, Qt::CheckStateRole), Qt::PartiallyChecked);
    if (const QString shots = qEnvironmentVariable("ORVANE_SCREENSHOTS"); !shots.isEmpty()) {
        shown.tree()->expandAll();
        shown.grab().save(shots + "/preview-imported-before.png");
    }
    shown.organizeButton()->click();
    ASSERT_TRUE(test::waitUntil([&] {
        timers.fireAll();
        return !controller.runInProgress();
    }));
    EXPECT_EQ(test::readFile(tmp / "Sorted/2005/03/17/a.jpg"), "b");
    EXPECT_EQ(test::readFile(tmp / "Sorted/2006/01/02/b.txt"), "c");
    EXPECT_EQ(report.result().resSkippedDict.at(tmp / "src/a.jpg").rfind("Imported before on ", 0),
              0u);
}

TEST_F(PreviewWindowTest, TabReachesPreviewJustBeforeOrganize) {
    EXPECT_EQ(commands.previewButton()->nextInFocusChain(), window.goButton());
}

TEST_F(PreviewWindowTest, FitsTheScreenAndClosesWithEscapeOrCtrlW) {
    makePlan();
    PreviewWindow& shown = commands.previewWindow();
    const QRect area = shown.screen()->availableGeometry();
    EXPECT_LE(shown.width(), area.width());
    EXPECT_LE(shown.height(), area.height());
    for (QKeySequence key : {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)}) {
        shown.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown));
        shown.activateWindow();
        QTest::keySequence(&shown, key);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !shown.isVisible(); }, 2000))
            << key.toString().toStdString();
    }
}

} // namespace
} // namespace orvane
