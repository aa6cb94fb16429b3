#include "base/NumberText.h"
#include "merge/RunChecks.h"
#include "platform/FileSystemProbe.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "support/ControllerRig.h"
#include "support/Fakes.h"
#include "support/TestSupport.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace orvane {
namespace {

namespace fs = std::filesystem;
using test::writeFile;

TEST(RunChecks, NameTheFirstProblem) {
    test::TempDir tmp;
    const std::string dest = tmp / "Sorted";
    const std::string source = tmp / "card";
    fs::create_directories(dest);
    fs::create_directories(source);
    writeFile(tmp / "file", "not a folder");
    test::FakeFileSystem fileSystem;

    EXPECT_EQ(checkDestination(dest, fileSystem), std::nullopt);
    EXPECT_EQ(checkSources({source, tmp / "file"}), std::nullopt);
    EXPECT_EQ(checkDestination(tmp / "gone", fileSystem),
              "The destination folder \u201c" + tmp / "gone" + "\u201d does not exist.");
    EXPECT_EQ(checkDestination(tmp / "file", fileSystem),
              "The destination \u201c" + tmp / "file" + "\u201d is not a folder.");
    // A folder of mode 0555 refuses this process (root gets through, so the seam plays it).
    fileSystem.writeError = EACCES;
    EXPECT_EQ(checkDestination(dest, fileSystem),
              "Orvane can't create files in the destination folder \u201c" + dest +
                  "\u201d: Permission denied.");
    EXPECT_EQ(checkSources({source, tmp / "card2", tmp / "card3"}),
              "The source \u201c" + tmp / "card2" + "\u201d no longer exists.");
}

TEST(RunChecks, SpaceForFilesAndWholeFolders) {
    test::TempDir tmp;
    writeFile(tmp / "a.jpg", std::string(600, 'a'));
    writeFile(tmp / "Album/b.jpg", std::string(300, 'b'));
    writeFile(tmp / "Album/sub/c.jpg", std::string(100, 'c'));
    const PathList list = {tmp / "a.jpg", tmp / "Album"};
    EXPECT_EQ(sizeOfEntries(list), 1000u);
    EXPECT_EQ(sizeOfEntries({tmp / "a.jpg", tmp / "Album", tmp / "a.jpg"}), 1000u)
        << "a source given twice is copied once";

    test::FakeFileSystem fileSystem;
    EXPECT_EQ(checkSpace(list, tmp.path(), fileSystem), std::nullopt) << "unknown: no warning";
    // Free bytes, and the text they give ("" for none). The need is counted whole, also when
    // the first entry alone does not fit.
    const std::pair<uint64_t, std::string> rows[] = {
        {1000, ""},
        {999, "1.0 kB, but the disk of \u201c" + tmp.path() + "\u201d has only 999 bytes free."},
        {100, "1.0 kB, but the disk of \u201c" + tmp.path() + "\u201d has only 100 bytes free."},
    };
    for (const auto& [free, text] : rows) {
        fileSystem.free = free;
        EXPECT_EQ(checkSpace(list, tmp.path(), fileSystem),
                  text.empty() ? RunProblem()
                               : "The files to copy need at least " + text +
                                     " Files that do not fit will fail to copy.")
            << free;
    }
    EXPECT_EQ(byteCountText(3'250'000'000), "3.2 GB");
    EXPECT_EQ(groupedNumber(1'234'567), "1,234,567");
    EXPECT_EQ(groupedNumber(999), "999");
}

TEST(RunChecks, TheProbeCatchesAReadOnlyMount) {
    test::TempDir tmp;
    const std::string folder = tmp / "ro";
    fs::create_directories(folder);
    PosixFileSystemProbe probe;
    EXPECT_EQ(probe.writeProbe(folder), 0);
    EXPECT_TRUE(fs::is_empty(folder)) << "the probe is removed again";
    EXPECT_GT(probe.freeBytes(folder).value_or(0), 0u);

    const std::string bind = "mount --bind '" + folder + "' '" + folder + "' 2>/dev/null";
    if (std::system(bind.c_str()) != 0)
        GTEST_SKIP() << "mount is refused here";
    const int readOnly =
        std::system(("mount -o remount,bind,ro '" + folder + "' 2>/dev/null").c_str());
    const int error = probe.writeProbe(folder);
    std::system(("umount '" + folder + "'").c_str());
    ASSERT_EQ(readOnly, 0);
    EXPECT_EQ(error, EROFS);
}

class RunStart : public ::testing::Test, protected test::ControllerRig {
  protected:
    RunStart() {
        defaults.setBool(keys::kUseExifData, false);
        writeFile(tmp / "card/a.jpg", "a", test::localTime(2005, 3, 17));
        fs::create_directories(dest);
        controller.setFromPaths({tmp / "card", tmp / "card2"});
        controller.setToPath(dest);
    }
    // Starts a run and lets it finish; answers whether it ran.
    bool run() {
        controller.goClicked();
        const bool started = timers.hasTimers();
        for (int i = 0; i < 10000 && timers.hasTimers(); ++i) {
            timers.fireAll();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return started;
    }
    std::string dest = tmp / "Sorted";
};

TEST_F(RunStart, AMissingSourceStopsTheRunBeforeAnythingIsCreated) {
    EXPECT_FALSE(run());
    ASSERT_EQ(fakes.alerts.calls.size(), 1u);
    EXPECT_EQ(fakes.alerts.calls[0].title, "Can't Organize");
    EXPECT_EQ(fakes.alerts.calls[0].message,
              "The source \u201c" + tmp / "card2" + "\u201d no longer exists.");
    EXPECT_TRUE(fs::is_empty(dest));
    EXPECT_FALSE(defaults.objectForKey(keys::kLastTarget)) << "nothing remembered either";
}

TEST_F(RunStart, LowSpaceWarnsAndOrganizeAnywayRuns) {
    controller.setFromPaths({tmp / "card"});
    fakes.fileSystem.free = 0;
    EXPECT_FALSE(run()) << "Cancel is the default";
    ASSERT_EQ(fakes.alerts.calls.size(), 1u);
    EXPECT_EQ(fakes.alerts.calls[0].title, "Not Enough Space");
    EXPECT_EQ(fakes.alerts.calls[0].defaultButton, "Cancel");
    EXPECT_EQ(fakes.alerts.calls[0].alternateButton, "Organize Anyway");
    EXPECT_TRUE(fs::is_empty(dest));

    fakes.alerts.answer = 1;
    EXPECT_TRUE(run());
    EXPECT_EQ(report.result().resCopiedFiles, PathList{tmp / "card/a.jpg"});
}

TEST_F(RunStart, RemovingTheOriginalsIsAskedFirst) {
    controller.setFromPaths({tmp / "card"});
    controller.setMoveOriginals(true);
    EXPECT_FALSE(run()) << "Cancel is the default";
    ASSERT_EQ(fakes.alerts.calls.size(), 1u);
    EXPECT_EQ(fakes.alerts.calls[0].title, "Remove the originals?");
    EXPECT_EQ(
        fakes.alerts.calls[0].message.rfind("1 file will be removed from \u201Ccard\u201D", 0), 0u)
        << fakes.alerts.calls[0].message;
    EXPECT_EQ(fakes.alerts.calls[0].alternateButton, "Remove Originals");
    EXPECT_TRUE(fs::is_empty(dest));

    fakes.alerts.answer = 1;
    EXPECT_TRUE(run());
    EXPECT_EQ(report.result().originalsRemoved, 1u);
    EXPECT_FALSE(fs::exists(tmp / "card/a.jpg"));
    EXPECT_TRUE(fs::is_directory(tmp / "card"));
}

// The window refuses a backup that is no folder of its own as the command line does, under
// any name (a bind mount of the destination among them), before anything is made.
TEST_F(RunStart, ABackupThatIsNoFolderOfItsOwnIsRefused) {
    controller.setFromPaths({tmp / "card"});
    const std::string mirror = tmp / "mirror";
    fs::create_directories(mirror);
    struct Unmount {
        std::string path;
        bool mounted;
        ~Unmount() {
            if (mounted)
                std::system(("umount '" + path + "'").c_str());
        }
    } unmount{mirror,
              std::system(("mount --bind '" + dest + "' '" + mirror + "' 2>/dev/null").c_str()) ==
                  0};
    std::vector<std::string> backups = {tmp / "card/../Sorted/backup", tmp / "card/backup",
                                        tmp.path()};
    if (unmount.mounted)
        backups.push_back(mirror + "/sub");
    for (const std::string& backup : backups) {
        SCOPED_TRACE(backup);
        defaults.setArgumentValue(keys::kBackupDestinations, StringList{backup});
        fakes.alerts.calls.clear();
        EXPECT_FALSE(run());
        ASSERT_EQ(fakes.alerts.calls.size(), 1u);
        EXPECT_EQ(fakes.alerts.calls[0].title, "Can't Organize");
        EXPECT_NE(fakes.alerts.calls[0].message.find("A backup must be a folder of its own"),
                  std::string::npos)
            << fakes.alerts.calls[0].message;
        EXPECT_TRUE(fs::is_empty(dest));
        EXPECT_FALSE(fs::exists(tmp / "card/backup"));
    }
    if (!unmount.mounted)
        GTEST_SKIP() << "mount is refused here: the bind mount's row was left out";
}

// What a run copies with the registered copy rule and with rules a user stored, and what the
// report's summary then says about the rules.
TEST(FirstRun, TheRegisteredRuleCopiesEveryFileAndStoredRulesKeepTheirMeaning) {
    struct Case {
        const char* name;
        const char* storedMode; // nullptr: nothing stored
        StringList patterns;
        PathList copied; // names
        std::string notice;
    };
    const Case cases[] = {
        {"FreshStore", nullptr, {}, {"a.jpg", "notes.txt"}, ""},
        {"OnlyMatching", kOnlyMatching, {"*.jpg"}, {"a.jpg"}, ""},
        {"OnlyMatchingNothing",
         kOnlyMatching,
         {},
         {},
         "Nothing was copied: the file copying rules in Preferences kept out 2 files."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ControllerRig rig;
        rig.defaults.setBool(keys::kUseExifData, false);
        if (c.storedMode) {
            rig.defaults.setObject(keys::kMatchingMode, std::string(c.storedMode));
            rig.defaults.setObject(keys::kCopyFilePatterns, c.patterns);
        }
        writeFile(rig.tmp / "card/a.jpg", "a", test::localTime(2005, 3, 17));
        writeFile(rig.tmp / "card/notes.txt", "n", test::localTime(2005, 3, 17));
        fs::create_directories(rig.tmp / "Sorted");
        rig.controller.setFromPaths({rig.tmp / "card"});
        rig.controller.setToPath(rig.tmp / "Sorted");
        rig.controller.goClicked();
        for (int i = 0; i < 10000 && rig.timers.hasTimers(); ++i) {
            rig.timers.fireAll();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        PathList copied;
        for (const std::string& path : rig.report.result().resCopiedFiles)
            copied.push_back(fs::path(path).filename());
        std::sort(copied.begin(), copied.end());
        EXPECT_EQ(copied, c.copied);
        EXPECT_EQ(ReportController::copyRulesNotice(rig.report.result()), c.notice);
    }
}

} // namespace
} // namespace orvane
