#pragma once

#include "platform/Services.h"

class QWidget;

namespace orvane {

// Alerts as modal message boxes over the main window.
class QtAlertService : public AlertService {
  public:
    void setParentWidget(QWidget* parent) { parent_ = parent; }
    int runAlert(const std::string& title, const std::string& message,
                 const std::string& defaultButton, const std::string& alternateButton,
                 const std::string& otherButton) override;

  private:
    QWidget* parent_ = nullptr;
};

class QtBeeper : public Beeper {
  public:
    void beep() override;
};

} // namespace orvane
