#pragma once

#include "platform/Services.h"

#include <string>
#include <vector>

namespace orvane::test {

// Records every alert instead of showing it; answers the first button.
class RecordingAlerts : public AlertService {
  public:
    struct Alert {
        std::string title, message, defaultButton, alternateButton, otherButton;
    };
    int runAlert(const std::string& title, const std::string& message,
                 const std::string& defaultButton, const std::string& alternateButton,
                 const std::string& otherButton) override {
        alerts.push_back({title, message, defaultButton, alternateButton, otherButton});
        return 0;
    }
    std::vector<Alert> alerts;
};

} // namespace orvane::test
