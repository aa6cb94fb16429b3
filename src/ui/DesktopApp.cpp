#include "ui/DesktopApp.h"

#include "app/UncaughtException.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "platform/qt/OrvaneApplication.h"
#include "platform/qt/QtMainLoop.h"
#include "platform/qt/QuitGuard.h"
#include "platform/qt/SingleInstance.h"
#include "platform/qt/SleepGuard.h"
#include "ui/LifecycleMenus.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>

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
      reportWindow_(report_), mainWindow_(controller_) {
    report_.setMainController(&controller_);
    alerts_.setParentWidget(&mainWindow_);
    panels_.setParentWidget(&mainWindow_);
}

DesktopApp::~DesktopApp() {
    report_.setMainController(nullptr);
}

int runDesktop(int argc, char** argv) {
    OrvaneApplication app(argc, argv);
    QApplication::setApplicationName("Orvane");
    QApplication::setApplicationDisplayName("Orvane");
    QApplication::setDesktopFileName("orvane");
    // Without a desktop session Qt knows no icon theme; the wells' icons come from one.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == "hicolor")
        QIcon::setFallbackThemeName("Adwaita");

    // What is left after Qt took its own options are the paths to open ("Open With" passes
    // them so). They are made absolute here: a running instance has another working folder.
    std::vector<std::string> openedPaths;
    for (int i = 1; i < argc; ++i)
        openedPaths.push_back(absolutePath(argv[i]));
    SingleInstance instance;
    switch (instance.start(openedPaths)) {
    case SingleInstance::Role::kHandedOver:
        return 0;
    case SingleInstance::Role::kFailed:
        std::fprintf(stderr, "orvane: %s\n", instance.error().c_str());
        return 1;
    case SingleInstance::Role::kPrimary:
        break;
    }

    // The controller's creation installs the handler for uncaught exceptions; the sleep
    // guard follows it at once.
    DesktopApp desktop(UserDefaults::standard());
    Controller& controller = desktop.controller();
    MainWindow& window = desktop.mainWindow();
    SleepGuard sleepGuard([&controller] { return controller.mergeState(); });
    controller.setMergeStateObserver(
        [&sleepGuard](int state) { sleepGuard.mergeStateChanged(state); });
    QtMainLoop mainLoop;
    controller.setMainLoop(&mainLoop);
    LifecycleMenus menus(controller, &window);
    menus.addTo(window.applicationMenu(), window.quitAction());
    controller.setLifecycleView(&menus);
    QuitGuard quitGuard([&controller] {
        return controller.applicationShouldTerminate() == Controller::kTerminateNow;
    });
    quitGuard.watchMainWindow(&window);
    // Still to be connected here: the preferences window (setShowPreferences, opened after
    // the welcome of a first start) and the update reminder (setUpdateReminder).

    controller.applicationWillFinishLaunching();
    for (const std::string& path : openedPaths)
        controller.openFile(path);
    instance.setRequestHandler([&controller, &window](const std::vector<std::string>& paths) {
        for (const std::string& path : paths)
            controller.openFile(path);
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    window.show();
    controller.applicationDidFinishLaunching();

    int status = 1;
    try {
        status = QApplication::exec();
    } catch (...) {
        logUncaughtException(std::current_exception());
    }
    instance.setRequestHandler(nullptr);
    controller.setMergeStateObserver(nullptr);
    controller.setLifecycleView(nullptr);
    controller.setMainLoop(nullptr);
    return status;
}

} // namespace orvane
