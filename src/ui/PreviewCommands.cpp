#include "ui/PreviewCommands.h"

#include "app/PreviewController.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <cstdint>

namespace orvane {

PreviewCommands::PreviewCommands(PreviewController& controller, MainWindow& window)
    : controller_(controller), mainWindow_(window) {
    button_ = new QPushButton(tr("Preview…"));
    button_->setObjectName(QStringLiteral("previewButton"));
    button_->setAutoDefault(false);
    button_->setToolTip(tr("See where every file would go before copying"));
    button_->setMinimumWidth(window.goButton()->minimumWidth());
    window.addRunButton(button_);
    connect(button_, &QPushButton::clicked, this, [this] { controller_.previewClicked(); });

    action_ = window.fileMenu()->addAction(tr("Preview…"));
    action_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+P")));
    connect(action_, &QAction::triggered, this, [this] { controller_.previewClicked(); });

    // The preview stays above the main window that made it.
    window_.setParent(&window, window_.windowFlags());
    window_.setAttribute(Qt::WA_QuitOnClose, false);
    window_.setOrganizeAction([this] { controller_.organizeFromPlan(); });
    window_.setCameraClockAction(
        [this](const std::string& text) { return controller_.setCameraClock(text); });
    connect(&window, &MainWindow::organizeAvailabilityChanged, this,
            &PreviewCommands::updateEnabled);
    updateEnabled();
    controller_.setView(this);
}

// A preview needs what a run needs; while planning the button aborts.
void PreviewCommands::updateEnabled() {
    const bool enabled = planning_ || mainWindow_.canOrganize();
    button_->setEnabled(enabled);
    action_->setEnabled(enabled);
}

PreviewCommands::~PreviewCommands() {
    controller_.setView(nullptr);
}

void PreviewCommands::setPlanning(bool planning) {
    button_->setText(planning ? tr("Abort") : tr("Preview…"));
    action_->setText(planning ? tr("Abort Preview") : tr("Preview…"));
    planning_ = planning;
    mainWindow_.holdGoButton(planning);
    updateEnabled();
    if (!planning)
        mainWindow_.progressMeter()->setValue(0);
}

void PreviewCommands::setPlanningProgress(size_t done, size_t total) {
    QProgressBar* bar = mainWindow_.progressMeter();
    const auto clamp = [](size_t n) { return static_cast<int>(std::min<size_t>(n, INT32_MAX)); };
    bar->setMaximum(std::max(1, clamp(total)));
    bar->setValue(clamp(done));
}

void PreviewCommands::showPlan(std::shared_ptr<const RunPlan> plan,
                               std::shared_ptr<PlanChoice> choice) {
    window_.setPlan(std::move(plan), std::move(choice));
    window_.show();
    window_.raise();
    window_.activateWindow();
}

void PreviewCommands::closePlan() {
    window_.close();
}

} // namespace orvane
