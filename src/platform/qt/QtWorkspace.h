#pragma once

#include "platform/Services.h"

namespace orvane {

class QtWorkspace : public Workspace {
  public:
    // File managers on Linux watch the file system themselves (inotify): nothing to tell.
    void noteFileSystemChanged() override;
    bool openURL(const std::string& url) override;
};

} // namespace orvane
