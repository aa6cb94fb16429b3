#include "app/BuildInfo.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

namespace orvane {
namespace {

using test::localTime;
using test::writeFile;

struct RunOutput {
    int status;
    std::string out;
};

RunOutput shell(const std::string& command);

// Runs the built program with a private settings folder; arguments are passed through the
// shell single-quoted, `redirect` after them.
RunOutput runOrvane(const std::string& configDir, const std::vector<std::string>& args,
                    const std::string& cwd = ".", const std::string& redirect = "2>/dev/null") {
    std::string command =
        "cd '" + cwd + "' && ORVANE_CONFIG_DIR='" + configDir + "' '" + ORVANE_BINARY + "'";
    for (const std::string& arg : args)
        command += " '" + arg + "'";
    return shell(command + " " + redirect);
}

// Runs a shell command and collects its standard output.
RunOutput shell(const std::string& command) {
    RunOutput result{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.out.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

class OrganizeCommand : public ::testing::Test {
  protected:
    test::TempDir tmp;
    std::string config = tmp / "config";
    std::string dest = tmp / "Sorted";
    void SetUp() override {
        std::filesystem::create_directories(dest);
        // The registered matching mode admits only files that match the (empty) copy-file
        // list; these runs copy everything.
        std::filesystem::create_directories(config);
        writeFile(config + "/preferences.json", kStored);
    }
    static constexpr const char* kStored =
        "{\"OVMatchingMode\": \"all files except those that match:\"}\n";
};

TEST_F(OrganizeCommand, JsonReportKeepsOddNamesAndExitStatusTellsFailures) {
    const std::string odd = tmp / std::string("src/bad\xff name\n.jpg");
    const std::string twin1 = tmp / "src/a/x.jpg";
    const std::string twin2 = tmp / "src/b/x.jpg";
    writeFile(odd, "odd", localTime(2005, 3, 17));
    writeFile(twin1, "1", localTime(2005, 3, 17));
    writeFile(twin2, "2", localTime(2005, 3, 17));

    RunOutput run = runOrvane(config, {"organize", "--json", "--no-exif", "--exclude", "*.tmp",
                                       "--format", "%Y/%m/%d", odd, twin1, twin2, dest});

    EXPECT_EQ(run.status, 1) << run.out;
    auto report = nlohmann::json::parse(run.out);
    ASSERT_EQ(report["copied"].size(), 2u);
    EXPECT_EQ(report["copied"][0]["path"], tmp / "src/bad\\xFF name\n.jpg");
    EXPECT_EQ(report["copied"][0]["folder"], "2005/03/17");
    ASSERT_EQ(report["errors"].size(), 1u);
    EXPECT_EQ(report["errors"][0]["path"], twin2);
    EXPECT_EQ(report["errors"][0]["error"],
              "Can't overwrite existing file: Sorted/2005/03/17/x.jpg");
    EXPECT_EQ(report["cancelled"], false);
    EXPECT_TRUE(test::exists(dest + std::string("/2005/03/17/bad\xff name\n.jpg")));
    // Options are for this run only: nothing was stored.
    EXPECT_EQ(test::readFile(config + "/preferences.json"), kStored);
}

TEST_F(OrganizeCommand, RelativePathsAndLevelsFromTheFormat) {
    writeFile(tmp / "src/a.jpg", "a", localTime(2010, 6, 1));
    RunOutput run = runOrvane(
        config,
        {"organize", "--no-exif", "--exclude", "*.tmp", "--format", "%Y/%m", "src/a.jpg", "Sorted"},
        tmp.path());
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(test::readFile(dest + "/2010/06/a.jpg"), "a");
    EXPECT_NE(run.out.find("1 copied, 0 skipped, 0 errors"), std::string::npos) << run.out;
}

TEST_F(OrganizeCommand, BadUsage) {
    writeFile(tmp / "src/a.jpg", "a");
    EXPECT_EQ(runOrvane(config, {"organize"}).status, 2);
    EXPECT_EQ(runOrvane(config, {"organize", dest}).status, 2) << "no sources";
    EXPECT_EQ(runOrvane(config, {"organize", tmp / "src/a.jpg", tmp / "no/missing"}).status, 2);
    EXPECT_EQ(runOrvane(config, {"organize", "--levels", "4", tmp / "src/a.jpg", dest}).status, 2);
    EXPECT_TRUE(std::filesystem::is_empty(dest));
}

// Time settings that don't parse stop the run before anything happens, naming the value.
TEST_F(OrganizeCommand, BadTimeSettingsAreNamed) {
    writeFile(tmp / "src/a.jpg", "a");
    const std::vector<std::vector<std::string>> bad = {
        {"--shift", "25:00"},           {"--shift", "+7"},        {"--zone", "Mars/Olympus"},
        {"--zone", "../../etc/passwd"}, {"--video-clock", "gmt"}, {"--day-starts-at", "7"},
        {"--day-starts-at", "24:00"}};
    for (const std::vector<std::string>& option : bad) {
        const RunOutput run = runOrvane(
            config, {"organize", option[0], option[1], tmp / "src/a.jpg", dest}, ".", "2>&1");
        EXPECT_EQ(run.status, 2) << option[0] << " " << option[1];
        EXPECT_NE(run.out.find(option[0] + ": '" + option[1] + "'"), std::string::npos) << run.out;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dest));
}

TEST_F(OrganizeCommand, TimeSettingsAreReported) {
    writeFile(tmp / "src/a.jpg", "a", test::localTime(2010, 6, 1, 2, 30));
    const RunOutput run =
        runOrvane(config, {"organize", "--json", "--shift=-1:30", "--zone", "Asia/Bangkok",
                           "--day-starts-at", "04:00", tmp / "src/a.jpg", dest});
    const nlohmann::json report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["shifted_by"], "-01:30");
    EXPECT_EQ(report["zone"], "Asia/Bangkok");
    EXPECT_EQ(report["day_starts_at"], "04:00");
    // Dated by its modification time, which no shift moves, before 04:00: the day before.
    EXPECT_EQ(report["copied"][0]["folder"], "2010-05-31");
}

// Names by template with a job code and a counter kept across runs; the dry run shows them.
TEST_F(OrganizeCommand, RenamesByTemplateWithAJobAndAStoredCounter) {
    writeFile(tmp / "src/a.jpg", "a", localTime(2010, 6, 1));
    writeFile(tmp / "src/b.jpg", "b", localTime(2010, 6, 1));
    const std::vector<std::string> options = {"organize", "--no-exif", "--exclude", "*.tmp",
                                              "--format", "%Y/{job}",  "--rename",  "{job}-{seq:3}",
                                              "--job",    "Smith",     "--seq",     "stored"};
    auto with = [&](std::vector<std::string> args, const std::vector<std::string>& more) {
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    EXPECT_EQ(
        runOrvane(config, with(options, {"--rename", "{nmae}", tmp / "src/a.jpg", dest})).status,
        2);
    const RunOutput dry = runOrvane(config, with(options, {"--dry-run", tmp / "src/a.jpg", dest}));
    EXPECT_NE(dry.out.find(dest + "/2010/Smith/Smith-001.jpg"), std::string::npos) << dry.out;

    EXPECT_EQ(runOrvane(config, with(options, {tmp / "src/a.jpg", dest})).status, 0);
    EXPECT_EQ(runOrvane(config, with(options, {tmp / "src/b.jpg", dest})).status, 0);
    EXPECT_EQ(test::readFile(dest + "/2010/Smith/Smith-001.jpg"), "a");
    EXPECT_EQ(test::readFile(dest + "/2010/Smith/Smith-002.jpg"), "b");
    const auto stored = nlohmann::json::parse(test::readFile(config + "/preferences.json"));
    EXPECT_EQ(stored["OVNextSequenceNumber"], 3);
    EXPECT_EQ(stored["OVRecentJobCodes"], nlohmann::json::array({"Smith"}));
    EXPECT_FALSE(stored.contains("OVNameTemplate")) << "options are for one run";
}

// Videos go below their own root with their own folders, a sidecar with its video; the dry
// run names that root, and undo takes back the copies below both.
TEST_F(OrganizeCommand, VideosApartAndUndoneWithTheRest) {
    writeFile(tmp / "src/clip.MOV", "m", localTime(2011, 5, 2));
    writeFile(tmp / "src/clip.MOV.xmp", "x", localTime(2011, 5, 2));
    writeFile(tmp / "src/clip2.mp4", "4", localTime(2011, 5, 3));
    writeFile(tmp / "src/a.jpg", "a", localTime(2011, 5, 2));
    // A folder template stored in Preferences gives way to the command line's format.
    writeFile(config + "/preferences.json",
              "{\"OVMatchingMode\": \"all files except those that match:\", "
              "\"OVFolderTemplate\": \"typed/%Y\"}\n");
    const std::string videos = tmp / "Videos";
    // The run's record and the import history stay in the test's folder.
    auto orvane = [&](const std::vector<std::string>& args) {
        std::string command = "ORVANE_CONFIG_DIR='" + config + "' ORVANE_STATE_DIR='" +
                              (tmp / "runs") + "' ORVANE_DATA_DIR='" + (tmp / "data") + "' '" +
                              ORVANE_BINARY + "'";
        for (const std::string& arg : args)
            command += " '" + arg + "'";
        return shell(command + " 2>/dev/null");
    };
    const std::string backup = tmp / "Backup";
    std::filesystem::create_directories(backup);
    const std::vector<std::string> args = {
        "organize",       "--no-exif",    "--format", "%Y-%m-%d", "--video-dest", videos,
        "--video-format", "{kind}/%Y/%m", "--backup", backup,     tmp / "src",    dest};
    EXPECT_EQ(orvane({"organize", "--video-format", "%Y", tmp / "src", dest}).status, 2)
        << "a video format without a folder for videos";
    std::vector<std::string> dry = args;
    dry.insert(dry.begin() + 1, "--dry-run");
    const RunOutput planned = orvane(dry);
    EXPECT_NE(planned.out.find(videos + "/Videos/2011/05/clip.MOV"), std::string::npos)
        << planned.out;
    EXPECT_FALSE(test::exists(videos));

    ASSERT_EQ(orvane(args).status, 0);
    EXPECT_EQ(test::readFile(videos + "/Videos/2011/05/clip.MOV"), "m");
    EXPECT_EQ(test::readFile(videos + "/Videos/2011/05/clip.MOV.xmp"), "x");
    EXPECT_EQ(test::readFile(videos + "/Videos/2011/05/clip2.mp4"), "4");
    EXPECT_EQ(test::readFile(dest + "/2011-05-02/a.jpg"), "a");
    EXPECT_FALSE(test::exists(dest + "/2011-05-02/clip.MOV"));
    // A backup gets each copy at its place below the root it went to.
    EXPECT_EQ(test::readFile(backup + "/Videos/2011/05/clip.MOV"), "m");
    EXPECT_EQ(test::readFile(backup + "/2011-05-02/a.jpg"), "a");
    // Copies anywhere are looked for below the video destination for videos.
    writeFile(tmp / "again/same.mov", "4", localTime(2012, 1, 1));
    const RunOutput again = orvane({"organize", "--no-exif", "--skip-copies-anywhere",
                                    "--video-dest", videos, "--json", tmp / "again", dest});
    EXPECT_NE(again.out.find("Already in destination as Videos/2011/05/clip2.mp4"),
              std::string::npos)
        << again.out;

    ASSERT_EQ(orvane({"undo"}).status, 0);
    EXPECT_FALSE(test::exists(videos + "/Videos"));
    EXPECT_FALSE(test::exists(backup + "/Videos"));
    EXPECT_FALSE(test::exists(dest + "/2011-05-02"));
}

TEST_F(OrganizeCommand, HelpAndVersionNeedNoDisplay) {
    const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u "
                                  "XDG_SESSION_TYPE '" +
                                  std::string(ORVANE_BINARY) + "' ";
    const struct {
        std::string args;
        int status;
        std::string says;
    } cases[] = {
        {"--help", 0, "orvane organize [options] SOURCE... DEST"},
        {"--version", 0, std::string("orvane ") + build::kVersion + "\n"},
        {"organize --help", 0, "--dry-run"},
        {"", 2, "orvane organize"}, // no window without a display: where to go instead
    };
    for (const auto& c : cases) {
        const RunOutput run = shell(noDisplay + c.args + " 2>&1");
        EXPECT_EQ(run.status, c.status) << c.args << ": " << run.out;
        EXPECT_NE(run.out.find(c.says), std::string::npos) << c.args << ": " << run.out;
    }
}

TEST_F(OrganizeCommand, OutputThatCannotBeWrittenFails) {
    writeFile(tmp / "src/a.jpg", "a", localTime(2010, 6, 1));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"organize", "--json", "--no-exif", "--exclude", "*.tmp",
                                   tmp / "src/a.jpg", dest},
          std::vector<std::string>{"organize", "--help"}, std::vector<std::string>{"--version"}}) {
        const RunOutput run = runOrvane(config, args, ".", "2>&1 >/dev/full");
        EXPECT_EQ(run.status, 1) << args.back();
        EXPECT_EQ(run.out, "orvane: couldn't write to standard output: No space left on device\n");
    }
    EXPECT_EQ(test::readFile(dest + "/2010-06-01/a.jpg"), "a") << "the copies are still good";
}

} // namespace
} // namespace orvane
