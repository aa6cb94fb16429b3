#include "platform/FileSystemProbe.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;

// The number of a process that has ended and been reaped.
int goneProcess() {
    const pid_t child = ::fork();
    if (child == 0)
        _exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

std::string probeName(int pid) {
    return ".orvane-probe-" + std::to_string(pid) + "-0";
}

// A probe left by a killed run is removed by the next probe of its folder; nothing else that
// looks like one is touched.
TEST(FileSystemProbe, RemovesOnlyTheEmptyProbesOfProcessesThatAreGone) {
    test::TempDir tmp;
    const std::string folder = tmp / "dest";
    fs::create_directories(folder);
    test::writeFile(tmp / "outside.jpg", "");
    const int gone = goneProcess();
    struct Row {
        std::string name;
        std::string kind; // "empty", "data", "link", "folder"
        bool removed;
    };
    const Row rows[] = {
        {probeName(gone), "empty", true},
        {".orvane-probe-" + std::to_string(gone) + "-3", "empty", true},
        {".orvane-probe-" + std::to_string(gone) + "-4", "data", false},
        {".orvane-probe-" + std::to_string(gone) + "-5", "link", false},
        {".orvane-probe-" + std::to_string(gone) + "-6", "folder", false},
        {probeName(static_cast<int>(::getppid())), "empty", false}, // alive
        {probeName(static_cast<int>(::getpid())), "empty", false},  // this very process
        {".orvane-probe-" + std::to_string(gone) + "-0.jpg", "empty", false},
        {"IMG_0001.JPG", "empty", false},
    };
    for (const Row& row : rows) {
        const std::string path = folder + "/" + row.name;
        if (row.kind == "empty")
            test::writeFile(path, "");
        else if (row.kind == "data")
            test::writeFile(path, "the user's");
        else if (row.kind == "link")
            fs::create_symlink(tmp / "outside.jpg", path);
        else
            fs::create_directories(path);
    }

    PosixFileSystemProbe probe;
    ASSERT_EQ(probe.writeProbe(folder), 0);

    for (const Row& row : rows)
        EXPECT_EQ(fs::symlink_status(folder + "/" + row.name).type() == fs::file_type::not_found,
                  row.removed)
            << row.name;
    EXPECT_TRUE(test::exists(tmp / "outside.jpg"));
    size_t left = 0;
    for (auto it = fs::directory_iterator(folder); it != fs::directory_iterator(); ++it)
        ++left;
    EXPECT_EQ(left, 7u) << "the probe leaves nothing of its own";
}

// A process killed while it probes leaves no name behind where the file system can make
// files without one; where it cannot, the next probe removes what it left.
TEST(FileSystemProbe, AKilledProbeLeavesNothingForGood) {
    test::TempDir tmp;
    PosixFileSystemProbe probe;
    const pid_t child = ::fork();
    if (child == 0) {
        for (;;)
            (void)probe.writeProbe(tmp.path());
    }
    ::usleep(20000);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(probe.writeProbe(tmp.path()), 0);
    EXPECT_TRUE(fs::is_empty(tmp.path()));
}

} // namespace
} // namespace orvane
