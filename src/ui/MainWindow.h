#pragma once

#include "app/MainView.h"

#include <QMainWindow>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QShortcut;

namespace Ui {
class MainWindow;
}

namespace orvane {

class Controller;
class KelWell;

// The main window: the source and destination rows with their wells, fields and choose
// buttons, the progress meter and the organise button. It shows what the controller sets
// and forwards the user's actions to it.
class MainWindow : public QMainWindow, public MainView {
    Q_OBJECT

  public:
    explicit MainWindow(Controller& controller, QWidget* parent = nullptr);
    ~MainWindow() override;

    // MainView
    void setProgressMaximum(double maximum) override;
    void setProgressValue(double value) override;
    void setGoButton(const std::string& title, const std::string& keyEquivalent) override;
    void setFromField(const std::string& text) override;
    void setToField(const std::string& text) override;
    DropWell* fromWell() override;
    DropWell* toWell() override;
    void setProgressStatus(const ProgressStatus& status) override;
    void setRunning(bool running) override;
    void setGoButtonEnabled(bool enabled) override;
    bool isWindowActive() const override;
    bool hasJobField() const override { return true; }
    void setRecentJobCodes(const std::vector<std::string>& codes) override;
    void setJobField(const std::string& code) override;
    std::optional<std::string> askJobCode() override;

    // Menus where other parts of the application add their commands.
    QMenu* applicationMenu() const { return applicationMenu_; }
    QMenu* fileMenu() const { return fileMenu_; }
    QMenu* editMenu() const { return editMenu_; }
    QAction* organizeAction() const { return organizeAction_; }
    QAction* quitAction() const { return quitAction_; }
    QAction* pickFromAction() const { return pickFromAction_; }
    QAction* pickToAction() const { return pickToAction_; }
    // A button placed in the run row before the organise button.
    void addRunButton(QWidget* button);
    // A bar placed above the selection rows.
    void addTopBar(QWidget* bar);
    // While another command works (the preview plans), the organise button waits; released,
    // it is as the selection would have it.
    void holdGoButton(bool held);
    // Both places are chosen and no run is under way: what commands that start from the
    // selection wait for.
    bool canOrganize() const { return goWanted_ && !running_; }

    // The widgets, for tests and screenshots.
    KelWell* fromKelWell() const;
    KelWell* toKelWell() const;
    QLineEdit* fromFieldWidget() const;
    QLineEdit* toFieldWidget() const;
    QPushButton* goButton() const;
    QProgressBar* progressMeter() const;
    QLabel* progressText() const;
    // Whether Return presses the organise button now.
    bool goButtonHasReturnKey() const;

  signals:
    // A run started (true) or ended: commands that must wait for it follow this.
    void runningChanged(bool running);
    // `canOrganize()` may have changed.
    void organizeAvailabilityChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createMenus();
    // Return presses the button; with the button off it still reaches the controller,
    // which says what is missing.
    void returnPressed();
    // Fits the field's full text into its width, shortened in the middle.
    void showElided(QLineEdit* field);

    Controller& controller_;
    std::unique_ptr<Ui::MainWindow> ui_;
    QShortcut* returnKey_ = nullptr;
    QShortcut* enterKey_ = nullptr;
    QMenu* applicationMenu_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QAction* organizeAction_ = nullptr;
    QAction* quitAction_ = nullptr;
    QAction* pickFromAction_ = nullptr;
    QAction* pickToAction_ = nullptr;
    bool goWanted_ = false;
    bool goHeld_ = false;
    bool running_ = false;
};

} // namespace orvane
