#include "platform/qt/QuitGuard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace orvane {
namespace {

// The quit of the event loop is asked for twice: first refused, then allowed. The loop only
// ends at the second request when the first was refused.
TEST(QuitGuard, TheApplicationsQuitIsRefusedWhileTheAnswerIsNo) {
    bool mayQuit = false;
    int asked = 0;
    QuitGuard guard([&] {
        ++asked;
        return mayQuit;
    });
    bool secondRequestMade = false;
    QTimer::singleShot(0, [&] {
        QCoreApplication::quit();
        QTimer::singleShot(0, [&] {
            secondRequestMade = true;
            mayQuit = true;
            QCoreApplication::quit();
        });
    });
    // A safety net so that a fault cannot hang the test run.
    QTimer::singleShot(20000, [] { QCoreApplication::exit(2); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(secondRequestMade);
    EXPECT_GE(asked, 2);
}

TEST(QuitGuard, TheMainWindowsCloseButtonAsksTheSameQuestion) {
    bool mayQuit = false;
    int asked = 0;
    QuitGuard guard([&] {
        ++asked;
        return mayQuit;
    });
    QWidget window;
    guard.watchMainWindow(&window);
    window.show();

    QCloseEvent refused;
    QApplication::sendEvent(&window, &refused);
    EXPECT_FALSE(refused.isAccepted());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(asked, 1);

    // Allowed: the window closes and the application's quit follows, which ends the loop.
    mayQuit = true;
    QTimer::singleShot(0, [&] { EXPECT_TRUE(window.close()); });
    QTimer::singleShot(20000, [] { QCoreApplication::exit(2); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(window.isVisible());
    EXPECT_GE(asked, 2);
}

} // namespace
} // namespace orvane
