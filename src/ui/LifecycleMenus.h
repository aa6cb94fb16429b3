#pragma once

#include "app/LifecycleView.h"

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QWidget;

namespace orvane {

class Lifecycle;

// The application menu's "About Orvane" and "Tracking Mode" items, and the About box that
// shows the version line.
class LifecycleMenus : public QObject, public LifecycleView {
    Q_OBJECT
  public:
    LifecycleMenus(Lifecycle& lifecycle, QWidget* window, QObject* parent = nullptr);

    // Puts "About Orvane" first in `menu` and "Tracking Mode" before `before` (at the end
    // when null).
    void addTo(QMenu* menu, QAction* before);

    // LifecycleView
    void setInfoVersion(const std::string& text) override;
    void setDebugMenuItemState(bool on) override;

    QAction* aboutAction() const { return about_; }
    QAction* trackingModeAction() const { return trackingMode_; }
    // What the About box says.
    QString aboutText() const;
    void showAbout();

  private:
    Lifecycle& lifecycle_;
    QWidget* window_;
    QString infoVersion_;
    QAction* about_;
    QAction* trackingMode_;
};

} // namespace orvane
