#include "app/Controller.h"
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

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
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

TEST_F(MainWindowTest, ReturnPressesTheButton) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QTest::keyClick(&window, Qt::Key_Return);
    // Nothing chosen: the button's press shows the alert.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !fakes.alerts.calls.empty(); }, 2000));
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
    EXPECT_EQ(window.fromFieldWidget()->text(), "Trip");
    EXPECT_EQ(window.fromFieldWidget()->toolTip(), "/Users/a/Pictures/Trip");
    EXPECT_EQ(window.toFieldWidget()->text(), "Sorted");
    EXPECT_TRUE(window.fromFieldWidget()->isReadOnly());
    EXPECT_EQ(window.fromKelWell()->filenames(), PathList{"/Users/a/Pictures/Trip"});
    EXPECT_EQ(window.toKelWell()->filenames(), PathList{"/Volumes/Dest/Sorted"});
}

TEST_F(MainWindowTest, ChooseButtonsAndFileMenuOpenThePanels) {
    fakes.panels.answer = PathList{"/photos"};
    window.findChild<QPushButton*>("fromChooseButton")->click();
    window.findChild<QPushButton*>("toChooseButton")->click();
    window.pickFromAction()->trigger();
    window.pickToAction()->trigger();
    ASSERT_EQ(fakes.panels.shown.size(), 4u);
    EXPECT_EQ(fakes.panels.shown[0].title, "Select Copy From");
    EXPECT_EQ(fakes.panels.shown[1].title, "Select Organize Into");
    EXPECT_EQ(fakes.panels.shown[2].title, "Select Copy From");
    EXPECT_EQ(controller.toPath(), "/photos");
    EXPECT_EQ(window.fileMenu()->actions().size(), 2);
    EXPECT_TRUE(window.applicationMenu()->actions().contains(window.quitAction()));
    EXPECT_EQ(window.menuBar()->actions().size(), 2);
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
