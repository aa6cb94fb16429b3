#include "ui/LifecycleMenus.h"

#include "app/Lifecycle.h"
#include "platform/qt/Translation.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>

namespace orvane {

LifecycleMenus::LifecycleMenus(Lifecycle& lifecycle, QWidget* window, QObject* parent)
    : QObject(parent), lifecycle_(lifecycle), window_(window) {
    about_ = new QAction(tr("&About Orvane"), this);
    about_->setObjectName("aboutAction");
    about_->setMenuRole(QAction::AboutRole);
    connect(about_, &QAction::triggered, this, &LifecycleMenus::showAbout);

    trackingMode_ = new QAction(tr("&Tracking Mode"), this);
    trackingMode_->setObjectName("trackingModeAction");
    trackingMode_->setCheckable(true);
    // Qt has already flipped the check mark; the controller decides from the state it set
    // last and sets the mark again.
    connect(trackingMode_, &QAction::triggered, this, [this] { lifecycle_.trackingMode(); });
}

void LifecycleMenus::addTo(QMenu* menu, QAction* before) {
    const QList<QAction*> actions = menu->actions();
    QAction* first = actions.isEmpty() ? nullptr : actions.first();
    menu->insertAction(first, about_);
    menu->insertSeparator(first);
    menu->insertAction(before, trackingMode_);
    if (before)
        menu->insertSeparator(before);
}

void LifecycleMenus::setInfoVersion(const std::string& text) {
    infoVersion_ = QString::fromStdString(text);
}

void LifecycleMenus::setDebugMenuItemState(bool on) {
    trackingMode_->setChecked(on);
}

QString LifecycleMenus::aboutText() const {
    return QStringLiteral("<h3>Orvane</h3><p>%1</p><p>%2</p>")
        .arg(windowText(infoVersion_.toStdString()).toHtmlEscaped(),
             tr("Copies photos and other files into folders organized by date."));
}

void LifecycleMenus::showAbout() {
    QMessageBox::about(window_, tr("About Orvane"), aboutText());
}

} // namespace orvane
