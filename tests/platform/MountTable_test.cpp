#include "platform/MountTable.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(MountTableTest, ReadsMountsMadeByAnyoneAsUntrustedText) {
    const std::string text =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "45 22 8:17 / /media/ann/EOS\\040DIGITAL rw,nosuid shared:9 - vfat /dev/sdb1 rw\n"
        "46 22 0:50 / /home/ann/iPhone rw - fuse.ifuse ifuse rw\n"
        "47 22 0:51 / /bad\\04 rw - tmpfs\n" // too few fields after the separator
        "48 22 0:52 / relative rw - tmpfs tmpfs rw\n"
        "garbage\n";
    const std::vector<MountEntry> mounts = parseMountInfo(text);
    ASSERT_EQ(mounts.size(), 3u);
    EXPECT_EQ(mounts[1].mountPoint, "/media/ann/EOS DIGITAL");
    EXPECT_EQ(mounts[1].fileSystem, "vfat");
    EXPECT_EQ(mounts[1].device, "/dev/sdb1");
    EXPECT_EQ(mounts[2].fileSystem, "fuse.ifuse");
}

TEST(MountTableTest, OffersMountsAndPhonesWithACameraFolder) {
    test::TempDir tmp;
    test::writeFile(tmp / "EOS/DCIM/100CANON/IMG_1.JPG", "x");
    test::writeFile(tmp / "iPhone/DCIM/100APPLE/IMG_2.HEIC", "x");
    test::writeFile(tmp / "stick/Documents/a.txt", "x");
    const std::vector<MountedVolume> volumes =
        cameraMounts({{tmp / "EOS", "vfat", "/dev/sdb1"},
                      {tmp / "iPhone", "fuse.ifuse", "ifuse"},
                      {tmp / "stick", "vfat", "/dev/sdc1"},
                      {tmp / "EOS", "tmpfs", "tmpfs"}});
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[0].label, "EOS");
    EXPECT_FALSE(volumes[0].phone);
    EXPECT_TRUE(volumes[1].phone);

    test::writeFile(tmp / "gvfs/mtp:host=SAMSUNG_SAMSUNG_Android_R58M42ABCDE/Phone/DCIM/a.jpg",
                    "x");
    test::writeFile(tmp / "gvfs/gphoto2:host=Canon_Inc._EOS_R5/DCIM/b.jpg", "x");
    test::writeFile(tmp / "gvfs/smb-share:server=nas/DCIM/c.jpg", "x");
    const std::vector<MountedVolume> phones = phonesUnder(tmp / "gvfs");
    ASSERT_EQ(phones.size(), 2u);
    EXPECT_EQ(phones[0].label, "Canon Inc. EOS R5");
    EXPECT_EQ(phones[0].mountPoint, tmp / "gvfs/gphoto2:host=Canon_Inc._EOS_R5");
    EXPECT_EQ(phones[1].label, "SAMSUNG SAMSUNG Android");
    EXPECT_EQ(phones[1].mountPoint,
              tmp / "gvfs/mtp:host=SAMSUNG_SAMSUNG_Android_R58M42ABCDE/Phone");
}

} // namespace
} // namespace orvane
