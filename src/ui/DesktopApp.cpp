#include "ui/DesktopApp.h"

#include "app/Log.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>

namespace orvane {

namespace {

PlatformServices servicesOf(QtAlertService& alerts, QtBeeper& beeper, XbelRecentDocuments& recents,
                            QtWorkspace& workspace, QtTimerService& timers, QtOpenPanel& panels) {
    PlatformServices services;
    services.alerts = &alerts;
    services.beeper = &beeper;
    services.recents = &recents;
    services.workspace = &workspace;
    services.timers = &timers;
    services.panels = &panels;
    return services;
}

} // namespace

DesktopApp::DesktopApp(UserDefaults& defaults, std::string recentDocumentsFile)
    : defaults_(defaults), recents_(recentDocumentsFile.empty() ? XbelRecentDocuments::defaultFile()
                                                                : std::move(recentDocumentsFile)),
      report_(defaults),
      controller_(defaults, report_,
                  servicesOf(alerts_, beeper_, recents_, workspace_, timers_, panels_)),
      prefsController_(defaults, prefsServices()), reportWindow_(report_), mainWindow_(controller_),
      prefsWindow_(prefsController_), updates_(defaults, alerts_, workspace_) {
    report_.setMainController(&controller_);
    // Closing the main window ends the application even while a report is open.
    reportWindow_.setAttribute(Qt::WA_QuitOnClose, false);
    alerts_.setParentWidget(&mainWindow_);
    panels_.setParentWidget(&mainWindow_);
    // A pattern list that does not compile is reported over the preferences window.
    prefsAlerts_.setParentWidget(&prefsWindow_);
    prefsWindow_.addPreferencesCommand(mainWindow_.applicationMenu());
    QMenu* helpMenu = mainWindow_.menuBar()->addMenu("&Help");
    helpMenu->setObjectName("helpMenu");
    updates_.addTo(mainWindow_.applicationMenu(), helpMenu, mainWindow_.quitAction());
}

PlatformServices DesktopApp::prefsServices() {
    PlatformServices services;
    services.alerts = &prefsAlerts_;
    services.beeper = &beeper_;
    return services;
}

DesktopApp::~DesktopApp() {
    report_.setMainController(nullptr);
}

int runDesktop(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Orvane");
    QApplication::setApplicationDisplayName("Orvane");
    QApplication::setDesktopFileName("org.orvane.Orvane");
    // Without a desktop session Qt knows no icon theme; the wells' icons come from one.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == "hicolor")
        QIcon::setFallbackThemeName("Adwaita");

    UserDefaults& defaults = UserDefaults::standard();
    configureLogging(defaults.integerForKey(keys::kDebug));
    createLogLock();
    registerDefaults(defaults);

    DesktopApp desktop(defaults);
    desktop.mainWindow().show();
    return app.exec();
}

} // namespace orvane
