#pragma once

#include "app/MainView.h"

#include <chrono>
#include <cstdio>

namespace orvane::cli {

// The run's progress on standard error when it is a terminal: entries done of the total,
// the rate, redrawn in place at most five times a second.
class ConsoleProgress : public MainView {
  public:
    explicit ConsoleProgress(bool enabled) : enabled_(enabled) {}
    void setProgressMaximum(double maximum) override;
    void setProgressValue(double value) override;
    void setGoButton(const std::string&, const std::string&) override {}
    void setCurrentPath(const std::string& path) { currentPath_ = path; }
    void finish();

  private:
    bool enabled_;
    double maximum_ = 0;
    bool drawn_ = false;
    std::string currentPath_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastDraw_;
};

} // namespace orvane::cli
