// Links, FIFOs, sockets, device nodes and sparse files met by the built `orvane organize`, in
// a folder given as a source and in the same folder shown as a camera (libgphoto2's "Directory
// Browse" driver on a disk: port); a FIFO swapped in for a source during a run, with and
// without SIGTERM; and date folders that are links.
#include "support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace orvane {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::readFile;
using test::writeFile;

const time_t k2005 = 1111062125; // 2005-03-17 12:22:05 UTC
constexpr off_t kSparseSize = off_t{96} << 20;
constexpr const char* kSecret = "the contents of a secret file";

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
    double seconds = 0;
    json parsed() const { return json::parse(out); }
};

class SpecialFilesTest : public ::testing::Test {
  protected:
    SpecialFilesTest() {
        for (const std::string& folder : {config, source, dest, outside})
            fs::create_directories(folder);
        std::ofstream(config + "/preferences.json")
            << R"({"OVMatchingMode": "all files except those that match:"})";
    }

    pid_t start(std::vector<std::string> args) {
        args.insert(args.begin(), {ORVANE_BINARY, "organize"});
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        std::vector<std::string> environment = {"ORVANE_CONFIG_DIR=" + config,
                                                "ORVANE_STATE_DIR=" + tmp / "state",
                                                "ORVANE_DATA_DIR=" + tmp / "data", "TZ=UTC"};
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "ORVANE_", 7) != 0 && std::strncmp(*e, "TZ=", 3) != 0)
                environment.emplace_back(*e);
        std::vector<char*> envp;
        for (std::string& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        pid_t pid = -1;
        if (posix_spawn(&pid, ORVANE_BINARY, &actions, nullptr, argv.data(), envp.data()) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        started = std::chrono::steady_clock::now();
        return pid;
    }

    // Waits at most `limit` seconds: a run that hangs is killed and fails the test.
    Outcome finish(pid_t pid, int limit = 60) {
        Outcome outcome;
        int status = 0;
        const auto deadline = started + std::chrono::seconds(limit);
        while (pid > 0 && waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "the run hung; killed after " << limit << " s";
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        outcome.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        outcome.out = readFile(outPath);
        outcome.err = readFile(errPath);
        return outcome;
    }

    Outcome run(std::vector<std::string> args, int limit = 60) {
        return finish(start(std::move(args)), limit);
    }

    // Every item below DEST that is not a folder, with its contents ("<link>" for a link).
    std::map<std::string, std::string> destinationTree() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(dest))
            if (entry.is_symlink() || !entry.is_directory())
                files[fs::relative(entry.path(), dest).string()] =
                    entry.is_symlink() ? "<link>" : readFile(entry.path().string());
        return files;
    }

    test::TempDir tmp;
    std::string config = tmp / "config", source = tmp / "card", dest = tmp / "dest",
                outside = tmp / "outside";
    std::string outPath = tmp / "stdout", errPath = tmp / "stderr";
    std::chrono::steady_clock::time_point started;
};

// Binds a listening-less UNIX socket at `path`, left in place when the descriptor closes.
bool makeSocket(const std::string& path) {
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::strcpy(address.sun_path, path.c_str());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool bound =
        fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        close(fd);
    return bound;
}

struct SpecialFile {
    const char* name;
    // Makes the item at `path`; `outside` is a folder beside the source. False when this
    // machine cannot make it (a device node without the privilege).
    std::function<bool(const std::string& path, const std::string& outside)> make;
    const char* reason; // the skip reason, or null for a file copied
};

const SpecialFile kSpecialFiles[] = {
    {"link-to-secret.jpg",
     [](const std::string& path, const std::string& outside) {
         writeFile(outside + "/secret.jpg", kSecret, k2005);
         return symlink((outside + "/secret.jpg").c_str(), path.c_str()) == 0;
     },
     "Alias"},
    {"link-to-folder",
     [](const std::string& path, const std::string& outside) {
         writeFile(outside + "/inner/secret.jpg", kSecret, k2005);
         return symlink((outside + "/inner").c_str(), path.c_str()) == 0;
     },
     "Alias"},
    {"dangling.jpg",
     [](const std::string& path, const std::string& outside) {
         return symlink((outside + "/nothing.jpg").c_str(), path.c_str()) == 0;
     },
     "Alias"},
    {"fifo.jpg",
     [](const std::string& path, const std::string&) { return mkfifo(path.c_str(), 0644) == 0; },
     "Not file or folder"},
    {"socket.jpg", [](const std::string& path, const std::string&) { return makeSocket(path); },
     "Not file or folder"},
    {"null.jpg",
     [](const std::string& path, const std::string&) {
         return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
     },
     "Not file or folder"},
    {"sparse.mov",
     [](const std::string& path, const std::string&) {
         writeFile(path, "", k2005);
         const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
         const bool made = fd >= 0 && ftruncate(fd, kSparseSize) == 0 &&
                           pwrite(fd, "data", 4, kSparseSize / 2) == 4;
         if (fd >= 0)
             close(fd);
         const struct timespec times[2] = {{k2005, 0}, {k2005, 0}};
         utimensat(AT_FDCWD, path.c_str(), times, 0);
         return made;
     },
     nullptr},
};

// Each special file beside a photo, in a folder and in the same folder shown as a camera: the
// photo is copied, every link and special file skipped with its reason and never read, and the
// sparse file copied with its holes.
TEST_F(SpecialFilesTest, LinksAndSpecialFilesAreSkippedAlikeInFoldersAndCameras) {
    const std::string folder = source + "/DCIM/100TEST";
    writeFile(folder + "/photo.jpg", "photo", k2005);
    std::vector<const SpecialFile*> made;
    for (const SpecialFile& file : kSpecialFiles) {
        if (file.make(folder + "/" + file.name, outside))
            made.push_back(&file);
        else
            std::cerr << "[   NOTE   ] could not make " << file.name << " here: left out\n";
    }
    ASSERT_GE(made.size(), std::size(kSpecialFiles) - 1);

    for (const std::string& from : {source, "camera:disk:" + source}) {
        SCOPED_TRACE(from);
        fs::remove_all(dest);
        fs::create_directories(dest);
        const Outcome outcome = run({"--json", "--no-history", from, dest}, 30);
        ASSERT_EQ(outcome.status, 0) << outcome.err << outcome.out;
        const json report = outcome.parsed();
        std::map<std::string, std::string> skipped;
        for (const json& item : report["skipped"])
            skipped[item["path"]] = item["reason"];
        const std::string listed = (from == source ? source : from) + "/DCIM/100TEST/";
        std::map<std::string, std::string> expectedFiles = {{"2005-03-17/photo.jpg", "photo"}};
        for (const SpecialFile* file : made) {
            SCOPED_TRACE(file->name);
            if (file->reason) {
                EXPECT_EQ(skipped[listed + file->name], file->reason);
                continue;
            }
            const std::string copy = dest + "/2005-03-17/" + file->name;
            expectedFiles["2005-03-17/" + std::string(file->name)] = readFile(copy);
            const struct stat status = test::statOf(copy);
            EXPECT_EQ(status.st_size, kSparseSize);
            EXPECT_LT(status.st_blocks * 512, kSparseSize / 8) << "the holes were filled";
        }
        EXPECT_EQ(destinationTree(), expectedFiles);
        EXPECT_TRUE(report["errors"].empty()) << report["errors"].dump();
    }
}

// Copies a card of many files and, once the first copy is made, swaps a FIFO in for the last
// source: its entry fails instead of waiting for a writer, and with SIGTERM the run ends soon
// with 143, every copy it reports complete.
TEST_F(SpecialFilesTest, AFifoSwappedInForASourceHoldsNothingUp) {
    constexpr int kFiles = 1500;
    auto nameOf = [](int i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%04d.jpg", i);
        return std::string(name);
    };
    for (const bool terminate : {false, true}) {
        SCOPED_TRACE(terminate ? "with SIGTERM" : "to the end");
        fs::remove_all(source);
        fs::remove_all(dest);
        for (int i = 0; i < kFiles; ++i)
            writeFile(source + "/" + nameOf(i), std::string(4096, 'a' + i % 26), k2005);
        const std::string folder = dest + "/2005-03-17";
        fs::create_directories(folder);
        const std::string swapped = source + "/" + nameOf(kFiles - 1);
        const std::string fifo = outside + "/fifo";
        ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);

        const int watch = inotify_init1(IN_CLOEXEC);
        ASSERT_GE(inotify_add_watch(watch, folder.c_str(), IN_CREATE), 0);
        const pid_t pid = start({"--json", "--no-history", source, dest});
        ASSERT_GT(pid, 0) << "the binary could not be started"; // kill(-1) would hit everything
        pollfd ready = {watch, POLLIN, 0};
        EXPECT_EQ(poll(&ready, 1, 20000), 1) << "no copy was begun";
        close(watch);
        ASSERT_EQ(rename(fifo.c_str(), swapped.c_str()), 0);
        if (terminate)
            kill(pid, SIGTERM);
        const auto signalled = std::chrono::steady_clock::now();
        const Outcome outcome = finish(pid, 60);
        const double afterSignal =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();

        const auto copies = destinationTree();
        for (const auto& [name, contents] : copies)
            EXPECT_EQ(contents.size(), 4096u) << name;
        EXPECT_EQ(copies.count("2005-03-17/" + nameOf(kFiles - 1)), 0u);
        if (terminate) {
            EXPECT_EQ(outcome.status, 128 + SIGTERM) << outcome.err;
            EXPECT_LT(afterSignal, 8.0);
            if (!outcome.out.empty()) {
                EXPECT_EQ(outcome.parsed()["copied"].size(), copies.size());
            }
        } else {
            EXPECT_EQ(outcome.status, 1) << outcome.err;
            const json report = outcome.parsed();
            ASSERT_EQ(report["errors"].size(), 1u) << report["errors"].dump();
            EXPECT_EQ(report["errors"][0]["path"], swapped);
            EXPECT_EQ(copies.size(), size_t{kFiles - 1});
        }
    }
}

int shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

// The process serving a FUSE mount at `mountPoint`, found by its command line; -1 if none.
pid_t fuseServerOf(const std::string& mountPoint) {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string command = readFile(entry.path() / "cmdline");
        std::replace(command.begin(), command.end(), '\0', ' ');
        const std::string status = readFile(entry.path() / "stat");
        const size_t state = status.rfind(") ");
        if (command.find("mount.exfat-fuse") != std::string::npos &&
            command.find(" " + mountPoint + " ") != std::string::npos &&
            state != std::string::npos && status.compare(state + 2, 1, "Z") != 0)
            return std::stoi(name);
    }
    return -1;
}

// A card whose reader stops answering in the middle of a run (its FUSE server stopped), so
// that the run's reads wait for ever: after SIGTERM the run is stopped at once within seconds,
// its unfinished copy removed. (The kernel lets the process end only once the card answers
// again: a thread waiting on it closes its files last.)
TEST_F(SpecialFilesTest, SigtermStopsARunWhoseCardStoppedAnswering) {
    if (geteuid() != 0 || !fs::exists("/dev/fuse"))
        GTEST_SKIP() << "mounting through FUSE needs root and /dev/fuse";
    const std::string image = tmp / "card.img";
    if (shell("truncate -s 64M '" + image + "' && mkfs.exfat '" + image + "'") != 0)
        GTEST_SKIP() << "mkfs.exfat (exfatprogs) is not installed";
    auto mount = [&] {
        return shell("mount -t exfat-fuse -o loop '" + image + "' '" + source + "'") == 0;
    };
    if (!mount())
        GTEST_SKIP() << "exfat-fuse is not installed or mounting is not permitted here";
    for (int i = 0; i < 400; ++i)
        writeFile(source + "/f" + std::to_string(i) + ".jpg", std::string(65536, 'x'), k2005);
    // Mounted again, so that every read goes to the server rather than to cached pages.
    ASSERT_EQ(shell("umount '" + source + "'"), 0);
    ASSERT_TRUE(mount());
    const pid_t server = fuseServerOf(source);
    struct Release {
        pid_t server;
        std::string mountPoint;
        ~Release() {
            if (server > 0)
                kill(server, SIGCONT);
            shell("umount '" + mountPoint + "'");
        }
    } release{server, source};
    ASSERT_GT(server, 0) << "no FUSE server found for " << source;

    const pid_t pid = start({"--json", "--no-history", "--no-exif", source, dest});
    ASSERT_GT(pid, 0) << "the binary could not be started"; // kill(-1) would hit everything
    // Once copies are being made, the card stops answering.
    const std::string folder = dest + "/2005-03-17";
    for (int tries = 0; tries < 2000 && (!fs::exists(folder) || fs::is_empty(folder)); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_FALSE(fs::is_empty(folder)) << "no copy was made";
    ASSERT_EQ(kill(server, SIGSTOP), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the run now waits on the card
    kill(pid, SIGTERM);
    const auto signalled = std::chrono::steady_clock::now();
    bool stopped = false;
    while (!stopped && std::chrono::steady_clock::now() - signalled < std::chrono::seconds(10)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        stopped = readFile(errPath).find("stopped at once") != std::string::npos;
    }
    const double afterSignal =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();
    EXPECT_TRUE(stopped) << readFile(errPath);
    EXPECT_LT(afterSignal, 8.0);

    kill(server, SIGCONT);
    const Outcome outcome = finish(pid, 60);
    EXPECT_EQ(outcome.status, 128 + SIGTERM) << outcome.err;
    for (const auto& [name, contents] : destinationTree()) {
        EXPECT_EQ(name.find(".orvane-"), std::string::npos) << name;
        EXPECT_EQ(contents.size(), 65536u) << name;
    }

    // A card that stopped answering before the run: its listing waits in the thread that
    // runs the run control, which then hears no signal, and SIGTERM still ends the process.
    fs::remove_all(dest);
    fs::create_directories(dest);
    ASSERT_EQ(kill(server, SIGSTOP), 0);
    const pid_t waiting = start({"--json", "--no-history", "--no-exif", source, dest});
    ASSERT_GT(waiting, 0) << "the binary could not be started";
    std::this_thread::sleep_for(std::chrono::seconds(1));
    kill(waiting, SIGTERM);
    const auto sent = std::chrono::steady_clock::now();
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(waiting, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() - sent < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ended, waiting) << "still running 10 s after SIGTERM";
    if (ended == waiting) {
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), 128 + SIGTERM);
    } else {
        kill(server, SIGCONT);
        finish(waiting, 30);
    }
}

// A date folder that is a link, wherever it leads, fails its entries with the same text;
// nothing is written where it leads, and the other entries are copied.
TEST_F(SpecialFilesTest, DateFoldersThatAreLinksAreNeverFollowed) {
    const std::string inDest = dest + "/kept";
    fs::create_directories(inDest);
    struct Case {
        const char* name;
        std::string target;
    };
    const Case cases[] = {
        {"to a folder outside DEST", outside},
        {"to a folder inside DEST", inDest},
        {"dangling", outside + "/nothing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(source);
        fs::remove(dest + "/2005-03-17");
        writeFile(source + "/a.jpg", "a", k2005);
        writeFile(source + "/b.jpg", "b", k2005 + 86400);
        fs::create_directory_symlink(c.target, dest + "/2005-03-17");

        // The dry run says beforehand what the run does.
        const Outcome planned = run({"--dry-run", "--json", "--no-history", source, dest}, 30);
        EXPECT_EQ(planned.status, 1) << planned.err; // as the run: an entry fails
        const json plan = planned.parsed()["plan"];
        ASSERT_EQ(plan.size(), 2u) << planned.out;
        EXPECT_EQ(plan[0]["path"], source + "/a.jpg");
        EXPECT_EQ(plan[0]["error"], "The date folder is a link Orvane won't follow");
        EXPECT_EQ(plan[1]["destination"], dest + "/2005-03-18/b.jpg");

        const Outcome outcome = run({"--json", "--no-history", source, dest}, 30);
        EXPECT_EQ(outcome.status, 1) << outcome.err;
        const json report = outcome.parsed();
        ASSERT_EQ(report["errors"].size(), 1u) << outcome.out;
        EXPECT_EQ(report["errors"][0]["path"], source + "/a.jpg");
        EXPECT_EQ(report["errors"][0]["error"], "The date folder is a link Orvane won't follow");
        EXPECT_TRUE(fs::is_empty(outside));
        EXPECT_TRUE(fs::is_empty(inDest));
        EXPECT_TRUE(fs::is_symlink(dest + "/2005-03-17"));
        EXPECT_EQ(readFile(dest + "/2005-03-18/b.jpg"), "b");
        fs::remove_all(dest + "/2005-03-18");
    }
}

} // namespace
} // namespace orvane
