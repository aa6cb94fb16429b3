// End-to-end runs of the built `orvane organize`.
#include "support/TestSupport.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <sstream>
#include <sys/inotify.h>
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

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
    json parsed() const { return json::parse(out); }
};

// Each test has its own preferences folder, sources and destination.
class OrganizeTest : public ::testing::Test {
  protected:
    OrganizeTest()
        : config(tmp / "config"), state(tmp / "state"), source(tmp / "source"), dest(tmp / "dest") {
        fs::create_directories(config);
        fs::create_directories(source);
        fs::create_directories(dest);
        // The stored mode copies everything that no pattern excludes.
        storePreferences({{"OVMatchingMode", "all files except those that match:"}});
    }

    void storePreferences(const json& values) {
        std::ofstream(config + "/preferences.json") << values.dump(2);
    }

    // Starts `orvane COMMAND ARGS...`; finish() waits for it and collects its outputs.
    pid_t start(std::vector<std::string> args, const char* command = "organize") {
        args.insert(args.begin(), {ORVANE_BINARY, command});
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);

        std::vector<std::string> environment = {"ORVANE_CONFIG_DIR=" + config,
                                                "ORVANE_STATE_DIR=" + state,
                                                "ORVANE_DATA_DIR=" + data, "TZ=UTC"};
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "ORVANE_CONFIG_DIR=", 18) != 0 &&
                std::strncmp(*e, "ORVANE_STATE_DIR=", 17) != 0 &&
                std::strncmp(*e, "ORVANE_DATA_DIR=", 16) != 0 && std::strncmp(*e, "TZ=", 3) != 0)
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
        return pid;
    }

    // The status is 128 + the signal when one ended the process.
    Outcome finish(pid_t pid) {
        Outcome outcome;
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid)
            outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        outcome.out = readFile(outPath);
        outcome.err = readFile(errPath);
        return outcome;
    }

    Outcome run(std::vector<std::string> args, const char* command = "organize") {
        return finish(start(std::move(args), command));
    }

    // Runs organize and sends it `signal` as soon as a copy is begun in `folder`.
    Outcome signalOnFirstCopy(const std::string& folder, std::vector<std::string> args,
                              int signal) {
        const int watch = inotify_init1(IN_CLOEXEC);
        EXPECT_GE(inotify_add_watch(watch, folder.c_str(), IN_CREATE), 0);
        const pid_t pid = start(std::move(args));
        pollfd ready = {watch, POLLIN, 0};
        EXPECT_EQ(poll(&ready, 1, 20000), 1) << "no copy was begun";
        if (pid > 0) // kill(-1) would hit every process of the user
            kill(pid, signal);
        close(watch);
        return finish(pid);
    }

    // Every file below a folder, relative to it, with its contents.
    static std::map<std::string, std::string> tree(const std::string& root) {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(root))
            if (!entry.is_directory())
                files[fs::relative(entry.path(), root).string()] =
                    entry.is_symlink() ? "<link>" : readFile(entry.path().string());
        return files;
    }

    std::string in(const std::string& relative) const { return source + "/" + relative; }

    test::TempDir tmp;
    std::string config, state, source, dest;
    std::string data = tmp / "data";
    std::string outPath = tmp / "stdout", errPath = tmp / "stderr";
};

const time_t k2005 = 1111062125; // 2005-03-17 12:22:05 UTC
const time_t k2006 = 1136203200; // 2006-01-02 12:00:00 UTC

TEST_F(OrganizeTest, WalksFoldersAndReportsWhatItLeavesOut) {
    writeFile(in("a.jpg"), "a", k2005);
    writeFile(in(".hidden"), "h", k2005);
    writeFile(in("sub/b.jpg"), "b", k2006);
    fs::create_directories(in("empty"));
    writeFile(tmp / "elsewhere/far.jpg", "far", k2006);
    ASSERT_EQ(symlink((tmp / "elsewhere").c_str(), in("link").c_str()), 0);
    ASSERT_EQ(mkfifo(in("pipe").c_str(), 0600), 0);

    const Outcome outcome = run({source, dest});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(tree(dest), (std::map<std::string, std::string>{{"2005-03-17/a.jpg", "a"},
                                                              {"2006-01-02/b.jpg", "b"}}));
    EXPECT_EQ(outcome.out, "Copied (2):\n"
                           "  " +
                               in("a.jpg") +
                               "  ->  2005-03-17  (modified)\n"
                               "  " +
                               in("sub/b.jpg") +
                               "  ->  2006-01-02  (modified)\n"
                               "Skipped (3):\n"
                               "  " +
                               in(".hidden") +
                               ": Hidden file\n"
                               "  " +
                               in("link") +
                               ": Alias\n"
                               "  " +
                               in("pipe") +
                               ": Not file or folder\n"
                               "2 copied, 3 skipped, 0 errors\n");
    EXPECT_EQ(readFile(tmp / "elsewhere/far.jpg"), "far") << "sources are never changed";
}

TEST_F(OrganizeTest, OptionsOverrideThePreferencesForOneRunOnly) {
    writeFile(in("a.jpg"), "a", k2005);
    writeFile(in("b.png"), "b", k2005);
    writeFile(in(".c.jpg"), "c", k2005);
    writeFile(in("Album/x.png"), "x", k2005);
    writeFile(in("Album/y.jpg"), "y", k2005);
    const struct timespec times[2] = {{k2005, 0}, {k2005, 0}};
    utimensat(AT_FDCWD, in("Album").c_str(), times, 0);
    const std::string stored = readFile(config + "/preferences.json");

    Outcome outcome = run({"--include", "*.JPG", "--include", "Album", "--copy-hidden", "--intact",
                           "Alb*", "--json", "--no-history", source, dest});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(tree(dest), (std::map<std::string, std::string>{{"2005-03-17/.c.jpg", "c"},
                                                              {"2005-03-17/a.jpg", "a"},
                                                              {"2005-03-17/Album/x.png", "x"},
                                                              {"2005-03-17/Album/y.jpg", "y"}}));
    const json report = outcome.parsed();
    ASSERT_EQ(report["skipped"].size(), 1u);
    EXPECT_EQ(report["skipped"][0]["path"], in("b.png"));
    EXPECT_EQ(report["skipped"][0]["reason"], "Pattern preference");
    EXPECT_EQ(readFile(config + "/preferences.json"), stored) << "options are never stored";

    // Without the options the stored rules apply again.
    fs::remove_all(dest);
    fs::create_directories(dest);
    outcome = run({"--exclude", "*.png", source, dest});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(tree(dest), (std::map<std::string, std::string>{{"2005-03-17/a.jpg", "a"},
                                                              {"2005-03-17/y.jpg", "y"}}));
    EXPECT_NE(outcome.out.find(in(".c.jpg") + ": Hidden file"), std::string::npos);
    EXPECT_NE(outcome.out.find(in("Album/x.png") + ": Pattern preference"), std::string::npos);
}

TEST_F(OrganizeTest, PatternThatDoesNotCompileStopsBeforeAnything) {
    writeFile(in("a.jpg"), "a", k2005);
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"--intact", "/[/"}, {"--exclude", "/(/"}}) {
        std::vector<std::string> args = options;
        args.push_back(source);
        args.push_back(dest);
        const Outcome outcome = run(args);
        EXPECT_EQ(outcome.status, 2);
        EXPECT_NE(outcome.err.find("Pattern Error: The pattern matching system had trouble "
                                   "preparing the"),
                  std::string::npos)
            << outcome.err;
        EXPECT_NE(outcome.err.find("ERR: Error preparing"), std::string::npos);
        EXPECT_EQ(outcome.out, "");
        EXPECT_TRUE(fs::is_empty(dest));
    }
    // Stored patterns that do not compile stop the run just the same, also a dry run.
    storePreferences({{"OVMatchingMode", "all files except those that match:"},
                      {"OVCopyFilePatterns", {"*.tmp", "/[/"}}});
    const Outcome outcome = run({"--dry-run", source, dest});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find("file copying patterns"), std::string::npos);
}

TEST_F(OrganizeTest, UsageErrors) {
    Outcome outcome = run({"--include", "*.jpg", "--exclude", "*.png", source, dest});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find("--include and --exclude cannot be combined"), std::string::npos);
    outcome = run({"--include", source, dest});
    EXPECT_EQ(outcome.status, 2) << "a source and a destination are still needed";
    outcome = run({"--jobs", "17", source, dest});
    EXPECT_EQ(outcome.status, 2) << outcome.err;
    outcome = run({"--help"});
    EXPECT_EQ(outcome.status, 0);
    for (const char* option :
         {"--copy-hidden", "--include", "--exclude", "--intact", "--dry-run", "--jobs"})
        EXPECT_NE(outcome.out.find(option), std::string::npos) << option;
    EXPECT_TRUE(fs::is_empty(dest));
}

TEST_F(OrganizeTest, AFolderFormatLeavingTheDestinationIsRefusedBeforeARun) {
    writeFile(source + "/a.jpg", "a");
    for (const char* format : {"../../escape/%Y", ".."}) {
        const Outcome outcome = run({"--format", format, source, dest});
        EXPECT_EQ(outcome.status, 2) << format;
        EXPECT_NE(
            outcome.err.find("The folder format doesn't give a folder inside the destination"),
            std::string::npos)
            << outcome.err;
    }
    // The same format stored in the preferences.
    storePreferences({{"OVMatchingMode", "all files except those that match:"},
                      {"OVDirLevels", 1},
                      {"OVOneLevelDateFormat", "../%Y"}});
    EXPECT_EQ(run({source, dest}).status, 2);
    EXPECT_TRUE(fs::is_empty(dest));
    EXPECT_FALSE(fs::exists(tmp / "escape"));
}

// A movie header made by hand: ftyp, then moov with an mvhd created 2005-03-17 14:22:05 UTC.
std::string tinyMovie() {
    const char* hex =
        "000000186674797069736f6d0000000169736f6d6d703431000000746d6f6f760000006c6d76"
        "686400000000be5f430dbe5f430d000003e8000000000001000001000000000000000000000000"
        "010000000000000000000000000000000100000000000000000000000000004000000000000000"
        "000000000000000000000000000000000000000000000002";
    std::string bytes;
    for (const char* at = hex; at[0] && at[1]; at += 2)
        bytes += static_cast<char>(std::stoi(std::string(at, 2), nullptr, 16));
    return bytes;
}

TEST_F(OrganizeTest, SaysHowEachCopyWasDated) {
    writeFile(in("clip.mp4"), tinyMovie(), k2006);
    writeFile(in("CLIP.xmp"), "<x:xmpmeta/>", k2006);
    writeFile(in("scan.txt"), "s", 157766400); // 1975-01-01: a clock that was never set

    Outcome outcome = run({"--dry-run", "--json", source, dest});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    std::map<std::string, std::string> datedBy;
    const json plan = outcome.parsed();
    for (const json& item : plan["plan"])
        datedBy[item["path"]] = item["dated_by"].get<std::string>() +
                                (item["check_date"].get<bool>() ? ", check date" : "");
    EXPECT_EQ(datedBy,
              (std::map<std::string, std::string>{{in("CLIP.xmp"), "paired"},
                                                  {in("clip.mp4"), "metadata"},
                                                  {in("scan.txt"), "modified, check date"}}));

    outcome = run({"--json", "--no-history", "--verify", source, dest});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(tree(dest),
              (std::map<std::string, std::string>{{"1975-01-01/scan.txt", "s"},
                                                  {"2005-03-17/CLIP.xmp", "<x:xmpmeta/>"},
                                                  {"2005-03-17/clip.mp4", tinyMovie()}}));
    const json report = outcome.parsed();
    EXPECT_EQ(report["check_date_count"], 1);
    EXPECT_EQ(report["verified"], 3);
    for (const json& item : report["copied"])
        EXPECT_EQ(item["dated_by"].get<std::string>() +
                      (item["check_date"].get<bool>() ? ", check date" : ""),
                  datedBy[item["path"]]);

    // Without the other formats, and without capture dates at all, both fall back.
    fs::remove_all(dest);
    fs::create_directories(dest);
    outcome = run({"--no-extended-dates", "--no-history", source, dest});
    EXPECT_NE(outcome.out.find(in("clip.mp4") + "  ->  2006-01-02  (modified)"), std::string::npos)
        << outcome.out;
    EXPECT_NE(outcome.out.find("3 copied, 0 skipped, 0 errors, 1 to check date\n"),
              std::string::npos);
    fs::remove_all(dest);
    fs::create_directories(dest);
    outcome = run({"--no-exif", source, dest});
    EXPECT_NE(outcome.out.find(in("CLIP.xmp") + "  ->  2006-01-02  (modified)"), std::string::npos)
        << outcome.out;
}

TEST_F(OrganizeTest, DryRunPlansWithoutTouchingAnything) {
    writeFile(in("a.jpg"), "a", k2005);
    writeFile(in("card2/a.jpg"), "other a", k2005);
    writeFile(in("b.jpg"), "b", k2006);
    writeFile(dest + "/2006-01-02/b.jpg", "already there");
    writeFile(in(".hidden"), "h", k2005);

    Outcome outcome = run({"--dry-run", "--json", source, dest});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const json plan = outcome.parsed();
    EXPECT_EQ(tree(dest),
              (std::map<std::string, std::string>{{"2006-01-02/b.jpg", "already there"}}));
    ASSERT_EQ(plan["plan"].size(), 3u);
    EXPECT_EQ(plan["plan"][0]["path"], in("a.jpg"));
    EXPECT_EQ(plan["plan"][0]["folder"], "2005-03-17");
    EXPECT_EQ(plan["plan"][0]["destination"], dest + "/2005-03-17/a.jpg");
    EXPECT_EQ(plan["plan"][0]["date"], "2005-03-17 12:22:05");
    EXPECT_EQ(plan["plan"][0]["dateSource"], "mtime");
    EXPECT_EQ(plan["plan"][0]["taken"], false);
    EXPECT_EQ(plan["plan"][1]["path"], in("b.jpg"));
    EXPECT_EQ(plan["plan"][1]["taken"], true);
    EXPECT_EQ(plan["plan"][1]["takenBy"], nullptr);
    EXPECT_EQ(plan["plan"][2]["path"], in("card2/a.jpg"));
    EXPECT_EQ(plan["plan"][2]["taken"], true);
    EXPECT_EQ(plan["plan"][2]["takenBy"], in("a.jpg"));
    ASSERT_EQ(plan["skipped"].size(), 1u);
    EXPECT_EQ(plan["skipped"][0]["reason"], "Hidden file");

    outcome = run({"--dry-run", "--levels", "3", source, dest});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("  " + in("a.jpg") + "  ->  " + dest +
                               "/2005/03/17/a.jpg  (2005-03-17 12:22:05, modified)\n"),
              std::string::npos)
        << outcome.out;
    EXPECT_NE(outcome.out.find("\n2 to copy, 1 already taken, 1 skipped, 0 errors (dry run: "
                               "nothing was copied)\n"),
              std::string::npos);
    EXPECT_EQ(tree(dest).size(), 1u);
    EXPECT_FALSE(fs::exists(dest + "/2005"));

    // The real run does what the plan said.
    outcome = run({source, dest});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(tree(dest), (std::map<std::string, std::string>{
                              {"2005-03-17/a.jpg", "a"}, {"2006-01-02/b.jpg", "already there"}}));
    EXPECT_NE(outcome.out.find(in("b.jpg") + ": Can't overwrite existing file"), std::string::npos);
    EXPECT_NE(outcome.out.find(in("card2/a.jpg") + ": Can't overwrite existing file"),
              std::string::npos);
}

TEST_F(OrganizeTest, SourcesThatCouldNotBeReadFailTheRun) {
    writeFile(in("a.jpg"), "a", k2005);
    // A name too long to examine (a missing source stops the run before it starts).
    const std::string unreadable = tmp / std::string(300, 'x');
    const Outcome outcome = run({in("a.jpg"), unreadable, dest});
    EXPECT_EQ(outcome.status, 1) << "files may have been left behind";
    EXPECT_NE(outcome.out.find("  " + unreadable + ": Couldn't access file\n"), std::string::npos)
        << outcome.out;
    EXPECT_NE(outcome.out.find("1 copied, 1 skipped, 0 errors, 1 couldn't be read\n"),
              std::string::npos)
        << outcome.out;
}

TEST_F(OrganizeTest, StopSignalsFinishTheEntryUnderWayAndReport) {
    const int kFiles = 2000;
    for (int i = 0; i < kFiles; ++i)
        writeFile(in(std::to_string(i) + ".jpg"), "x", k2005);
    for (const int signal : {SIGTERM, SIGHUP}) {
        const std::string to = tmp / ("dest" + std::to_string(signal));
        const std::string folder = to + "/2005-03-17";
        fs::create_directories(folder);
        // The signal comes as soon as the first copy is begun.
        const Outcome outcome =
            signalOnFirstCopy(folder, {"--json", "--no-exif", "--no-history", source, to}, signal);

        EXPECT_EQ(outcome.status, 128 + signal) << outcome.err;
        const json report = outcome.parsed();
        EXPECT_EQ(report["cancelled"], true);
        ASSERT_GE(report["copied"].size(), 1u);
        EXPECT_EQ(report["copied"].size() + report["skipped"].size(), size_t{kFiles});
        for (const json& skipped : report["skipped"])
            EXPECT_EQ(skipped["reason"], "Not copied: the run was stopped");
        // Exactly the copies reported, each complete, and no temporary left behind.
        const auto copies = tree(to);
        EXPECT_EQ(copies.size(), report["copied"].size());
        for (const auto& [name, contents] : copies)
            EXPECT_EQ(contents, "x") << name;
    }
}

// A stop signal that comes too late to stop anything, during the last entry or after the
// run, still gives its status: the run was not the whole run asked for.
TEST_F(OrganizeTest, AStopSignalDuringTheLastEntryIsNoSuccess) {
    const std::string contents(32 << 20, 'x');
    writeFile(in("clip.mov"), contents, k2005);
    const std::string folder = dest + "/2005-03-17";
    fs::create_directories(folder);
    const Outcome outcome = signalOnFirstCopy(folder, {"--no-exif", source, dest}, SIGTERM);

    EXPECT_EQ(outcome.status, 128 + SIGTERM) << outcome.err;
    // The copy was finished or abandoned, never left half made.
    const auto copies = tree(dest);
    ASSERT_LE(copies.size(), 1u);
    for (const auto& [name, copy] : copies)
        EXPECT_TRUE(name == "2005-03-17/clip.mov" && copy == contents) << name;
}

TEST_F(OrganizeTest, OddNamesAndASourceGivenTwice) {
    const std::string longName = std::string(251, 'L') + ".jpg";
    // Each name and how the text report shows it: as it is, or escaped in quotes ("" here).
    const std::pair<std::string, std::string> names[] = {
        {"with space.jpg", ""}, {"new\nline.jpg", "new\\nline.jpg"},
        {"new\\nline.jpg", ""}, {"bad\xFF.jpg", "bad\\xFF.jpg"},
        {"bad\\xFF.jpg", ""},   {"back\\slash\t\".jpg", "back\\\\slash\\t\\\".jpg"},
        {longName, ""},
    };
    for (const auto& [name, shown] : names)
        writeFile(in(name), name, k2005);

    const Outcome outcome = run({"--json", "--no-history", source, source, dest});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    std::map<std::string, std::string> expected;
    for (const auto& [name, shown] : names)
        expected["2005-03-17/" + name] = name;
    EXPECT_EQ(tree(dest), expected);
    const json report = outcome.parsed();
    EXPECT_EQ(report["copied"].size(), std::size(names));
    // The second listing of every file meets its first copy.
    ASSERT_EQ(report["skipped"].size(), std::size(names));
    for (const json& skipped : report["skipped"])
        EXPECT_EQ(skipped["reason"], "Already in destination");
    EXPECT_NE(outcome.out.find("bad\\\\xFF.jpg"), std::string::npos)
        << "invalid bytes shown escaped";

    // The text report tells every name apart.
    const Outcome text = run({source, dest});
    ASSERT_EQ(text.status, 0) << text.err;
    for (const auto& [name, shown] : names) {
        const std::string line =
            "  " + (shown.empty() ? in(name) : '"' + in(shown) + '"') + ": Already in destination";
        EXPECT_NE(text.out.find(line + " ("), std::string::npos) << line << "\n" << text.out;
    }
}

TEST_F(OrganizeTest, ReimportIsCalmAndNameClashesFollowTheOptions) {
    writeFile(in("a.jpg"), "a", k2005);
    writeFile(in("b.jpg"), "b", k2005);
    ASSERT_EQ(run({"--no-history", source, dest}).status, 0);

    Outcome outcome = run({"--json", source, dest});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    json report = outcome.parsed();
    EXPECT_TRUE(report["copied"].empty());
    ASSERT_EQ(report["skipped"].size(), 2u);
    EXPECT_EQ(report["skipped"][0]["reason"], "Already in destination");
    EXPECT_EQ(report["skipped"][0]["destination"], dest + "/2005-03-17/a.jpg");
    // Found there, they are remembered: the next run knows them from the history.
    outcome = run({source, dest});
    EXPECT_NE(outcome.out.find(in("b.jpg") + ": Imported before on "), std::string::npos)
        << outcome.out;
    outcome = run({"--ignore-history", source, dest});
    EXPECT_NE(outcome.out.find(in("b.jpg") + ": Already in destination (" + dest +
                               "/2005-03-17/b.jpg)\n"),
              std::string::npos)
        << outcome.out;

    // A different file under the name: an error, or with --keep-both the next free name.
    writeFile(in("a.jpg"), "second a", k2005);
    outcome = run({source, dest});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(
        outcome.out.find(in("a.jpg") + ": Can't overwrite existing file: dest/2005-03-17/a.jpg"),
        std::string::npos);
    outcome = run({"--keep-both", source, dest});
    EXPECT_EQ(outcome.status, 0) << outcome.out;
    EXPECT_NE(outcome.out.find(in("a.jpg") + "  ->  2005-03-17 (as a-1.jpg)"), std::string::npos)
        << outcome.out;
    writeFile(in("a.jpg"), "third a", k2005);
    // Several copies at once take names as one after another does.
    outcome = run({"--keep-both", "--jobs", "4", "--json", source, dest});
    report = outcome.parsed();
    ASSERT_EQ(report["copied"].size(), 1u);
    EXPECT_EQ(report["copied"][0]["destination"], dest + "/2005-03-17/a-2.jpg");
    EXPECT_EQ(tree(dest), (std::map<std::string, std::string>{{"2005-03-17/a.jpg", "a"},
                                                              {"2005-03-17/a-1.jpg", "second a"},
                                                              {"2005-03-17/a-2.jpg", "third a"},
                                                              {"2005-03-17/b.jpg", "b"}}));

    // Without skipping, the same contents are an error again.
    outcome = run({"--no-skip-identical", "--ignore-history", in("b.jpg"), dest});
    EXPECT_EQ(outcome.status, 1);
}

TEST_F(OrganizeTest, ChecksBeforeTheRunAndACreatedDestination) {
    writeFile(in("a.jpg"), "a", k2005);
    writeFile(tmp / "file", "not a folder");
    const std::string fresh = tmp / "fresh";
    const struct {
        std::vector<std::string> args;
        std::string message;
    } refused[] = {
        {{source, tmp / "gone", fresh},
         "orvane: Can't Organize: The source \u201c" + tmp / "gone" + "\u201d no longer exists.\n"},
        {{source, tmp / "no/such"},
         "orvane: Can't Organize: The destination folder \u201c" + tmp / "no/such" +
             "\u201d does not exist.\n"},
        {{source, tmp / "file"},
         "orvane: Can't Organize: The destination \u201c" + tmp / "file" +
             "\u201d is not a folder.\n"},
    };
    for (const auto& [args, message] : refused) {
        SCOPED_TRACE(message);
        const Outcome outcome = run(args);
        EXPECT_EQ(outcome.status, 2);
        EXPECT_NE(outcome.err.find(message), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.out, "");
        EXPECT_FALSE(fs::exists(fresh)) << "nothing is created";
    }

    const Outcome outcome = run({source, fresh});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("orvane: created the destination folder '" + fresh + "'"),
              std::string::npos);
    EXPECT_EQ(tree(fresh), (std::map<std::string, std::string>{{"2005-03-17/a.jpg", "a"}}));
}

TEST_F(OrganizeTest, SharedExifSamplesAreEachAccountedFor) {
    const test::Corpus corpus = test::findCorpus("exif");
    const std::string& samples = corpus.folder;
    if (samples.empty())
        GTEST_SKIP() << "no EXIF corpus in " << corpus.searched;
    const Outcome plan = run({"--dry-run", "--json", "--levels", "3", samples, dest});
    ASSERT_EQ(plan.status, 0) << plan.err;
    EXPECT_TRUE(fs::is_empty(dest));
    const Outcome outcome = run({"--json", "--levels", "3", samples, dest});
    ASSERT_LE(outcome.status, 1) << outcome.err;
    const json report = outcome.parsed();

    // Every file of the samples is copied, skipped or failed, once.
    std::map<std::string, int> seen;
    for (const char* part : {"copied", "skipped", "errors"})
        for (const json& item : report[part])
            ++seen[item["path"].get<std::string>()];
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(samples))
        if (!entry.is_directory()) {
            ++files;
            EXPECT_EQ(seen[entry.path().string()], 1) << entry.path();
        }
    EXPECT_EQ(seen.size(), files);
    EXPECT_GE(report["copied"].size(), corpus.full ? 200u : 5u);
    // Only same-named files of the same day collide; nothing else fails.
    for (const json& error : report["errors"])
        EXPECT_EQ(error["error"].get<std::string>().rfind("Can't overwrite existing file: ", 0), 0u)
            << error;

    // Each copy is in the folder the plan named, byte for byte the original.
    std::map<std::string, std::string> planned;
    const json planJson = plan.parsed();
    for (const json& item : planJson["plan"])
        planned[item["path"].get<std::string>()] = item["destination"].get<std::string>();
    for (const json& item : report["copied"]) {
        const std::string path = item["path"];
        ASSERT_EQ(planned.count(path), 1u) << path;
        const std::string copy = planned.at(path);
        EXPECT_EQ(copy, dest + "/" + item["folder"].get<std::string>() + "/" +
                            fs::path(path).filename().string());
        EXPECT_EQ(readFile(copy), readFile(path)) << path;
    }
}

TEST_F(OrganizeTest, RunsAreListedAndUndoneOnce) {
    writeFile(in("a.jpg"), "a", k2005);
    writeFile(in("b.jpg"), "b", k2006);
    writeFile(dest + "/2006-01-02/mine.txt", "the user's");
    ASSERT_EQ(run({source, dest}).status, 0);

    const Outcome runs = run({"--json"}, "runs");
    ASSERT_EQ(runs.status, 0) << runs.err;
    const json list = runs.parsed();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["state"], "finished");
    EXPECT_EQ(list[0]["copied"], 2);
    EXPECT_EQ(list[0]["sources"], json::array({source}));
    EXPECT_EQ(list[0]["destination"], dest);

    Outcome outcome = run({"--dry-run"}, "undo");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("2 to remove, 0 kept, 1 folders to remove (dry run: nothing was "
                               "removed)"),
              std::string::npos)
        << outcome.out;
    EXPECT_EQ(tree(dest).size(), 3u);

    outcome = run({list[0]["id"].get<std::string>()}, "undo");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("Removed (2):\n  " + dest + "/2005-03-17/a.jpg\n"),
              std::string::npos)
        << outcome.out;
    EXPECT_EQ(tree(dest),
              (std::map<std::string, std::string>{{"2006-01-02/mine.txt", "the user's"}}));
    EXPECT_FALSE(fs::exists(dest + "/2005-03-17"));
    EXPECT_EQ(readFile(in("a.jpg")), "a");

    outcome = run({}, "undo");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("was already undone on"), std::string::npos) << outcome.err;
    EXPECT_NE(run({}, "runs").out.find("finished, undone"), std::string::npos);
}

// A backup gets the same tree under the same names, a name taken in either place is decided
// the same way in both, and undo takes back the copies in both.
TEST_F(OrganizeTest, BackupsGetTheSameTreeAndAreUndoneWithIt) {
    const std::string backup = tmp / "backup";
    writeFile(in("a.jpg"), "a", k2005);
    writeFile(in("b.jpg"), "b", k2006);
    writeFile(in("c.jpg"), "c", k2005);
    writeFile(in("d.jpg"), "d", k2005);
    writeFile(backup + "/2006-01-02/b.jpg", "b");       // the backup has it already
    writeFile(backup + "/2005-03-17/c.jpg", "another"); // taken in the backup only
    writeFile(dest + "/2005-03-17/d.jpg", "d");         // the destination has it already

    EXPECT_NE(run({"--backup", tmp / "unplugged", source, dest})
                  .err.find("The backup \u201C" + std::string(tmp / "unplugged") +
                            "\u201D isn't connected"),
              std::string::npos);
    EXPECT_EQ(tree(dest).size(), 1u);
    Outcome outcome = run({"--backup", backup, source, dest, "--json"});
    ASSERT_EQ(outcome.status, 1) << outcome.err; // c fails: its name is taken in the backup
    json report = outcome.parsed();
    EXPECT_EQ(report["errors"][0]["path"], in("c.jpg"));
    EXPECT_NE(report["errors"][0]["error"].get<std::string>().find("backup/2005-03-17/c.jpg"),
              std::string::npos)
        << report["errors"];

    outcome = run({"--backup", backup, "--keep-both", source, dest, "--json"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    report = outcome.parsed();
    EXPECT_EQ(report["copied"][0]["backups"], json::array({backup + "/2005-03-17/c-1.jpg"}));
    const std::map<std::string, std::string> copies = {{"2005-03-17/a.jpg", "a"},
                                                       {"2005-03-17/c-1.jpg", "c"},
                                                       {"2005-03-17/d.jpg", "d"},
                                                       {"2006-01-02/b.jpg", "b"}};
    EXPECT_EQ(tree(dest), copies);
    std::map<std::string, std::string> backedUp = copies;
    backedUp["2005-03-17/c.jpg"] = "another";
    EXPECT_EQ(tree(backup), backedUp);

    for (const json& runRecord : run({"--json"}, "runs").parsed()) {
        outcome = run({runRecord["id"].get<std::string>()}, "undo");
        EXPECT_EQ(outcome.status, 0) << outcome.out << outcome.err;
    }
    EXPECT_EQ(tree(dest), (std::map<std::string, std::string>{{"2005-03-17/d.jpg", "d"}}));
    EXPECT_EQ(tree(backup), (std::map<std::string, std::string>{{"2005-03-17/c.jpg", "another"},
                                                                {"2006-01-02/b.jpg", "b"}}));
}

// The import history knows a renamed copy by its new name.
TEST_F(OrganizeTest, TheImportHistoryKnowsRenamedCopies) {
    writeFile(in("a.jpg"), "a", k2005);
    ASSERT_EQ(run({"--rename", "{seq:2}-{name}", source, dest}).status, 0);
    const Outcome outcome = run({"--json", in("a.jpg")}, "history");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.parsed()[0]["destination"], dest + "/2005-03-17/01-a.jpg") << outcome.out;
}

TEST_F(OrganizeTest, TheImportHistorySkipsWhatWasImportedBeforeWhereverItWent) {
    writeFile(in("a.jpg"), "a", k2005);
    writeFile(in("b.jpg"), "bb", k2005);
    ASSERT_EQ(run({source, dest}).status, 0);
    // With the copies as they were made, a second import is a look at them.
    EXPECT_NE(run({source, dest}).out.find("0 copied, 2 skipped (2 imported before)"),
              std::string::npos);
    // The library reorganised by hand; b.jpg changed, keeping its name, size and time.
    fs::rename(dest + "/2005-03-17", dest + "/Trip");
    writeFile(in("b.jpg"), "cc", k2005);
    Outcome outcome = run({"--json", source, dest});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    json report = outcome.parsed();
    ASSERT_EQ(report["skipped"].size(), 1u) << outcome.out;
    EXPECT_EQ(report["skipped"][0]["path"], in("a.jpg"));
    const std::string reason = report["skipped"][0]["reason"];
    EXPECT_EQ(reason.rfind("Imported before on ", 0), 0u) << reason;
    EXPECT_NE(reason.find(" into …/2005-03-17"), std::string::npos) << reason;
    EXPECT_EQ(report["imported_before_count"], 1);
    EXPECT_EQ(tree(dest),
              (std::map<std::string, std::string>{
                  {"Trip/a.jpg", "a"}, {"Trip/b.jpg", "bb"}, {"2005-03-17/b.jpg", "cc"}}));

    outcome = run({"--dry-run", "--json", in("a.jpg"), dest});
    EXPECT_EQ(outcome.parsed()["plan"][0]["skipped"], reason) << outcome.out;
    outcome = run({in("a.jpg"), dest});
    EXPECT_NE(outcome.out.find("Imported before (1):\n  " + in("a.jpg") + ": Imported before on "),
              std::string::npos)
        << outcome.out;
    EXPECT_NE(outcome.out.find("0 copied, 1 skipped (1 imported before), 0 errors"),
              std::string::npos);
    outcome = run({"--json", "--ignore-history", in("a.jpg"), dest});
    EXPECT_EQ(outcome.parsed()["copied"].size(), 1u) << outcome.out;
    outcome = run({"--json", in("a.jpg")}, "history");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.parsed().size(), 2u) << outcome.out;
    // Undo forgets what it took back: the file is new again.
    ASSERT_EQ(run({}, "undo").status, 0);
    EXPECT_EQ(run({"--json", in("a.jpg")}, "history").parsed().size(), 1u);
    outcome = run({"--forget", source}, "history");
    EXPECT_EQ(outcome.out, "Forgot 3 imports of " + source + "\n") << outcome.err;

    // Bytes anywhere in the destination, under any name; a file replaced in place is noticed.
    writeFile(in("c.jpg"), "a", k2006);
    outcome = run({"--json", "--skip-copies-anywhere", in("c.jpg"), dest});
    report = outcome.parsed();
    ASSERT_EQ(report["skipped"].size(), 1u) << outcome.out;
    EXPECT_EQ(report["skipped"][0]["reason"], "Already in destination as Trip/a.jpg");
    writeFile(dest + "/Trip/a.jpg", "z", k2005);
    outcome = run({"--json", "--skip-copies-anywhere", in("c.jpg"), dest});
    EXPECT_EQ(outcome.parsed()["copied"].size(), 1u) << outcome.out;

    // A damaged history never stops a run: it is said once and kept aside.
    writeFile(data + "/history.sqlite", std::string(4096, 'x'));
    writeFile(in("d.jpg"), "d", k2006);
    outcome = run({"--json", in("d.jpg"), dest});
    EXPECT_EQ(outcome.status, 0);
    report = outcome.parsed();
    EXPECT_EQ(report["copied"].size(), 1u);
    ASSERT_EQ(report["notes"].size(), 1u) << outcome.out;
    EXPECT_EQ(report["notes"][0].get<std::string>().rfind(
                  "The import history couldn't be read: file is not a database", 0),
              0u);
}

// Freeing a card: what was copied, or imported before and still matching its copy, goes from
// it, the rest stays, and undo puts it back as it was before it takes the copies away; without
// the card undo changes nothing.
TEST_F(OrganizeTest, MoveFreesTheCardAndUndoPutsItBack) {
    const std::string card = in("DCIM/100CANON");
    writeFile(card + "/known.jpg", "known", k2006);
    ASSERT_EQ(run({source, dest}).status, 0);
    writeFile(card + "/a.jpg", "a", k2005);
    writeFile(card + "/b.jpg", std::string(100000, 'b'), k2006);
    writeFile(card + "/note.txt", "kept by a pattern", k2005);
    ::chmod((card + "/a.jpg").c_str(), 0640);
    const struct stat before = test::statOf(card + "/b.jpg");

    Outcome outcome = run({"--move", "--json", "--exclude", "*.txt", source, dest});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    json report = outcome.parsed();
    EXPECT_EQ(report["originals_removed"], 3) << outcome.out;
    EXPECT_EQ(report["verified"], 2);
    EXPECT_EQ(tree(source), (std::map<std::string, std::string>{
                                {"DCIM/100CANON/note.txt", "kept by a pattern"}}));
    EXPECT_EQ(readFile(dest + "/2006-01-02/b.jpg"), std::string(100000, 'b'));

    // What an undo killed while putting an original back left beside it goes.
    writeFile(card + "/.orvane-partial-restore-2147483647-0", "b", k2006);
    outcome = run({}, "undo");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_FALSE(fs::exists(card + "/.orvane-partial-restore-2147483647-0"));
    EXPECT_NE(outcome.out.find("Originals put back (3):\n"), std::string::npos) << outcome.out;
    EXPECT_EQ(readFile(card + "/known.jpg"), "known");
    EXPECT_EQ(readFile(card + "/a.jpg"), "a");
    EXPECT_EQ(readFile(card + "/b.jpg"), std::string(100000, 'b'));
    EXPECT_EQ(test::statOf(card + "/a.jpg").st_mode & 07777, 0640u);
    const struct stat after = test::statOf(card + "/b.jpg");
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(tree(dest), (std::map<std::string, std::string>{{"2006-01-02/known.jpg", "known"}}));

    // The card taken out before the undo. Without the history, known.jpg is found at the
    // destination by its bytes, and goes too.
    ASSERT_EQ(run({"--move", "--no-history", source, dest}).status, 0);
    EXPECT_EQ(tree(source).size(), 0u);
    const auto copies = tree(dest);
    ASSERT_EQ(copies.size(), 4u);
    fs::rename(source, tmp / "elsewhere");
    outcome = run({}, "undo");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("The card isn't there: "), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("no copy was removed"), std::string::npos) << outcome.err;
    EXPECT_EQ(tree(dest), copies);
    fs::rename(tmp / "elsewhere", source);
    ASSERT_EQ(run({}, "undo").status, 0);
    EXPECT_EQ(tree(source).size(), 4u);
}

TEST_F(OrganizeTest, TwoRunsAtOnceShareTheHistory) {
    for (int i = 0; i < 300; ++i) {
        writeFile(in("x/" + std::to_string(i) + ".jpg"), "x" + std::to_string(i), k2005);
        writeFile(in("y/" + std::to_string(i) + ".jpg"), "y" + std::to_string(i), k2005);
    }
    const pid_t first = start({"-q", in("x"), dest + "/one"});
    const pid_t second = start({"-q", in("y"), dest + "/two"});
    EXPECT_EQ(finish(first).status, 0);
    EXPECT_EQ(finish(second).status, 0);
    EXPECT_EQ(run({"--json"}, "history").parsed().size(), 600u);
}

// A folder shown as a camera by libgphoto2's "Directory Browse" driver on a disk: port.
TEST_F(OrganizeTest, ImportsFromACameraAndUndoesItLeavingTheCameraAlone) {
    writeFile(in("DCIM/100TEST/a.jpg"), "a", k2005);
    writeFile(in("DCIM/101TEST/b.jpg"), "b", k2006);
    const std::string port = "disk:" + source;
    const std::string from = "From 'Directory Browse' in '" + source + "'";
    const auto camera = tree(source);

    Outcome outcome = run({"--dry-run", "camera:" + port, dest});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find(from + "\nPlan (2):\n  camera:" + port +
                               "/DCIM/100TEST/a.jpg  ->  " + dest + "/2005-03-17/a.jpg"),
              std::string::npos)
        << outcome.out;
    EXPECT_TRUE(tree(dest).empty());

    outcome = run({"--camera", "Directory Browse", "--port", port, "--json", dest});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(tree(dest), (std::map<std::string, std::string>{{"2005-03-17/a.jpg", "a"},
                                                              {"2006-01-02/b.jpg", "b"}}));
    EXPECT_EQ(outcome.parsed()["notes"], json::array({from}));

    outcome = run({}, "undo");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_TRUE(tree(dest).empty());
    EXPECT_EQ(tree(source), camera) << "a camera's files are never changed";

    outcome = run({"camera:usb:999,999", dest});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.out.find("camera:usb:999,999: No camera is connected on 'usb:999,999'"),
              std::string::npos)
        << outcome.out;
    outcome = run({"--camera", "Nikon DSC D850", dest});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find("no camera 'Nikon DSC D850' is connected"), std::string::npos)
        << outcome.err;
    outcome = run({"--json"}, "cameras");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_TRUE(outcome.parsed().is_array());
}

TEST_F(OrganizeTest, ARunWhoseJournalCannotBeWrittenStillCopies) {
    writeFile(in("a.jpg"), "a", k2005);
    writeFile(tmp / "not-a-folder", "");
    state = tmp / "not-a-folder/runs";
    const Outcome outcome = run({source, dest});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(tree(dest), (std::map<std::string, std::string>{{"2005-03-17/a.jpg", "a"}}));
    EXPECT_NE(outcome.out.find("1 copied, 0 skipped, 0 errors\nThis run can't be undone\n"),
              std::string::npos)
        << outcome.out;
    const size_t warning = outcome.err.find("WARN: Couldn't create the run journal");
    EXPECT_NE(warning, std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find("WARN", warning + 1), std::string::npos) << outcome.err;
}

// Kills real runs with SIGKILL at random points of a 2,000-file run. After each kill no final
// name may hold a partial copy; the next run removes the temporaries the killed one left,
// says how many, and accounts for every source once. After every other kill, undo takes back
// every copy the killed run made, also those it had no time to record.
TEST_F(OrganizeTest, KilledRunsLeaveNothingHalfDone) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::map<std::string, size_t> sizes; // by name
    for (int i = 0; i < 2000; ++i) {
        // Mostly small files, and some large ones that kills land in the middle of.
        const size_t size = i % 250 == 7 ? (2u << 20) : 1 + random() % 8192;
        char name[32];
        std::snprintf(name, sizeof name, "f%04d.dat", i);
        writeFile(in(name), std::string(size, static_cast<char>('a' + i % 26)), k2005);
        sizes[name] = size;
    }
    // Each run goes into an emptied destination: the history would skip everything.
    const std::vector<std::string> args = {"--quiet",      "--json", "--no-exif",
                                           "--no-history", source,   dest};
    const std::string prefix = ".orvane-partial-";

    // What a destination holds: final names with their sizes, and the temporaries' count.
    auto look = [&](std::map<std::string, size_t>& finals, size_t& temporaries) {
        finals.clear();
        temporaries = 0;
        for (const auto& entry : fs::recursive_directory_iterator(dest))
            if (entry.path().filename().string().rfind(prefix, 0) == 0)
                ++temporaries;
            else if (entry.is_regular_file())
                finals[entry.path().filename().string()] = entry.file_size();
    };

    auto started = std::chrono::steady_clock::now();
    ASSERT_LE(run(args).status, 1);
    auto fullRun = std::chrono::steady_clock::now() - started;
    int kills = 0;
    for (int attempt = 0; attempt < 60 && kills < 20; ++attempt) {
        fs::remove_all(dest);
        fs::create_directories(dest);
        const pid_t pid = start(args);
        std::this_thread::sleep_for(std::uniform_real_distribution<double>(0, 1)(random) * fullRun);
        ASSERT_GT(pid, 0) << "the binary could not be started";
        kill(pid, SIGKILL);
        if (finish(pid).status != 128 + SIGKILL) {
            // It ended before the kill: the run timed was slowed by a busy machine.
            fullRun = fullRun * 3 / 4;
            continue;
        }
        ++kills;
        SCOPED_TRACE("kill " + std::to_string(kills));

        std::map<std::string, size_t> finals;
        size_t temporaries = 0;
        look(finals, temporaries);
        for (const auto& [name, size] : finals)
            ASSERT_EQ(size, sizes.at(name)) << name << " holds a partial copy";
        if (kills % 2 == 0) {
            const Outcome undone = run({"--json"}, "undo");
            ASSERT_EQ(undone.status, 0) << undone.err;
            size_t cleaned = 0;
            const size_t note = undone.err.find("A previous run was interrupted; ");
            if (note != std::string::npos)
                std::sscanf(undone.err.c_str() + note, "A previous run was interrupted; %zu",
                            &cleaned);
            EXPECT_EQ(cleaned, temporaries);
            look(finals, temporaries);
            EXPECT_EQ(temporaries, 0u);
            ASSERT_TRUE(finals.empty()) << finals.size() << " copies left after undo";
        }

        const Outcome next = run(args);
        ASSERT_LE(next.status, 1) << next.err;
        const json report = next.parsed();
        size_t cleaned = 0;
        for (const json& note : report["notes"])
            std::sscanf(note.get<std::string>().c_str(),
                        "A previous run was interrupted; %zu temporar", &cleaned);
        EXPECT_EQ(cleaned, temporaries);
        std::map<std::string, int> seen;
        for (const char* part : {"copied", "skipped", "errors"})
            for (const json& item : report[part])
                ++seen[fs::path(item["path"].get<std::string>()).filename().string()];
        for (const json& error : report["errors"])
            ASSERT_EQ(error["error"].get<std::string>().rfind("Can't overwrite existing file", 0),
                      0u)
                << error;
        look(finals, temporaries);
        EXPECT_EQ(temporaries, 0u);
        ASSERT_EQ(finals, sizes);
        ASSERT_EQ(seen.size(), sizes.size());
        for (const auto& [name, count] : seen)
            ASSERT_EQ(count, 1) << name;
    }
    EXPECT_EQ(kills, 20);
}

// Kills move runs with SIGKILL at 20 points: after each, every original is at its place or
// stands as a complete copy; after every other kill, undo puts every original back.
TEST_F(OrganizeTest, KilledMoveRunsLoseNoOriginal) {
    std::map<std::string, std::string> files; // by name
    for (int i = 0; i < 150; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "m%03d.dat", i);
        files[name] = std::string(i % 50 == 7 ? (1u << 20) : 1 + i * 37 % 5000,
                                  static_cast<char>('a' + i % 26));
    }
    auto fill = [&] {
        fs::remove_all(source);
        fs::remove_all(dest);
        fs::create_directories(dest);
        for (const auto& [name, contents] : files)
            writeFile(in("DCIM/" + name), contents, k2005);
    };
    // Originals neither at their place nor complete at the destination.
    auto lost = [&] {
        std::map<std::string, std::string> copies;
        for (const auto& [path, contents] : tree(dest))
            copies[fs::path(path).filename().string()] = contents;
        size_t count = 0;
        for (const auto& [name, contents] : files)
            if (!(fs::exists(in("DCIM/" + name)) && readFile(in("DCIM/" + name)) == contents) &&
                copies[name] != contents)
                ++count;
        return count;
    };
    const std::vector<std::string> args = {"--quiet", "--json", "--no-exif", "--no-history",
                                           "--move",  source,   dest};
    fill();
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(run(args).status, 0);
    auto fullRun = std::chrono::steady_clock::now() - started;
    ASSERT_EQ(tree(source).size(), 0u);
    std::mt19937 random(std::random_device{}());
    int kills = 0;
    for (int attempt = 0; attempt < 100 && kills < 20; ++attempt) {
        fill();
        const size_t runsBefore = run({"--json"}, "runs").parsed().size();
        const pid_t pid = start(args);
        // Within the run's first 90%: a busy machine makes runs' lengths vary.
        std::this_thread::sleep_for(std::uniform_real_distribution<double>(0, 0.9)(random) *
                                    fullRun);
        ASSERT_GT(pid, 0) << "the binary could not be started";
        kill(pid, SIGKILL);
        if (finish(pid).status != 128 + SIGKILL) {
            // The run ended first: the one timed was slowed by a busy machine. Aim earlier.
            fullRun = fullRun * 3 / 4;
            continue;
        }
        ++kills;
        SCOPED_TRACE("kill " + std::to_string(kills));
        ASSERT_EQ(lost(), 0u);
        // Cleans up after the kill; a run killed before its journal began has none.
        const json runs = run({"--json"}, "runs").parsed();
        const bool recorded = runs.size() > runsBefore;
        if (kills % 2 == 0 && recorded) {
            const Outcome undone = run({runs[0]["id"].get<std::string>()}, "undo");
            ASSERT_EQ(undone.status, 0) << undone.err << undone.out;
            ASSERT_EQ(tree(source).size(), files.size());
            ASSERT_EQ(lost(), 0u);
        }
    }
    EXPECT_EQ(kills, 20);
}

} // namespace
} // namespace orvane
