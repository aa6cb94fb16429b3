#pragma once

#include "platform/Services.h"

#include <QString>

namespace orvane {

class QtWorkspace : public Workspace {
  public:
    // File managers on Linux watch the file system themselves (inotify): nothing to tell.
    void noteFileSystemChanged() override;
    bool openURL(const std::string& url) override;
    // Opens the item with the desktop's handler through `xdg-open`; where none answers, an
    // alert names the path and offers to copy it, so the command never does nothing.
    bool openPath(const std::string& path) override;
    // Asks the file manager over D-Bus (org.freedesktop.FileManager1 ShowItems); where none
    // answers, opens the item's folder as `openPath` does.
    bool showInFolder(const std::string& path) override;

    // The program that opens files; tests point it at one that fails.
    void setOpener(QString program) { opener_ = std::move(program); }

  private:
    QString opener_ = QStringLiteral("xdg-open");
};

} // namespace orvane
