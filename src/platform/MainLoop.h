#pragma once

#include <functional>

namespace orvane {

// The main thread's event loop, for work that must wait until the current event has been
// handled (open-file requests that arrive together are applied together).
class MainLoop {
  public:
    virtual ~MainLoop() = default;
    // Runs `task` on the main thread on the event loop's next pass.
    virtual void performLater(std::function<void()> task) = 0;
};

} // namespace orvane
