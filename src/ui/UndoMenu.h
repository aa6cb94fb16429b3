#pragma once

#include "app/UndoLastRun.h"

#include <QObject>

class QAction;
class QMenu;

namespace orvane {

class Controller;

// "Undo Last Organize…" in the File menu: enabled whenever the menu opens and the last run
// can be undone.
class UndoMenu : public QObject {
    Q_OBJECT

  public:
    explicit UndoMenu(Controller& controller, QObject* parent = nullptr);

    // Adds the item at the end of `fileMenu`, after a separator.
    void addTo(QMenu* fileMenu);
    // Enables the item when the last run can be undone.
    void updateEnabled();

    QAction* undoAction() const { return undo_; }
    UndoLastRun& undoLastRun() { return undoLastRun_; }

  private:
    UndoLastRun undoLastRun_;
    QAction* undo_ = nullptr;
};

} // namespace orvane
