#pragma once

#include "app/CardOffers.h"
#include "app/Controller.h"
#include "app/Lifecycle.h"
#include "app/PreviewController.h"
#include "platform/qt/DBusNotifier.h"
#include "platform/qt/QtAlerts.h"
#include "platform/qt/QtOpenPanel.h"
#include "platform/qt/QtTimerService.h"
#include "platform/qt/QtWorkspace.h"
#include "platform/qt/XbelRecentDocuments.h"
#include "prefs/PrefsController.h"
#include "report/ReportController.h"
#include "ui/CardOfferBar.h"
#include "ui/MainWindow.h"
#include "ui/PrefsWindow.h"
#include "ui/PreviewCommands.h"
#include "ui/ReportWindow.h"
#include "ui/UndoMenu.h"
#include "ui/UpdateMenus.h"

namespace orvane {

class UserDefaults;

// The desktop application's objects, created together and torn down in the safe order:
// the windows first, then the controller (which stops and joins a running worker), then
// the report it writes into, then the services.
class DesktopApp {
  public:
    // `recentDocumentsFile` empty: the user's own list.
    explicit DesktopApp(UserDefaults& defaults, std::string recentDocumentsFile = {});
    ~DesktopApp();

    UserDefaults& defaults() { return defaults_; }
    Controller& controller() { return controller_; }
    Lifecycle& lifecycle() { return lifecycle_; }
    ReportController& reportController() { return report_; }
    MainWindow& mainWindow() { return mainWindow_; }
    ReportWindow& reportWindow() { return reportWindow_; }
    PrefsController& prefsController() { return prefsController_; }
    PrefsWindow& prefsWindow() { return prefsWindow_; }
    // The update check (with its start-up reminder) and the web links, with their menu items.
    UpdateMenus& updateMenus() { return updates_; }
    UndoMenu& undoMenu() { return undoMenu_; }
    PreviewController& previewController() { return preview_; }
    PreviewCommands& previewCommands() { return previewCommands_; }
    // The offer of inserted cards, shown in a bar of the main window.
    CardOffers& cardOffers() { return cardOffers_; }
    CardOfferBar& cardOfferBar() { return *cardBar_; }

  private:
    PlatformServices prefsServices();

    UserDefaults& defaults_;
    QtAlertService alerts_;
    QtBeeper beeper_;
    XbelRecentDocuments recents_;
    QtWorkspace workspace_;
    QtTimerService timers_;
    QtOpenPanel panels_;
    DBusNotifier notifier_;
    QtAlertService prefsAlerts_;
    ReportController report_;
    Controller controller_;
    Lifecycle lifecycle_;
    PreviewController preview_;
    CardOffers cardOffers_;
    PrefsController prefsController_;
    ReportWindow reportWindow_;
    MainWindow mainWindow_;
    PrefsWindow prefsWindow_;
    UpdateMenus updates_;
    UndoMenu undoMenu_;
    PreviewCommands previewCommands_;
    CardOfferBar* cardBar_ = nullptr; // the main window's
};

// The desktop application's start: logging, defaults, the main window; runs the event loop.
int runDesktop(int argc, char** argv);

} // namespace orvane
