#include "app/WebLinks.h"

#include "app/Resources.h"
#include "app/SiteAddress.h"
#include "base/Log.h"
#include "base/WindowText.h"

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
        alerts_.runAlert(ORVANE_TRANSLATE_NOOP("Orvane", "Help isn't available"),
                         "Orvane couldn't find its help pages. It looked for them in these "
                         "folders:" +
                             searched,
                         "OK");
        return;
    }
    if (workspace_.openURL(fileURLForPath(*page)))
        return;
    // No browser or viewer takes the page: say where it is, to open by hand.
    logMessage(LOG_DEBUG, "No application opened the help page '%s'", page->string().c_str());
    alerts_.runAlert(ORVANE_TRANSLATE_NOOP("Orvane", "Couldn't open the help"),
                     "No web browser opened Orvane's help pages. You can open this file in "
                     "one yourself:\n" +
                         page->string(),
                     "OK");
}

} // namespace orvane
