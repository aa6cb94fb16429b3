#include "app/CardOffers.h"
#include "cameras/CameraSources.h"
#include "platform/gphoto/GPhotoCameras.h"
#include "platform/qt/DeviceWatcher.h"
#include "platform/qt/UDisksMonitor.h"
#include "support/ControllerRig.h"
#include "support/PrivateBus.h"
#include "ui/CardOfferBar.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::waitUntil;

// A card's folder with `photos` files in DCIM (and a hidden one that is no photo).
void makeCard(const std::string& mountPoint, int photos) {
    for (int i = 0; i < photos; ++i)
        test::writeFile(mountPoint + "/DCIM/100CANON/IMG_" + std::to_string(i) + ".JPG", "x");
    test::writeFile(mountPoint + "/DCIM/.thumbs", "x");
}

class CardOfferTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new test::TempDir;
        bus_ = new test::PrivateBus(folder_->path());
        ASSERT_FALSE(bus_->address.isEmpty()) << "dbus-daemon did not start";
        udisks_ = new test::FakeService("fake_udisks.py", bus_->address);
        ASSERT_TRUE(udisks_->ready) << "the fake UDisks2 did not start";
    }
    static void TearDownTestSuite() {
        delete udisks_;
        delete bus_;
        delete folder_;
    }

    static void callFake(const QString& method, const QVariantList& arguments) {
        QDBusMessage call =
            QDBusMessage::createMethodCall("org.freedesktop.UDisks2", "/org/freedesktop/UDisks2",
                                           "org.orvane.FakeUDisks2", method);
        call.setArguments(arguments);
        const QDBusMessage reply =
            QDBusConnection::connectToBus(bus_->address, "udisks-driver").call(call);
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    test::ControllerRig rig;
    CardOffers offers{rig.controller};
    CardOfferBar bar{offers};

    static inline test::TempDir* folder_ = nullptr;
    static inline test::PrivateBus* bus_ = nullptr;
    static inline test::FakeService* udisks_ = nullptr;
};

TEST_F(CardOfferTest, AMountedCardIsOfferedAndBecomesTheSourceOnlyWhenChosen) {
    const std::string card = rig.tmp / "media/EOS_DIGITAL";
    makeCard(card, 3);
    std::filesystem::create_directories(rig.tmp / "media/STICK/Documents");
    UDisksMonitor monitor(offers, QDBusConnection::connectToBus(bus_->address, "monitor-1"));
    ASSERT_TRUE(monitor.watching());

    // A volume without DCIM is no card.
    callFake("AddFilesystem", {"sdc1", "STICK", QString::fromStdString(rig.tmp / "media/STICK")});
    callFake("AddFilesystem", {"sdb1", "EOS_DIGITAL", QString::fromStdString(card)});
    ASSERT_TRUE(waitUntil([&] { return !bar.isHidden(); }));
    EXPECT_EQ(bar.label()->text(), "Card 'EOS_DIGITAL' (3 photos) inserted");
    EXPECT_TRUE(rig.controller.fromPaths().empty()) << "nothing is chosen without the user";

    bar.useButton()->click();
    EXPECT_EQ(rig.controller.fromPaths(), PathList{card + "/DCIM"});
    EXPECT_TRUE(bar.isHidden());

    // Unmounted and mounted again (the desktop's automount): offered again.
    callFake("SetMountPoint", {"sdb1", ""});
    callFake("SetMountPoint", {"sdb1", QString::fromStdString(card)});
    ASSERT_TRUE(waitUntil([&] { return !bar.isHidden(); }));
    // Taken away while offered: the offer goes with it.
    callFake("Remove", {"sdb1"});
    EXPECT_TRUE(waitUntil([&] { return bar.isHidden(); }));
    EXPECT_FALSE(offers.offer());
}

TEST_F(CardOfferTest, ADismissedCardIsNotOfferedAgainWhileMounted) {
    const std::string card = rig.tmp / "NIKON";
    makeCard(card, 1);
    offers.volumeMounted({"NIKON", card});
    EXPECT_EQ(bar.label()->text(), "Card 'NIKON' (1 photo) inserted");
    bar.dismissButton()->click();
    EXPECT_TRUE(bar.isHidden());
    offers.volumeMounted({"NIKON", card});
    EXPECT_TRUE(bar.isHidden());
    EXPECT_TRUE(rig.controller.fromPaths().empty());
    offers.volumeUnmounted(card);
    offers.volumeMounted({"NIKON", card});
    EXPECT_FALSE(bar.isHidden());

    // During a run the source is not changed: a beep, as for the choose command.
    rig.setMergeState(kMergeRunning);
    bar.useButton()->click();
    EXPECT_TRUE(rig.controller.fromPaths().empty());
    EXPECT_EQ(rig.fakes.beeper.beeps, 1);
    rig.setMergeState(kMergeIdle);
}

TEST_F(CardOfferTest, CardsMountedBeforeStartUpAreFoundUnderTheMediaFolders) {
    makeCard(rig.tmp / "run/media/ann/CANON_DC", 2);
    std::filesystem::create_directories(rig.tmp / "media/cdrom");
    offers.scanMounted({rig.tmp / "media", rig.tmp / "run/media", rig.tmp / "missing"});
    ASSERT_TRUE(offers.offer());
    EXPECT_EQ(offers.offer()->volume.mountPoint, rig.tmp / "run/media/ann/CANON_DC");
    EXPECT_EQ(bar.label()->text(), "Card 'CANON_DC' (2 photos) inserted");

    // With an import history the offer says how many are new.
    const std::string card = rig.tmp / "run/media/ann/CANON_DC";
    rig.controller.setImportHistoryFile(rig.tmp / "history.sqlite");
    rig.controller.setFromPaths({card + "/DCIM/100CANON/IMG_0.JPG"});
    std::filesystem::create_directories(rig.tmp / "Sorted");
    rig.controller.setToPath(rig.tmp / "Sorted");
    rig.controller.goClicked();
    ASSERT_TRUE(waitUntil([&] {
        rig.timers.fireAll();
        return !rig.controller.runInProgress();
    }));
    offers.scanMounted({rig.tmp / "run/media"});
    EXPECT_EQ(bar.label()->text(), "Card 'CANON_DC' (2 photos, 1 new) inserted");
}

TEST_F(CardOfferTest, NoBusMeansNoOfferAndNoWord) {
    test::LogCapture log;
    UDisksMonitor monitor(offers, QDBusConnection::connectToBus(
                                      QStringLiteral("unix:path=/nonexistent/orvane-bus"), "none"));
    EXPECT_FALSE(monitor.watching());
    EXPECT_TRUE(bar.isHidden());
    EXPECT_EQ(log.text(), "");
}

// Without UDisks2: a card image mounted and unmounted by someone else while the window is
// open, seen in the mount table.
TEST_F(CardOfferTest, ACardMountedByAnyoneIsOfferedAtOnceAndWithdrawnWhenUnmounted) {
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a file-system image needs root";
    const std::string image = rig.tmp / "card.img";
    const std::string mountPoint = rig.tmp / "CARD";
    makeCard(rig.tmp / "contents", 2);
    const std::string contents = rig.tmp / "contents";
    std::filesystem::create_directories(mountPoint);
    auto shell = [](const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str());
    };
    if (shell("truncate -s 8M '" + image + "' && mkfs.ext4 -q -F -d '" + contents + "' '" + image +
              "'") != 0)
        GTEST_SKIP() << "mkfs.ext4 is not installed";
    DeviceWatcher watcher(offers, "/proc/self/mountinfo", rig.tmp / "gvfs");
    if (shell("mount -o loop '" + image + "' '" + mountPoint + "'") != 0)
        GTEST_SKIP() << "mounting a loop device is not permitted here";
    struct Unmount {
        std::string at;
        ~Unmount() { std::system(("mountpoint -q '" + at + "' && umount '" + at + "'").c_str()); }
    } unmount{mountPoint};
    ASSERT_TRUE(waitUntil([&] { return !bar.isHidden(); }));
    EXPECT_EQ(bar.label()->text(), "Card 'CARD' (2 photos) inserted");
    ASSERT_EQ(shell("umount '" + mountPoint + "'"), 0);
    EXPECT_TRUE(waitUntil([&] { return bar.isHidden(); }));
}

TEST_F(CardOfferTest, PhonesTheDesktopMountsAndCamerasOnACableAreOffered) {
    const std::string gvfs = rig.tmp / "gvfs";
    std::filesystem::create_directories(gvfs);
    DeviceWatcher watcher(offers, "/proc/self/mountinfo", gvfs);
    // The desktop's mount of a phone comes whole, its storage inside.
    const std::string staged = rig.tmp / "mtp:host=Google_Pixel_7_2A111FDH2000GJ";
    makeCard(staged + "/Internal shared storage", 2);
    std::filesystem::rename(staged, gvfs + "/mtp:host=Google_Pixel_7_2A111FDH2000GJ");
    ASSERT_TRUE(waitUntil([&] { return !bar.isHidden(); }));
    EXPECT_EQ(bar.label()->text(), "Phone 'Google Pixel 7' (2 photos) connected");
    bar.useButton()->click();
    EXPECT_EQ(rig.controller.fromPaths(),
              PathList{gvfs + "/mtp:host=Google_Pixel_7_2A111FDH2000GJ/Internal shared "
                              "storage/DCIM"});

    // A device on a cable is offered as its own source.
    GPhotoCameras service;
    CameraSources cameras(service);
    const RemoteSourcesScope scope(cameras);
    makeCard(rig.tmp / "camera", 3);
    const std::string source = CameraSources::sourceFor("disk:" + (rig.tmp / "camera"));
    offers.volumeMounted({"Directory Browse", source});
    EXPECT_EQ(bar.label()->text(), "Camera 'Directory Browse' (3 photos) connected");
    bar.useButton()->click();
    EXPECT_EQ(rig.controller.fromPaths(), PathList{source});
}

} // namespace
} // namespace orvane
