#include "ui/DesktopApp.h"

#include "app/PowerCallback.h"
#include "app/UncaughtException.h"
#include "base/Paths.h"
#include "base/RunStatus.h"
#include "cameras/CameraSources.h"
#include "history/ImportHistory.h"
#include "platform/CopyJobs.h"
#include "platform/RemoteSources.h"
#include "platform/UserDefaults.h"
#include "platform/gphoto/GPhotoCameras.h"
#include "platform/qt/DeviceWatcher.h"
#include "platform/qt/OrvaneApplication.h"
#include "platform/qt/QtMainLoop.h"
#include "platform/qt/QuitGuard.h"
#include "platform/qt/SingleInstance.h"
#include "platform/qt/SleepGuard.h"
#include "platform/qt/Translation.h"
#include "platform/qt/UDisksMonitor.h"
#include "ui/LifecycleMenus.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <cstdio>

namespace orvane {

namespace {

PlatformServices servicesOf(QtAlertService& alerts, QtBeeper& beeper, XbelRecentDocuments& recents,
                            QtWorkspace& workspace, QtTimerService& timers, QtOpenPanel& panels,
                            DBusNotifier& notifier) {
    PlatformServices services;
    services.alerts = &alerts;
    services.beeper = &beeper;
    services.recents = &recents;
    services.workspace = &workspace;
    services.timers = &timers;
    services.panels = &panels;
    services.notifier = &notifier;
    services.automaticCopyJobs = [](const std::string& folder) {
        return automaticCopyJobs(folder);
    };
    return services;
}

} // namespace

DesktopApp::DesktopApp(UserDefaults& defaults, std::string recentDocumentsFile)
    : defaults_(defaults), recents_(recentDocumentsFile.empty() ? XbelRecentDocuments::defaultFile()
                                                                : std::move(recentDocumentsFile)),
      report_(defaults),
      controller_(defaults, report_,
                  servicesOf(alerts_, beeper_, recents_, workspace_, timers_, panels_, notifier_)),
      lifecycle_(defaults, controller_), preview_(controller_), cardOffers_(controller_),
      prefsController_(defaults, prefsServices()), reportWindow_(report_, &workspace_),
      mainWindow_(controller_), prefsWindow_(prefsController_),
      updates_(defaults, alerts_, workspace_), undoMenu_(controller_),
      previewCommands_(preview_, mainWindow_), cardBar_(new CardOfferBar(cardOffers_)) {
    mainWindow_.addTopBar(cardBar_);
    report_.setMainController(&controller_);
    report_.setShowCopyRules([this] { prefsWindow_.showCopyRules(); });
    // Closing the main window ends the application even while a report is open.
    reportWindow_.setAttribute(Qt::WA_QuitOnClose, false);
    alerts_.setParentWidget(&mainWindow_);
    panels_.setParentWidget(&mainWindow_);
    // A pattern list that does not compile is reported over the preferences window.
    prefsAlerts_.setParentWidget(&prefsWindow_);
    QAction* preferences = prefsWindow_.addPreferencesCommand(mainWindow_.applicationMenu());
    mainWindow_.editMenu()->addAction(preferences);
    // Settings wait while a run reads them.
    QObject::connect(&mainWindow_, &MainWindow::runningChanged, preferences,
                     [preferences](bool running) { preferences->setEnabled(!running); });
    // "Open Preferences" in the alert about a stored pattern that does not compile.
    controller_.setPatternFixer([this](const std::string& type, size_t index) {
        prefsController_.showPattern(type, index);
    });
    // A report closed by mistake comes back, as it was, until the next run's replaces it.
    QMenu* windowMenu =
        mainWindow_.menuBar()->addMenu(QCoreApplication::translate("MainWindow", "&Window"));
    windowMenu->setObjectName("windowMenu");
    QAction* lastReport =
        windowMenu->addAction(QCoreApplication::translate("MainWindow", "&Last Report"));
    lastReport->setObjectName("lastReportAction");
    lastReport->setShortcut(QKeySequence("Ctrl+Shift+R"));
    // Greyed in the open menu before the first report; its shortcut stays on, and does
    // nothing then.
    QObject::connect(windowMenu, &QMenu::aboutToShow, lastReport,
                     [this, lastReport] { lastReport->setEnabled(report_.hasShownReport()); });
    QObject::connect(windowMenu, &QMenu::aboutToHide, lastReport,
                     [lastReport] { lastReport->setEnabled(true); });
    QObject::connect(lastReport, &QAction::triggered, &reportWindow_, [this] {
        if (report_.hasShownReport())
            report_.bringReportToFront();
    });
    QMenu* helpMenu =
        mainWindow_.menuBar()->addMenu(QCoreApplication::translate("MainWindow", "&Help"));
    helpMenu->setObjectName("helpMenu");
    updates_.addTo(mainWindow_.applicationMenu(), helpMenu, mainWindow_.quitAction());
    undoMenu_.addTo(mainWindow_.fileMenu());
}

PlatformServices DesktopApp::prefsServices() {
    PlatformServices services;
    services.alerts = &prefsAlerts_;
    services.beeper = &beeper_;
    return services;
}

DesktopApp::~DesktopApp() {
    report_.setMainController(nullptr);
    report_.setShowCopyRules(nullptr);
    controller_.setPatternFixer(nullptr);
}

int runDesktop(int argc, char** argv) {
    OrvaneApplication app(argc, argv);
    app.setExceptionHandler(
        [](const std::exception_ptr& exception) { logUncaughtException(exception); });
    // No display name: Qt would append " — Orvane" to every title, "Orvane Report" among them;
    // the windows name the application themselves.
    QApplication::setApplicationName("Orvane");
    QApplication::setDesktopFileName("org.orvane.Orvane");
    installTranslations(app);
    // Without a desktop session Qt knows no icon theme; the wells' icons come from one.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == "hicolor")
        QIcon::setFallbackThemeName("Adwaita");

    // What is left after Qt took its own options are the paths to open ("Open With" passes
    // them so). They are made absolute here: a running instance has another working folder.
    std::vector<std::string> openedPaths;
    for (int i = 1; i < argc; ++i)
        openedPaths.push_back(isCameraPath(argv[i]) ? argv[i] : absolutePath(argv[i]));
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
    controller.setRunJournalFolder(UserDefaults::runJournalDirectory().string());
    controller.setImportHistoryFile(ImportHistory::defaultFile());
    Lifecycle& lifecycle = desktop.lifecycle();
    MainWindow& window = desktop.mainWindow();
    SleepGuard sleepGuard([&controller] { return controller.mergeState(); }, powerCallback);
    // Cameras and phones on a cable are reached through libgphoto2, and let go of after each
    // run so that other programs can reach them.
    GPhotoCameras cameraService;
    CameraSources cameras(cameraService);
    const RemoteSourcesScope cameraScope(cameras);
    controller.setMergeStateObserver([&sleepGuard, &cameras](int state) {
        sleepGuard.mergeStateChanged(state);
        if (state == kMergeIdle)
            cameras.closeAll();
    });
    // Cards and cameras: those mounted already, then those mounted or connected while we
    // run (UDisks2 where it runs; the mount table, the desktop's phone mounts and udev
    // always).
    UDisksMonitor cardMonitor(desktop.cardOffers());
    desktop.cardOffers().scanMounted();
    DeviceWatcher deviceWatcher(desktop.cardOffers());
    QtMainLoop mainLoop;
    lifecycle.setMainLoop(&mainLoop);
    LifecycleMenus menus(lifecycle, &window);
    menus.addTo(window.applicationMenu(), window.quitAction());
    lifecycle.setLifecycleView(&menus);
    QuitGuard quitGuard([&lifecycle] {
        return lifecycle.applicationShouldTerminate() == Lifecycle::kTerminateNow;
    });
    quitGuard.watchMainWindow(&window);
    // After the welcome of a first start, and at every later start.
    lifecycle.setShowPreferences([&desktop] { desktop.prefsWindow().showPreferences(); });
    lifecycle.setUpdateReminder([&desktop] { desktop.updateMenus().updateReminder(); });

    lifecycle.applicationWillFinishLaunching();
    for (const std::string& path : openedPaths)
        lifecycle.openFile(path);
    instance.setRequestHandler([&lifecycle, &window](const std::vector<std::string>& paths) {
        for (const std::string& path : paths)
            lifecycle.openFile(path);
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    window.show();
    lifecycle.applicationDidFinishLaunching();

    int status = 1;
    try {
        status = QApplication::exec();
    } catch (...) {
        logUncaughtException(std::current_exception());
    }
    instance.setRequestHandler(nullptr);
    controller.setMergeStateObserver(nullptr);
    lifecycle.setLifecycleView(nullptr);
    lifecycle.setMainLoop(nullptr);
    lifecycle.setShowPreferences(nullptr);
    lifecycle.setUpdateReminder(nullptr);
    return status;
}

} // namespace orvane
