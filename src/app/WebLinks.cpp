#include "app/WebLinks.h"

#include "app/Resources.h"
#include "app/SiteAddress.h"
#include "base/Log.h"

namespace orvane {

WebLinks::WebLinks(AlertService& alerts, Workspace& workspace)
    : alerts_(alerts), workspace_(workspace), folders_(resourceFolders()) {}

void WebLinks::visitWebsite() {
    workspace_.openURL(site::websiteURL());
}

void WebLinks::donateClicked() {
    logMessage(LOG_DEBUG, "User clicked donate");
    workspace_.openURL(site::donationURL());
}

void WebLinks::showHelp() {
    const auto page = pathForResource("Help", "html", "Help", folders_);
    if (!page) {
        std::string searched;
        for (const auto& folder : folders_)
            searched += "\n" + (folder / "Help").string();
        logMessage(LOG_DEBUG, "Couldn't find the help pages in:%s", searched.c_str());
        alerts_.runAlert("Help isn't available",
                         "Orvane couldn't find its help pages. It looked for them in these "
                         "folders:" +
                             searched,
                         "OK");
        return;
    }
    workspace_.openURL(fileURLForPath(*page));
}

} // namespace orvane
