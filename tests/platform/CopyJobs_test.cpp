#include "platform/CopyJobs.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;

// A /sys of its own: a solid-state disk with a partition, a spinning disk, one that answers
// nonsense, and a device that /sys does not know.
TEST(CopyJobs, RotatingDisksAreToldFromTheirQueue) {
    test::TempDir tmp;
    const std::string sys = tmp / "sys";
    const std::string disks = sys + "/devices/pci0000:00/block";
    test::writeFile(disks + "/vdb/queue/rotational", "0\n");
    fs::create_directories(disks + "/vdb/vdb1");
    test::writeFile(disks + "/sda/queue/rotational", "1\n");
    test::writeFile(disks + "/sdb/queue/rotational", "spinning\n");
    test::writeFile(disks + "/virtio1/block/vda/queue/rotational", "1\n");
    fs::create_directories(sys + "/dev/block");
    for (const auto& [number, target] : {std::pair{"252:16", "vdb"},
                                         {"252:17", "vdb/vdb1"},
                                         {"8:0", "sda"},
                                         {"8:16", "sdb"},
                                         {"254:0", "virtio1/block/vda"}})
        fs::create_directory_symlink("../../devices/pci0000:00/block/" + std::string(target),
                                     sys + "/dev/block/" + number);

    const std::pair<dev_t, std::optional<bool>> cases[] = {
        {makedev(252, 16), false},
        {makedev(252, 17), false},
        {makedev(8, 0), true},
        {makedev(254, 0), false}, // a hypervisor's disk, whatever its flag
        {makedev(8, 16), std::nullopt},
        {makedev(8, 32), std::nullopt},
        {makedev(0, 42), std::nullopt}, // tmpfs, overlay and other file systems without a disk
    };
    for (const auto& [device, rotating] : cases)
        EXPECT_EQ(isRotatingDevice(device, sys), rotating) << major(device) << ":" << minor(device);

    // Disk images mounted through loop devices, in a /sys where the disk this test writes to
    // is a solid-state one.
    const std::string sysOfImages = tmp / "sys-images";
    const std::string loops = sysOfImages + "/devices/virtual/block";
    struct stat here;
    ASSERT_EQ(::stat(tmp.path().c_str(), &here), 0);
    test::writeFile(loops + "/vdc/queue/rotational", "0\n");
    test::writeFile(loops + "/loop0/queue/rotational", "1\n");
    test::writeFile(loops + "/loop0/loop/backing_file", tmp / "card.img\n");
    test::writeFile(tmp / "card.img", "");
    test::writeFile(loops + "/loop1/queue/rotational", "1\n");
    test::writeFile(loops + "/loop1/loop/backing_file", tmp / "gone.img\n");
    fs::create_directories(sysOfImages + "/dev/block");
    for (const auto& [number, target] :
         {std::pair{std::to_string(major(here.st_dev)) + ":" + std::to_string(minor(here.st_dev)),
                    "vdc"},
          {"7:0", "loop0"},
          {"7:1", "loop1"}})
        fs::create_directory_symlink("../../devices/virtual/block/" + std::string(target),
                                     sysOfImages + "/dev/block/" + number);
    if (major(here.st_dev) != 0) // not on a file system without a disk (tmpfs)
        EXPECT_EQ(isRotatingDevice(makedev(7, 0), sysOfImages), false);
    EXPECT_EQ(isRotatingDevice(makedev(7, 1), sysOfImages), std::nullopt); // its file is gone
    // Without a /sys the kind cannot be told, and copies are made one after another.
    EXPECT_EQ(automaticCopyJobs(tmp.path(), tmp / "nowhere"), 1u);
}

} // namespace
} // namespace orvane
