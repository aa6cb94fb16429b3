#include "platform/qt/QtAlerts.h"

#include "platform/qt/Translation.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace orvane {

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
