#include "app/Controller.h"
#include "app/Lifecycle.h"
#include "platform/UserDefaults.h"
#include "prefs/PrefKeys.h"
#include "report/ReportController.h"
#include "support/TestSupport.h"
#include "ui/LifecycleMenus.h"

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <gtest/gtest.h>

namespace orvane {
namespace {

class RecordingAlerts : public AlertService {
  public:
    int runAlert(const std::string& title, const std::string&, const std::string&,
                 const std::string&, const std::string&) override {
        titles.push_back(title);
        return 0;
    }
    std::vector<std::string> titles;
};

TEST(LifecycleMenus, TrackingModeItemFollowsThePreferenceAndTheAboutBoxTheVersion) {
    test::TempDir dir;
    UserDefaults defaults(dir / "prefs.json");
    defaults.setInteger(keys::kDebug, 1);
    ReportController report(defaults);
    RecordingAlerts alerts;
    PlatformServices services;
    services.alerts = &alerts;
    Controller controller(defaults, report, services);
    Lifecycle lifecycle(defaults, controller);
    QWidget window;
    LifecycleMenus menus(lifecycle, &window);
    QMenu menu;
    QAction* quit = menu.addAction("Quit Orvane");
    menus.addTo(&menu, quit);
    lifecycle.setLifecycleView(&menus);

    const QList<QAction*> actions = menu.actions();
    EXPECT_EQ(actions.first(), menus.aboutAction());
    EXPECT_LT(actions.indexOf(menus.trackingModeAction()), actions.indexOf(quit));

    {
        test::LogCapture log; // tracking mode's start-up lines stay off the test's output
        test::TempDir home;
        const std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
        setenv("HOME", home.path().c_str(), 1);
        lifecycle.applicationWillFinishLaunching();
        setenv("HOME", savedHome.c_str(), 1);
    }
    EXPECT_TRUE(menus.trackingModeAction()->isChecked());
    EXPECT_TRUE(menus.aboutText().contains("Version " + QString(lifecycle.version().c_str())));

    // The user's click flips the mark before the lifecycle sees it; the lifecycle's
    // state decides, and the mark ends as the preference is.
    menus.trackingModeAction()->trigger();
    EXPECT_FALSE(menus.trackingModeAction()->isChecked());
    EXPECT_EQ(defaults.integerForKey(keys::kDebug), 0);
    EXPECT_TRUE(alerts.titles.empty());
    menus.trackingModeAction()->trigger();
    EXPECT_TRUE(menus.trackingModeAction()->isChecked());
    EXPECT_EQ(defaults.integerForKey(keys::kDebug), 1);
    EXPECT_EQ(alerts.titles, std::vector<std::string>{"Tracking Mode On"});
}

} // namespace
} // namespace orvane
