#pragma once

#include <string>

namespace orvane {

// What the start-up and the tracking-mode command need of the windows and menus.
class LifecycleView {
  public:
    virtual ~LifecycleView() = default;
    // The version line of the About box.
    virtual void setInfoVersion(const std::string& text) = 0;
    // The check mark of the "Tracking Mode" menu item.
    virtual void setDebugMenuItemState(bool on) = 0;
};

} // namespace orvane
