#pragma once

#include <cstddef>
#include <memory>

namespace orvane {

class PlanChoice;
struct RunPlan;

// What the preview needs of the desktop: the preview command with the progress of the plan
// being made, and the window that shows a finished plan.
class PreviewView {
  public:
    virtual ~PreviewView() = default;
    // While a plan is made the preview command reads "Abort" and organising waits.
    virtual void setPlanning(bool planning) = 0;
    virtual void setPlanningProgress(size_t done, size_t total) = 0;
    // `choice`: the entries chosen to import, which the window's checkboxes change.
    virtual void showPlan(std::shared_ptr<const RunPlan> plan,
                          std::shared_ptr<PlanChoice> choice) = 0;
    virtual void closePlan() = 0;
};

} // namespace orvane
