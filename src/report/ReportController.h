#pragma once

#include "merge/RunResult.h"

#include <memory>

namespace orvane {

class UserDefaults;

// What the report window shows; the Qt window implements it, tests use fakes.
class ReportView {
  public:
    virtual ~ReportView() = default;
    virtual void showReport() = 0;
};

// Holds the run result and presents it.
class ReportController {
  public:
    explicit ReportController(UserDefaults& defaults) : defaults_(defaults) {}

    // Replaces the run result by an empty one.
    void initializeReport() { result_ = std::make_unique<RunResult>(); }

    RunResult& result() { return *result_; }
    const RunResult& result() const { return *result_; }

    bool cancelled() const { return cancelled_; }
    void setCancelled(bool cancelled) { cancelled_ = cancelled; }

    void setView(ReportView* view) { view_ = view; }
    void showReport() {
        if (view_)
            view_->showReport();
    }

    UserDefaults& defaults() { return defaults_; }

  private:
    UserDefaults& defaults_;
    std::unique_ptr<RunResult> result_ = std::make_unique<RunResult>();
    bool cancelled_ = false;
    ReportView* view_ = nullptr;
};

} // namespace orvane
