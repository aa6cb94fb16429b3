#pragma once

#include "platform/Services.h"

class QWidget;

namespace orvane {

// The choose panel as a Qt file dialog. Qt's dialogs choose either files or one folder;
// for a panel that takes files and folders together the dialog's own views are switched
// to several-item selection and the selection is read from them.
class QtOpenPanel : public OpenPanelService {
  public:
    void setParentWidget(QWidget* parent) { parent_ = parent; }
    std::optional<std::vector<std::string>> runOpenPanel(const OpenPanelOptions& options) override;

  private:
    QWidget* parent_ = nullptr;
};

} // namespace orvane
