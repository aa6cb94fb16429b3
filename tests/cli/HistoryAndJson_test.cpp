// The command line's import history and JSON as a user meets them: names in JSON that differ
// by a byte or by its escape stay apart, the read-only card's note, forgetting a path however
// it is written, and --checksum against a file edited with its time put back.
#include "support/TestSupport.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::writeFile;

struct Outcome {
    int status = -1;
    std::string out; // standard output
};

class HistoryAndJson : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFile(tmp / "config/preferences.json",
                  "{\"OVMatchingMode\": \"all files except those that match:\"}\n");
    }

    // Runs `orvane VERB ARGS...` with this test's settings, history and run records.
    Outcome orvane(const std::string& verb, const std::vector<std::string>& args) {
        std::string command = "ORVANE_CONFIG_DIR='" + tmp / "config" + "' ORVANE_STATE_DIR='" +
                              tmp / "state" + "' ORVANE_DATA_DIR='" + tmp / "data" + "' TZ=UTC '" +
                              ORVANE_BINARY + "' " + verb;
        for (const std::string& arg : args)
            command += " '" + arg + "'";
        Outcome outcome;
        FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            outcome.out.append(buffer, n);
        const int status = pclose(pipe);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return outcome;
    }

    test::TempDir tmp;
};

// The byte 0xFF is written \xFF; the four characters "\xFF" are written with their backslash
// doubled: the report, the dry run's plan and the history tell the two names apart.
TEST_F(HistoryAndJson, ANameWithAByteAndOneWithItsEscapeDifferInJson) {
    const std::string card = tmp / "card";
    writeFile(card + "/n\xff.jpg", "the byte");
    writeFile(card + "/n\\xFF.jpg", "the text");
    const std::set<std::string> expected = {card + "/n\\xFF.jpg", card + "/n\\\\xFF.jpg"};
    struct Output {
        const char* what;
        std::string verb;
        std::vector<std::string> args;
        const char* list; // the array holding the entries; none: the output is the array
    };
    const Output outputs[] = {
        {"the dry run's plan",
         "organize",
         {"--no-exif", "--dry-run", "--json", card, tmp / "d"},
         "plan"},
        {"the report", "organize", {"--no-exif", "--json", card, tmp / "d"}, "copied"},
        {"the history", "history", {"--json", card}, nullptr},
    };
    for (const Output& output : outputs) {
        SCOPED_TRACE(output.what);
        const Outcome run = orvane(output.verb, output.args);
        ASSERT_EQ(run.status, 0) << run.out;
        const json parsed = json::parse(run.out);
        const json& entries = output.list ? parsed.at(output.list) : parsed;
        std::set<std::string> paths;
        for (const json& entry : entries)
            paths.insert(entry.at(output.list ? "path" : "source").get<std::string>());
        if (!output.list) // the history names a source by its place on its volume
            for (const std::string& path : expected)
                EXPECT_EQ(std::count_if(paths.begin(), paths.end(),
                                        [&](const std::string& p) {
                                            return path.size() >= p.size() &&
                                                   path.compare(path.size() - p.size(), p.size(),
                                                                p) == 0;
                                        }),
                          1)
                    << path;
        else
            EXPECT_EQ(paths, expected);
    }
}

TEST_F(HistoryAndJson, TheReadOnlyCardNoteIsInTheJsonReport) {
    const std::string card = tmp / "card";
    fs::create_directories(card);
    if (::mount("tmpfs", card.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "mounting is refused here";
    writeFile(card + "/a.jpg", "a photo");
    ASSERT_EQ(::mount(nullptr, card.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    const Outcome run = orvane("organize", {"--no-exif", "--move", "--json", card, tmp / "d"});
    ::umount2(card.c_str(), MNT_DETACH);
    ASSERT_EQ(run.status, 0) << run.out;
    const json report = json::parse(run.out);
    EXPECT_EQ(report.at("notes"),
              json::array({"The card is read-only: nothing was removed from it"}));
    EXPECT_EQ(report.at("originals_removed"), 0);
}

// A run records its sources as it was given them; --forget finds them written with "..", with
// a trailing slash, through a link, or after the card is gone.
TEST_F(HistoryAndJson, ForgettingAPathResolvesDotDotAndLinks) {
    struct Row {
        const char* what;
        std::string forget;
        bool cardGone = false;
    };
    const std::string card = tmp / "card";
    fs::create_directories(tmp / "other");
    fs::create_directory_symlink(card, tmp / "link");
    const Row rows[] = {
        {"with ..", tmp / "other/../card"},
        {"relative to a sub-folder", tmp / "card/sub/.."},
        {"with a trailing slash", tmp / "card/"},
        {"through a link", tmp / "link"},
        {"with .. after the card is gone", tmp / "gone/../card", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(tmp / "data");
        fs::remove_all(tmp / "d");
        writeFile(card + "/sub/a.jpg", "a photo");
        ASSERT_EQ(orvane("organize", {"--no-exif", card, tmp / "d"}).status, 0);
        if (row.cardGone)
            fs::remove_all(card);
        const Outcome forgot = orvane("history", {"--forget", row.forget});
        EXPECT_EQ(forgot.status, 0);
        EXPECT_EQ(forgot.out.rfind("Forgot 1 import of ", 0), 0u) << forgot.out;
        EXPECT_EQ(orvane("history", {"--json"}).out, "[]\n");
    }
}

// A file edited in its middle with its time put back passes the quick look, as documented;
// --checksum compares the whole contents' hash and copies it.
TEST_F(HistoryAndJson, ChecksumTellsAFileEditedInItsMiddleWithItsTimePutBack) {
    const std::string card = tmp / "card";
    const std::string photo = card + "/a.jpg";
    std::string bytes(512 * 1024, 'p');
    writeFile(photo, bytes);
    ASSERT_EQ(orvane("organize", {"--no-exif", card, tmp / "d"}).status, 0);
    struct Row {
        const char* what;
        bool edited;
        std::vector<std::string> options;
        bool copied;
    };
    const Row rows[] = {
        {"unchanged, quick look", false, {}, false},
        {"unchanged, whole hash", false, {"--checksum"}, false},
        {"edited, quick look", true, {}, false},
        {"edited, whole hash", true, {"--checksum"}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.edited) {
            struct stat before;
            ASSERT_EQ(::stat(photo.c_str(), &before), 0);
            bytes[bytes.size() / 2] = 'X';
            writeFile(photo, bytes);
            const struct timespec times[2] = {before.st_atim, before.st_mtim};
            ASSERT_EQ(::utimensat(AT_FDCWD, photo.c_str(), times, 0), 0);
        }
        std::vector<std::string> args = row.options;
        args.insert(args.end(), {"--no-exif", "--keep-both", "--json", card, tmp / "d"});
        const Outcome run = orvane("organize", args);
        ASSERT_EQ(run.status, 0) << run.out;
        const json report = json::parse(run.out);
        EXPECT_EQ(report.at("copied").size(), row.copied ? 1u : 0u) << run.out;
        EXPECT_EQ(report.at("imported_before_count"), row.copied ? 0 : 1) << run.out;
    }
}

} // namespace
} // namespace orvane
