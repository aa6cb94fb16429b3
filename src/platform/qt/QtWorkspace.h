#pragma once

#include "platform/Services.h"

namespace orvane {

class QtWorkspace : public Workspace {
  public:
    // File managers on Linux watch the file system themselves (inotify): nothing to tell.
    void noteFileSystemChanged() override;
    bool openURL(const std::string& url) override;
    bool openPath(const std::string& path) override;
    // Asks the file manager over D-Bus (org.freedesktop.FileManager1 ShowItems); where none
    // answers, opens the item's folder instead.
    bool showInFolder(const std::string& path) override;
};

} // namespace orvane
