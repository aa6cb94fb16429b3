#pragma once

#include "platform/Services.h"

#include <filesystem>
#include <vector>

namespace orvane {

// The menu actions that open the help pages, the web site and the donation page in the
// user's browser.
class WebLinks {
  public:
    WebLinks(AlertService& alerts, Workspace& workspace);

    void visitWebsite();
    void donateClicked();
    // Opens Help/Help.html from the first resource folder that has it; tells the user when
    // none has.
    void showHelp();

    // Test seam: the folders searched for the help pages.
    void setResourceFolders(std::vector<std::filesystem::path> folders) {
        folders_ = std::move(folders);
    }

  private:
    AlertService& alerts_;
    Workspace& workspace_;
    std::vector<std::filesystem::path> folders_;
};

} // namespace orvane
