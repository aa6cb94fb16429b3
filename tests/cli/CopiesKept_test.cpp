// The command line keeps every copy the user asked for, exactly once: backups that would be
// no second copy are refused before anything is made, a re-run that copies nothing is not
// refused for room, and {seq} names never copy a file again under a new number.
#include "support/CommandLineRun.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sys/mount.h>
#include <sys/wait.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;
using test::writeFile;

using RunOutcome = test::CommandLineOutcome;

// Runs the built program with its own settings and run records; `data` names the folder of
// its import history (another one is another computer's).
RunOutcome organize(const std::string& home, const std::string& data,
                    const std::vector<std::string>& args) {
    std::vector<std::string> words{"organize", "-q", "--no-exif"};
    words.insert(words.end(), args.begin(), args.end());
    return test::runCommandLine(home, data, words);
}

// Every path below `folder`, links not followed.
std::set<std::string> treeOf(const std::string& folder) {
    std::set<std::string> paths;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::end(it); ++it)
        paths.insert(it->path().string());
    return paths;
}

std::string randomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

class CopiesKept : public ::testing::Test {
  protected:
    test::TempDir tmp;
    void SetUp() override {
        writeFile(tmp / "config/preferences.json",
                  "{\"OVMatchingMode\": \"all files except those that match:\"}\n");
    }
};

// A backup that is the destination, holds it, lies inside it or inside a source, or is another
// backup: the run stops with status 2 and a reason, and makes nothing (not even DEST).
TEST_F(CopiesKept, BackupsThatAreNoFolderOfTheirOwnAreRefusedBeforeAnythingIsMade) {
    struct Row {
        const char* what;
        bool destinationExists;
        std::vector<std::string> options; // {D}: the destination, {B}: a folder, {C}: the card
        const char* sourceScheme = "";    // "camera:disk:": the card seen as a camera
    };
    const Row rows[] = {
        {"the destination itself", false, {"--backup", "{D}"}},
        {"the destination with a trailing slash", true, {"--backup", "{D}/"}},
        {"the destination by another path", false, {"--backup", "{B}/../D"}},
        {"a link to the destination", true, {"--backup", "{B}/toD"}},
        {"a link to the destination not made yet", false, {"--backup", "{B}/toD"}},
        {"a folder not made yet inside the destination", false, {"--backup", "{D}/copy"}},
        {"a folder holding the destination", true, {"--backup", "{D}/.."}},
        {"a folder inside the card", true, {"--move", "--backup", "{C}/backup"}},
        {"two spellings of one backup", true, {"--backup", "{B}", "--backup", "{B}/."}},
        {"a backup inside another", true, {"--backup", "{B}", "--backup", "{B}/inner"}},
        {"the video destination", true, {"--video-dest", "{B}/V", "--backup", "{B}/V"}},
        {"inside the card seen as a camera", true, {"--backup", "{C}/backup"}, "camera:disk:"},
    };
    int number = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string place = tmp / ("row" + std::to_string(++number));
        const std::string card = place + "/card", dest = place + "/D", other = place + "/B";
        writeFile(card + "/a.jpg", "photo", test::localTime(2020, 1, 2));
        fs::create_directories(other);
        fs::create_symlink("../D", other + "/toD");
        if (row.destinationExists)
            fs::create_directories(dest);
        std::vector<std::string> args;
        for (std::string option : row.options) {
            for (const auto& [mark, path] :
                 {std::pair<std::string, std::string>{"{D}", dest}, {"{B}", other}, {"{C}", card}})
                if (option.compare(0, mark.size(), mark) == 0)
                    option = path + option.substr(mark.size());
            args.push_back(option);
        }
        args.insert(args.end(), {row.sourceScheme + card, dest});
        const std::set<std::string> before = treeOf(place);

        const RunOutcome run = organize(tmp.path(), tmp / "data", args);

        EXPECT_EQ(run.status, 2) << run.out;
        EXPECT_NE(run.out.find("A backup must be a folder of its own"), std::string::npos)
            << run.out;
        EXPECT_EQ(treeOf(place), before) << run.out;
    }
}

// A folder the run copies into that lies inside a source is never walked: a moving run does
// not take the copies there for originals.
TEST_F(CopiesKept, AVideoDestinationInsideTheCardIsNotTakenForOriginals) {
    const std::string card = tmp / "card", dest = tmp / "D";
    writeFile(card + "/clip.mp4", "video", test::localTime(2020, 1, 2));
    fs::create_directories(dest);
    for (int run = 1; run <= 2; ++run) {
        const RunOutcome done =
            organize(tmp.path(), tmp / "data", {"--move", "--video-dest", card + "/V", card, dest});
        EXPECT_EQ(done.status, 0) << done.out;
    }
    EXPECT_EQ(test::readFile(card + "/V/2020-01-02/clip.mp4"), "video");
    EXPECT_FALSE(test::exists(card + "/clip.mp4"));
}

// A re-run finds everything there: whether the history or the destination tells it, the
// room the copies took is not asked for again. New files that do not fit still stop the run.
TEST_F(CopiesKept, ARerunThatCopiesNothingIsNotRefusedForRoom) {
    const std::string disk = tmp / "disk";
    fs::create_directories(disk);
    if (std::system(("mount -t tmpfs -o size=3m tmpfs '" + disk + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "mounting a tmpfs is refused here";
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk};
    const std::string card = tmp / "card", dest = disk + "/D";
    for (unsigned file = 0; file < 4; ++file)
        writeFile(card + "/" + std::to_string(file) + ".jpg", randomBytes(500'000, file),
                  test::localTime(2020, 1, 2));
    fs::create_directories(dest);
    const RunOutcome first = organize(tmp.path(), tmp / "data", {card, dest});
    ASSERT_EQ(first.status, 0) << first.out;

    const std::vector<std::string> rows[] = {{}, {"--ignore-history"}, {"--no-history"}};
    for (const std::vector<std::string>& options : rows) {
        std::vector<std::string> args = options;
        args.insert(args.end(), {card, dest});
        const RunOutcome again = organize(tmp.path(), tmp / "data", args);
        EXPECT_EQ(again.status, 0) << again.out;
        EXPECT_EQ(again.out.find("Not Enough Space"), std::string::npos) << again.out;
    }

    const std::string newCard = tmp / "card2";
    for (unsigned file = 0; file < 4; ++file)
        writeFile(newCard + "/n" + std::to_string(file) + ".jpg", randomBytes(400'000, 10 + file),
                  test::localTime(2020, 1, 2));
    const RunOutcome full = organize(tmp.path(), tmp / "data", {newCard, dest});
    EXPECT_EQ(full.status, 2) << full.out;
    EXPECT_NE(full.out.find("Not Enough Space"), std::string::npos) << full.out;
}

// Two computers (two histories) import one card into one shared video folder: the video
// another run numbered is found under its number, skipped and remembered, never copied again.
TEST_F(CopiesKept, SequenceNamesNeverCopyAFileAgainUnderANewNumber) {
    const std::string card = tmp / "SRC", videos = tmp / "V";
    writeFile(card + "/a.jpg", "photo a", test::localTime(2020, 1, 2));
    writeFile(card + "/b.jpg", "photo b", test::localTime(2020, 1, 2));
    writeFile(card + "/x.mp4", "the video", test::localTime(2020, 1, 2));
    const std::vector<std::string> naming = {"--rename", "{seq:3}-{name}", "--video-dest", videos};
    struct Step {
        const char* history;
        const char* destination;
        const char* videoOutcome; // what the run's report says of x.mp4
    };
    const Step steps[] = {
        {"H1", "D1", "as 003-x.mp4"},
        {"H2", "D2", "Already in destination"},
        {"H2", "D2", "Imported before"},
        // The first computer again: every file is known.
        {"H1", "D1", "Imported before"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.history) + " into " + step.destination);
        std::vector<std::string> args = naming;
        args.insert(args.end(), {card, tmp / step.destination});
        const RunOutcome run = organize(tmp.path(), tmp / step.history, args);
        EXPECT_EQ(run.status, 0) << run.out;
        const size_t line = run.out.find(card + "/x.mp4");
        ASSERT_NE(line, std::string::npos) << run.out;
        EXPECT_NE(run.out.substr(line, run.out.find('\n', line) - line).find(step.videoOutcome),
                  std::string::npos)
            << run.out;
        EXPECT_EQ(treeOf(videos), (std::set<std::string>{videos + "/2020-01-02",
                                                         videos + "/2020-01-02/003-x.mp4"}));
    }

    // A card holding the video alone numbers it 1, with no history to tell: its bytes under
    // number 3 are found all the same, by the dry run as by the run.
    const std::string alone = tmp / "alone";
    writeFile(alone + "/x.mp4", "the video", test::localTime(2020, 1, 2));
    for (const char* dry : {"--dry-run", "--no-history"}) {
        std::vector<std::string> args = naming;
        args.insert(args.end(), {dry, alone, tmp / "D3"});
        const RunOutcome run = organize(tmp.path(), tmp / "H3", args);
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find("Already in destination"), std::string::npos) << dry << run.out;
    }
    EXPECT_EQ(treeOf(videos).size(), 2u);

    // Other bytes of the same size are another file: numbered anew and copied.
    const std::string other = tmp / "other";
    writeFile(other + "/x.mp4", "THE VIDEO", test::localTime(2020, 1, 2));
    std::vector<std::string> args = naming;
    args.insert(args.end(), {"--no-history", other, tmp / "D4"});
    const RunOutcome run = organize(tmp.path(), tmp / "H4", args);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(test::readFile(videos + "/2020-01-02/001-x.mp4"), "THE VIDEO");
}

// Files the history knows take no number in a run, which asks the history first: the dry
// run numbers the new ones as the run then does.
TEST_F(CopiesKept, ADryRunNumbersAsTheRunDoes) {
    const std::string card = tmp / "card", dest = tmp / "D";
    writeFile(card + "/a.jpg", "photo a", test::localTime(2020, 1, 2));
    writeFile(card + "/b.jpg", "photo b", test::localTime(2020, 1, 2));
    fs::create_directories(dest);
    for (const char* scope : {"run", "day"}) {
        SCOPED_TRACE(scope);
        const std::string history = tmp / (std::string("H-") + scope);
        const std::vector<std::string> args = {"--rename", "{seq:3}-{name}", "--seq", scope, card,
                                               dest};
        ASSERT_EQ(organize(tmp.path(), history, args).status, 0);
        writeFile(card + "/c-" + scope + ".jpg", scope, test::localTime(2020, 1, 2));
        std::vector<std::string> dry = args;
        dry.insert(dry.begin(), "--dry-run");
        const RunOutcome plan = organize(tmp.path(), history, dry);
        const RunOutcome run = organize(tmp.path(), history, args);
        EXPECT_NE(plan.out.find("/2020-01-02/001-c-" + std::string(scope) + ".jpg"),
                  std::string::npos)
            << plan.out;
        EXPECT_NE(run.out.find("(as 001-c-" + std::string(scope) + ".jpg)"), std::string::npos)
            << run.out;
    }
}

} // namespace
} // namespace orvane
