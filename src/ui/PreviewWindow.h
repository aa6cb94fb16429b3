#pragma once

#include "merge/RunPlan.h"

#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTreeView;

namespace orvane {

class PlanChoice;
class PlanTreeModel;
class ThumbnailLoader;

// "Orvane Preview": the plan of a run before anything is copied. Totals at the top (files,
// bytes, new folders, conflicts, free space), the tree of date folders below, and the
// command that runs exactly this plan.
class PreviewWindow : public QWidget {
    Q_OBJECT
  public:
    explicit PreviewWindow(QWidget* parent = nullptr);
    ~PreviewWindow() override;

    // `choice`: the entries chosen to import; none shows no checkboxes.
    void setPlan(std::shared_ptr<const RunPlan> plan, std::shared_ptr<PlanChoice> choice = nullptr);
    // Called by "Organize".
    void setOrganizeAction(std::function<void()> organize) { organize_ = std::move(organize); }
    // Called with the "Camera clock" text when it was edited; answers whether it was taken.
    void setCameraClockAction(std::function<bool(const std::string&)> apply) {
        cameraClockApply_ = std::move(apply);
    }
    // Called when the box that copies the files imported before again is toggled.

    // For tests and screenshots.
    QTreeView* tree() const { return tree_; }
    QLabel* totalsLabel() const { return totals_; }
    QLabel* destinationLabel() const { return destination_; }
    QPushButton* organizeButton() const { return organizeButton_; }
    QLineEdit* cameraClockField() const { return cameraClock_; }
    PlanTreeModel* model() const { return model_; }
    QListWidget* timeline() const { return timeline_; }
    QPushButton* chooseButton(const QString& title) const;
    ThumbnailLoader* thumbnails() const { return thumbnails_; }

  private:
    // Selects the entries of the timeline's group in the tree and shows the first.
    void showGroup(QListWidgetItem* item);
    void fillTimeline();
    void updateOrganizeTitle();

    QLabel* destination_ = nullptr;
    QLabel* totals_ = nullptr;
    QTreeView* tree_ = nullptr;
    QLineEdit* cameraClock_ = nullptr;
    QLabel* cameraClockHint_ = nullptr;
    QPushButton* organizeButton_ = nullptr;
    PlanTreeModel* model_ = nullptr;
    std::shared_ptr<PlanChoice> choice_;
    QListWidget* timeline_ = nullptr;
    QWidget* chooseButtons_ = nullptr;
    ThumbnailLoader* thumbnails_ = nullptr;
    std::function<void()> organize_;
    std::function<bool(const std::string&)> cameraClockApply_;
};

// The totals line: "1,234 files · 394.0 MB · 12 new folders · 1 name conflict · …".
QString planTotalsText(const PlanTotals& totals);

} // namespace orvane
