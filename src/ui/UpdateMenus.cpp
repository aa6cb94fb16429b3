#include "ui/UpdateMenus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

namespace orvane {

UpdateMenus::UpdateMenus(UserDefaults& defaults, AlertService& alerts, Workspace& workspace,
                         QObject* parent)
    : QObject(parent), checker_(defaults, alerts, workspace, http_), links_(alerts, workspace) {
    http_.setWaitText(tr("Checking for updates…"));
    checkForUpdates_ = new QAction(tr("Check for &Updates…"), this);
    checkForUpdates_->setMenuRole(QAction::ApplicationSpecificRole);
    connect(checkForUpdates_, &QAction::triggered, this, [this] { checker_.doUpdateCheck(); });

    donate_ = new QAction(tr("&Donate…"), this);
    donate_->setMenuRole(QAction::ApplicationSpecificRole);
    connect(donate_, &QAction::triggered, this, [this] { links_.donateClicked(); });

    help_ = new QAction(tr("Orvane &Help"), this);
    help_->setShortcut(QKeySequence::HelpContents);
    connect(help_, &QAction::triggered, this, [this] { links_.showHelp(); });

    visitWebsite_ = new QAction(tr("&Visit Website"), this);
    connect(visitWebsite_, &QAction::triggered, this, [this] { links_.visitWebsite(); });
}

void UpdateMenus::addTo(QMenu* applicationMenu, QMenu* helpMenu, QAction* before) {
    if (applicationMenu) {
        applicationMenu->insertAction(before, checkForUpdates_);
        applicationMenu->insertAction(before, donate_);
        if (before)
            applicationMenu->insertSeparator(before);
    }
    if (helpMenu) {
        helpMenu->addAction(help_);
        helpMenu->addAction(visitWebsite_);
    }
}

} // namespace orvane
