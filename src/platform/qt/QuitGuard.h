#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QSessionManager;
class QWidget;

namespace orvane {

// Every way of ending the application asks first: the application's quit (the Quit menu
// item, Ctrl+Q), the close button of the main window and the desktop session's log-out.
class QuitGuard : public QObject {
    Q_OBJECT
  public:
    // `mayQuit` answers whether the application may end now; it beeps when not.
    explicit QuitGuard(std::function<bool()> mayQuit, QObject* parent = nullptr);

    // Closing `window` ends the application, when allowed.
    void watchMainWindow(QWidget* window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void commitData(QSessionManager& manager);

    std::function<bool()> mayQuit_;
    QPointer<QWidget> mainWindow_;
};

} // namespace orvane
