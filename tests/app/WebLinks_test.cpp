#include "app/BuildInfo.h"
#include "app/Resources.h"
#include "app/SiteAddress.h"
#include "app/UpdateFakes.h"
#include "app/WebLinks.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;

TEST(WebLinks, WebsiteAndDonationOpenInTheBrowser) {
    setenv(site::kBaseAddressVariable, "http://links.test", 1);
    test::RecordingAlerts alerts;
    test::RecordingWorkspace workspace;
    WebLinks links(alerts, workspace);
    test::LogCapture log;
    links.visitWebsite();
    EXPECT_FALSE(log.contains("donate"));
    links.donateClicked();
    EXPECT_TRUE(log.contains("DEBUG: User clicked donate\n"));
    EXPECT_EQ(workspace.opened,
              (std::vector<std::string>{"http://links.test/Orvane/", "http://links.test/Orvane/"
                                                                     "donationrequest.html"}));
    EXPECT_TRUE(alerts.calls.empty());
    unsetenv(site::kBaseAddressVariable);
}

TEST(WebLinks, HelpOpensTheFirstHelpPageFoundAsAFileURL) {
    test::TempDir tmp;
    test::writeFile(tmp / "second/Help/Help.html", "<html></html>");
    test::writeFile(tmp / "first/Help/Other.html", "<html></html>");
    test::RecordingAlerts alerts;
    test::RecordingWorkspace workspace;
    WebLinks links(alerts, workspace);
    links.setResourceFolders({tmp / "missing", tmp / "first", tmp / "second"});
    links.showHelp();
    EXPECT_EQ(workspace.opened,
              std::vector<std::string>{fileURLForPath(tmp / "second/Help/Help.html")});
    EXPECT_TRUE(alerts.calls.empty());
}

TEST(WebLinks, MissingHelpPagesAreToldNotOpened) {
    test::TempDir tmp;
    test::writeFile(tmp / "a/Help", "a file where the help folder belongs");
    test::RecordingAlerts alerts;
    test::RecordingWorkspace workspace;
    WebLinks links(alerts, workspace);
    links.setResourceFolders({tmp / "a", tmp / "b"});
    links.showHelp();
    EXPECT_TRUE(workspace.opened.empty());
    ASSERT_EQ(alerts.calls.size(), 1u);
    EXPECT_EQ(alerts.calls[0].title, "Help isn't available");
    EXPECT_NE(alerts.calls[0].message.find(tmp / "b/Help"), std::string::npos);
}

TEST(WebLinks, TheProgramFindsItsOwnHelpPage) {
    test::RecordingAlerts alerts;
    test::RecordingWorkspace workspace;
    WebLinks links(alerts, workspace);
    links.showHelp();
    ASSERT_EQ(workspace.opened.size(), 1u);
    EXPECT_EQ(workspace.opened[0],
              fileURLForPath(fs::path(build::kSourceResourceDir) / "Help/Help.html"));
}

TEST(Resources, InstalledTreeComesBeforeTheSourceTree) {
    const auto folders = resourceFolders("/opt/orvane/bin/orvane");
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[0], fs::path("/opt/orvane") / build::kInstallDataDir / "orvane");
    EXPECT_EQ(folders[1], fs::path(build::kSourceResourceDir));
    EXPECT_EQ(folders[2], fs::path(build::kInstalledResourceDir));

    test::TempDir prefix;
    test::writeFile(prefix / "share/orvane/Help/Help.html", "installed");
    EXPECT_EQ(pathForResource("Help", "html", "Help", resourceFolders(prefix / "bin/orvane")),
              fs::path(prefix / "share/orvane/Help/Help.html"));
    EXPECT_EQ(pathForResource("Help", "html", "Help", resourceFolders(prefix / "build/bin/orvane")),
              fs::path(build::kSourceResourceDir) / "Help/Help.html")
        << "a build tree finds the source tree's resources";
    EXPECT_FALSE(pathForResource("NoSuchPage", "html", "Help"));
    EXPECT_FALSE(pathForResource("Help", "", "")) << "a folder is not a resource";
}

TEST(Resources, FileURLsEncodeEverythingButUnreservedBytes) {
    EXPECT_EQ(fileURLForPath("/usr/share/orvane/Help/Help.html"),
              "file:///usr/share/orvane/Help/Help.html");
    EXPECT_EQ(fileURLForPath("/tmp/a b/\xC3\xBC#?%.html"),
              "file:///tmp/a%20b/%C3%BC%23%3F%25.html");
}

} // namespace
} // namespace orvane
