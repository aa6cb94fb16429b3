#pragma once

#include <string>

namespace orvane {

// What the run control needs of the main window.
class MainView {
  public:
    virtual ~MainView() = default;
    virtual void setProgressMaximum(double maximum) = 0;
    virtual void setProgressValue(double value) = 0;
    // The organise button's title and key ("\r" for Return, "" for none).
    virtual void setGoButton(const std::string& title, const std::string& keyEquivalent) = 0;
};

} // namespace orvane
