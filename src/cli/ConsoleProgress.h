#pragma once

#include "app/MainView.h"
#include "report/RunProgress.h"

#include <chrono>
#include <cstdio>

namespace orvane::cli {

// The run's progress on standard error when it is a terminal: one line redrawn in place
// at most five times a second, "1,234 / 20,000 · 6.2% · 3,070 files/s · about 5 s left ·
// IMG_0042.JPG" fitted to the terminal's width, and a last line with the time taken.
class ConsoleProgress : public MainView {
  public:
    explicit ConsoleProgress(bool enabled) : enabled_(enabled) {}
    void setProgressMaximum(double) override {}
    void setProgressValue(double) override {}
    void setGoButton(const std::string&, const std::string&) override {}
    void setProgressStatus(const ProgressStatus& status) override;
    // Replaces the progress line by the last line, once the run has ended.
    void finish();

  private:
    bool enabled_;
    bool drawn_ = false;
    ProgressStatus last_;
    std::chrono::steady_clock::time_point lastDraw_;
};

} // namespace orvane::cli
