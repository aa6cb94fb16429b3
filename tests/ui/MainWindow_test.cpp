#include "app/Controller.h"
#include "base/Paths.h"
#include "platform/ManualTimerService.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "report/ReportController.h"
#include "support/ControllerRig.h"
#include "support/Fakes.h"
#include "support/QtPrinting.h"
#include "support/TestSupport.h"
#include "ui/KelWell.h"
#include "ui/MainWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace orvane {
namespace {

class MainWindowTest : public ::testing::Test, protected test::ControllerRig {
  protected:
    MainWindowTest() : window(controller) {}

    MainWindow window;
};

TEST_F(MainWindowTest, ButtonReadsOrganizeWithReturnBetweenRunsAndAbortWithoutDuring) {
    EXPECT_EQ(window.goButton()->text(), "Organize");
    EXPECT_TRUE(window.goButtonHasReturnKey());
    window.setGoButton("Abort", "");
    EXPECT_EQ(window.goButton()->text(), "Abort");
    EXPECT_FALSE(window.goButtonHasReturnKey());
    window.setGoButton("Organize", "\r");
    EXPECT_TRUE(window.goButtonHasReturnKey());
}

TEST_F(MainWindowTest, ProgressLineAndControlsOffDuringARun) {
    ProgressStatus status;
    status.done = 1234;
    status.total = 20000;
    status.currentPath = "/card/DCIM/IMG_0042.JPG";
    status.secondsLeft = 12;
    window.setProgressStatus(status);
    EXPECT_EQ(window.progressText()->text(),
              QString::fromUtf8("1,234 of 20,000 \u00b7 about 12 s left \u00b7 IMG_0042.JPG"));

    QSignalSpy running(&window, &MainWindow::runningChanged);
    window.setRunning(true);
    for (QWidget* off : {static_cast<QWidget*>(window.findChild<QPushButton*>("fromChooseButton")),
                         static_cast<QWidget*>(window.findChild<QPushButton*>("toChooseButton"))})
        EXPECT_FALSE(off->isEnabled());
    EXPECT_FALSE(window.pickFromAction()->isEnabled());
    EXPECT_FALSE(window.pickToAction()->isEnabled());
    window.setRunning(false);
    EXPECT_TRUE(window.pickFromAction()->isEnabled());
    EXPECT_TRUE(window.progressText()->text().isEmpty());
    EXPECT_EQ(running.size(), 2);
}

TEST_F(MainWindowTest, OrganizeNeedsBothSidesButReturnStillSaysWhatIsMissing) {
    EXPECT_FALSE(window.goButton()->isEnabled());
    controller.setFromPaths({"/Users/a/Pictures/Trip"});
    EXPECT_FALSE(window.goButton()->isEnabled());
    window.organizeAction()->trigger();
    ASSERT_EQ(fakes.alerts.calls.size(), 1u);
    controller.setToPath("/Volumes/Dest/Sorted");
    EXPECT_TRUE(window.goButton()->isEnabled());
}

TEST_F(MainWindowTest, ReturnPressesTheButton) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QTest::keyClick(&window, Qt::Key_Return);
    // Nothing chosen: the button's press shows the alert.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !fakes.alerts.calls.empty(); }, 2000));

    // With the focus on another button, Return presses that one and not Organize.
    fakes.alerts.calls.clear();
    fakes.panels.answer = PathList{tmp.path()};
    window.findChild<QPushButton*>("toChooseButton")->setFocus();
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !fakes.panels.shown.empty(); }, 2000));
    EXPECT_EQ(fakes.panels.shown.front().title, "Select Organize Into");
    EXPECT_TRUE(fakes.alerts.calls.empty());
}

TEST_F(MainWindowTest, ProgressMeterFollowsTheRunControl) {
    window.setProgressMaximum(4);
    window.setProgressValue(1);
    EXPECT_EQ(window.progressMeter()->maximum(), 4);
    EXPECT_EQ(window.progressMeter()->value(), 1);
    window.setProgressValue(4);
    EXPECT_EQ(window.progressMeter()->value(), 4);
    window.setProgressMaximum(100001);
    window.setProgressValue(0);
    EXPECT_EQ(window.progressMeter()->maximum(), 100001);
    EXPECT_EQ(window.progressMeter()->value(), 0);
}

TEST_F(MainWindowTest, FieldsShowTheSelection) {
    controller.setFromPaths({"/Users/a/Pictures/Trip"});
    controller.setToPath("/Volumes/Dest/Sorted");
    EXPECT_EQ(window.fromFieldWidget()->text(), QString::fromUtf8("Pictures \u25b8 Trip"));
    EXPECT_EQ(window.fromFieldWidget()->toolTip(), "/Users/a/Pictures/Trip");
    controller.setFromPaths({"/m/DCIM", "/m/Camera", "/m/IMG_0001.JPG"});
    EXPECT_EQ(window.fromFieldWidget()->text(), "3 items: DCIM, Camera, IMG_0001.JPG");
    EXPECT_EQ(window.fromFieldWidget()->toolTip(), "/m/DCIM\n/m/Camera\n/m/IMG_0001.JPG");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    controller.setFromPaths({"/m/" + std::string(200, 'x') + ".jpg"});
    EXPECT_TRUE(window.fromFieldWidget()->text().contains(QChar(0x2026)));
    EXPECT_TRUE(window.fromFieldWidget()->text().endsWith("x.jpg"));
    controller.setFromPaths({"/Users/a/Pictures/Trip"});
    EXPECT_EQ(window.toFieldWidget()->text(), "Sorted");
    EXPECT_TRUE(window.fromFieldWidget()->isReadOnly());
    EXPECT_EQ(window.fromKelWell()->filenames(), PathList{"/Users/a/Pictures/Trip"});
    EXPECT_EQ(window.toKelWell()->filenames(), PathList{"/Volumes/Dest/Sorted"});
}

TEST_F(MainWindowTest, ChooseButtonsAndFileMenuOpenThePanels) {
    fakes.panels.answer = PathList{tmp.path()};
    window.findChild<QPushButton*>("fromChooseButton")->click();
    window.findChild<QPushButton*>("toChooseButton")->click();
    window.pickFromAction()->trigger();
    window.pickToAction()->trigger();
    ASSERT_EQ(fakes.panels.shown.size(), 4u);
    EXPECT_EQ(fakes.panels.shown[0].title, "Select Copy From");
    EXPECT_EQ(fakes.panels.shown[1].title, "Select Organize Into");
    EXPECT_EQ(fakes.panels.shown[2].title, "Select Copy From");
    EXPECT_EQ(controller.toPath(), tmp.path());
    // Each panel opens where the user chose in it last.
    EXPECT_EQ(fakes.panels.shown[0].directory, homeDirectory());
    EXPECT_EQ(fakes.panels.shown[2].directory, deletingLastPathComponent(tmp.path()));
    EXPECT_EQ(fakes.panels.shown[3].directory, deletingLastPathComponent(tmp.path()));
    EXPECT_EQ(window.fileMenu()->actions().size(), 4); // two choices, separator, Organize
    EXPECT_TRUE(window.applicationMenu()->actions().contains(window.quitAction()));
    EXPECT_EQ(window.menuBar()->actions().size(), 3);
    for (QMenu* menu : {window.applicationMenu(), window.fileMenu()})
        for (QAction* action : menu->actions())
            EXPECT_TRUE(action->isSeparator() || action->text().contains('&'))
                << action->text().toStdString();
}

TEST_F(MainWindowTest, FieldsAndButtonsAreNotClipped) {
    controller.setFromPaths({"/a/a-rather-long-folder-name-from-a-camera"});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (QPushButton* button : window.findChildren<QPushButton*>())
        EXPECT_GE(button->width(), button->sizeHint().width())
            << button->objectName().toStdString();
    EXPECT_GE(window.fromFieldWidget()->width(), 200);
}

} // namespace
} // namespace orvane
