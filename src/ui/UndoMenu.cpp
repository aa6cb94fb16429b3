#include "ui/UndoMenu.h"

#include <QAction>
#include <QMenu>

namespace orvane {

UndoMenu::UndoMenu(Controller& controller, QObject* parent)
    : QObject(parent), undoLastRun_(controller) {
    undo_ = new QAction(tr("Undo Last Organize…"), this);
    undo_->setObjectName("undoLastOrganizeAction");
    undo_->setEnabled(false);
    connect(undo_, &QAction::triggered, this, [this] { undoLastRun_.undo(); });
}

void UndoMenu::addTo(QMenu* fileMenu) {
    fileMenu->addSeparator();
    fileMenu->addAction(undo_);
    connect(fileMenu, &QMenu::aboutToShow, this, &UndoMenu::updateEnabled);
}

void UndoMenu::updateEnabled() {
    // One look at the journals answers both: whether a run can be taken back, and which.
    const std::optional<std::string> title = undoLastRun_.commandTitle();
    undo_->setText(title ? QString::fromStdString(*title) : tr("Undo Last Organize…"));
    undo_->setEnabled(title.has_value());
}

} // namespace orvane
