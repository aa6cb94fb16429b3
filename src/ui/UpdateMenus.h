#pragma once

#include "app/UpdateChecker.h"
#include "app/WebLinks.h"
#include "platform/qt/QtHttpClient.h"

#include <QObject>

class QAction;
class QMenu;

namespace orvane {

class UserDefaults;

// The update check and the web links of the desktop application, with their menu items:
// "Check for Updates…" and "Donate…" in the application menu, "Orvane Help" and "Visit
// Website" in the help menu.
class UpdateMenus : public QObject {
    Q_OBJECT

  public:
    UpdateMenus(UserDefaults& defaults, AlertService& alerts, Workspace& workspace,
                QObject* parent = nullptr);

    // Adds the items; in the application menu before `before` (such as the quit item),
    // followed by a separator, or at the end when it is null.
    void addTo(QMenu* applicationMenu, QMenu* helpMenu, QAction* before = nullptr);

    // The start-up reminder, for the launch sequence.
    void updateReminder() { checker_.updateReminder(); }

    UpdateChecker& updateChecker() { return checker_; }
    WebLinks& webLinks() { return links_; }

    QAction* checkForUpdatesAction() const { return checkForUpdates_; }
    QAction* donateAction() const { return donate_; }
    QAction* helpAction() const { return help_; }
    QAction* visitWebsiteAction() const { return visitWebsite_; }

  private:
    QtHttpClient http_;
    UpdateChecker checker_;
    WebLinks links_;
    QAction* checkForUpdates_ = nullptr;
    QAction* donate_ = nullptr;
    QAction* help_ = nullptr;
    QAction* visitWebsite_ = nullptr;
};

} // namespace orvane
