#include "app/SiteAddress.h"
#include "app/UpdateFakes.h"
#include "platform/UserDefaults.h"
#include "prefs/PrefKeys.h"
#include "support/TestSupport.h"
#include "ui/DesktopApp.h"
#include "ui/UpdateMenus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSslSocket>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane {
namespace {

QStringList titles(const QMenu& menu) {
    QStringList result;
    for (QAction* action : menu.actions())
        result << QString(action->text()).remove('&');
    return result;
}

TEST(UpdateMenus, ItemsGoToTheApplicationAndHelpMenusAndDoTheirJob) {
    test::TempDir tmp;
    UserDefaults defaults(tmp / "prefs.json");
    test::RecordingAlerts alerts;
    test::RecordingWorkspace workspace;
    UpdateMenus menus(defaults, alerts, workspace);
    QMenu applicationMenu, helpMenu;
    QAction* quit = applicationMenu.addAction("Quit Orvane");
    menus.addTo(&applicationMenu, &helpMenu, quit);
    EXPECT_EQ(titles(applicationMenu),
              QStringList({QString::fromUtf8("Check for Updates\u2026"),
                           QString::fromUtf8("Donate\u2026"), "", "Quit Orvane"}));
    EXPECT_EQ(titles(helpMenu), QStringList({"Orvane Help", "Visit Website"}));

    setenv(site::kBaseAddressVariable, "http://menus.test", 1);
    menus.visitWebsiteAction()->trigger();
    menus.donateAction()->trigger();
    menus.helpAction()->trigger();
    ASSERT_EQ(workspace.opened.size(), 3u);
    EXPECT_EQ(workspace.opened[0], "http://menus.test/Orvane/");
    EXPECT_EQ(workspace.opened[1], "http://menus.test/Orvane/donationrequest.html");
    EXPECT_EQ(workspace.opened[2].rfind("file:///", 0), 0u) << workspace.opened[2];
    EXPECT_NE(workspace.opened[2].find("/Help/Help.html"), std::string::npos);

    // A bound socket that does not listen refuses at once: the site is down.
    int refusing = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(refusing, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(refusing, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string base = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    setenv(site::kBaseAddressVariable, base.c_str(), 1);
    menus.checkForUpdatesAction()->trigger();
    ::close(refusing);
    unsetenv(site::kBaseAddressVariable);
    ASSERT_EQ(alerts.calls.size(), 1u);
    EXPECT_EQ(alerts.calls[0].title, "Couldn't check for updates");
    EXPECT_TRUE(defaults.objectForKey(keys::kLastUpdateCheck));
}

TEST(UpdateMenus, TheDesktopApplicationShowsThem) {
    test::TempDir tmp;
    UserDefaults defaults(tmp / "prefs.json");
    DesktopApp desktop(defaults, tmp / "recent.xbel");
    QMenu* applicationMenu = desktop.mainWindow().applicationMenu();
    ASSERT_TRUE(applicationMenu);
    const QStringList items = titles(*applicationMenu);
    EXPECT_LT(items.indexOf(QString::fromUtf8("Check for Updates\u2026")),
              items.indexOf(desktop.mainWindow().quitAction()->text().remove(QLatin1Char('&'))));
    EXPECT_TRUE(items.contains(QString::fromUtf8("Donate\u2026")));
    auto* helpMenu = desktop.mainWindow().menuBar()->findChild<QMenu*>("helpMenu");
    ASSERT_TRUE(helpMenu);
    EXPECT_EQ(titles(*helpMenu), QStringList({"Orvane Help", "Visit Website"}));
}

// Without a TLS backend every check of the real site would fail.
TEST(UpdateMenus, TlsIsAvailableForTheSite) {
    EXPECT_TRUE(QSslSocket::supportsSsl())
        << QSslSocket::availableBackends().join(", ").toStdString();
}

} // namespace
} // namespace orvane
