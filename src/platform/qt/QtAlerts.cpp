#include "platform/qt/QtAlerts.h"

#include "platform/qt/Translation.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

namespace orvane {

namespace {

// An alert shown as the application starts (the welcome) would be placed before the window
// manager has placed the main window: wait briefly for it, then centre the alert on it.
void centreOver(QMessageBox& box, QWidget* parent) {
    if (!parent || !parent->isVisible())
        return;
    QWindow* window = parent->windowHandle();
    QElapsedTimer waited;
    waited.start();
    while (window && !window->isExposed() && waited.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
    box.adjustSize();
    box.move(parent->frameGeometry().center() - box.rect().center());
}

} // namespace

int QtAlertService::runAlert(const std::string& title, const std::string& message,
                             const std::string& defaultButton, const std::string& alternateButton,
                             const std::string& otherButton) {
    QMessageBox box(parent_);
    box.setWindowTitle(windowText(title));
    box.setText(windowText(message));
    // The same alert serves messages, questions and warnings: a neutral icon for all.
    box.setIcon(QMessageBox::Information);
    box.setWindowModality(Qt::ApplicationModal);
    // The order on screen follows the desktop's convention for the roles; Return presses
    // the default button, Escape the alternate one (else the default).
    QPushButton* first = box.addButton(
        windowText(defaultButton.empty() ? std::string(QT_TRANSLATE_NOOP("Orvane", "OK"))
                                         : defaultButton),
        QMessageBox::AcceptRole);
    QPushButton* second = alternateButton.empty()
                              ? nullptr
                              : box.addButton(windowText(alternateButton), QMessageBox::RejectRole);
    QPushButton* third = otherButton.empty()
                             ? nullptr
                             : box.addButton(windowText(otherButton), QMessageBox::ActionRole);
    box.setDefaultButton(first);
    box.setEscapeButton(second ? second : first);
    centreOver(box, parent_);
    box.exec();
    QAbstractButton* pressed = box.clickedButton();
    if (second && pressed == second)
        return 1;
    if (third && pressed == third)
        return 2;
    return 0;
}

void QtBeeper::beep() {
    QApplication::beep();
}

} // namespace orvane
