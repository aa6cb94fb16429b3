#pragma once

#include "app/PreviewView.h"
#include "ui/PreviewWindow.h"

#include <QObject>

class QAction;
class QPushButton;

namespace orvane {

class MainWindow;
class PreviewController;

// The preview's face in the main window: the "Preview…" button beside Organize and its
// File menu command, the progress of the plan on the main window's bar, and the preview
// window itself.
class PreviewCommands : public QObject, public PreviewView {
    Q_OBJECT
  public:
    PreviewCommands(PreviewController& controller, MainWindow& window);
    ~PreviewCommands() override;

    // PreviewView
    void setPlanning(bool planning) override;
    void setPlanningProgress(size_t done, size_t total) override;
    void showPlan(std::shared_ptr<const RunPlan> plan, std::shared_ptr<PlanChoice> choice) override;
    void closePlan() override;

    QPushButton* previewButton() const { return button_; }
    QAction* previewAction() const { return action_; }
    PreviewWindow& previewWindow() { return window_; }

  private:
    void updateEnabled();

    PreviewController& controller_;
    MainWindow& mainWindow_;
    QPushButton* button_ = nullptr;
    QAction* action_ = nullptr;
    bool planning_ = false;
    PreviewWindow window_;
};

} // namespace orvane
