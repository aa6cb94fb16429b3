// Sequences of real runs of `orvane` that copy, free the card and undo, in the orders users
// reach them. After every step each photo that was ever on the card is on the card or in the
// destination, byte for byte.
#include "support/TestSupport.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <spawn.h>
#include <sstream>
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

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class MoveUndoTest : public ::testing::Test {
  protected:
    MoveUndoTest() {
        for (const std::string& folder : {card, dest, otherDest, backup, config})
            fs::create_directories(folder);
        std::ofstream(config + "/preferences.json")
            << R"({"OVMatchingMode": "all files except those that match:"})";
    }

    // Photos of distinct bytes; every `large`th is 1 MiB, so that a run lasts long enough to
    // be killed in the middle.
    void makeCard(size_t count, size_t large = 0) {
        for (size_t i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "p%03zu.jpg", i);
            std::string contents = "photo " + std::to_string(i) + " ";
            contents.resize(large && i % large == large - 1 ? (1u << 20) : 200 + i * 37 % 5000,
                            static_cast<char>('a' + i % 26));
            writeFile(card + "/DCIM/" + name, contents, k2005);
            photos[name] = contents;
        }
    }

    pid_t start(const std::vector<std::string>& words) {
        std::vector<std::string> args{ORVANE_BINARY};
        for (const std::string& word : words)
            args.push_back(word == "CARD"              ? card
                           : word == "DEST"            ? dest
                           : word == "OTHER_DEST"      ? otherDest
                           : word == "BACKUP"          ? backup
                           : word.rfind("RUN", 0) == 0 ? runIds().at(std::stoul(word.substr(3)))
                                                       : word);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        std::vector<std::string> environment = {"ORVANE_CONFIG_DIR=" + config,
                                                "ORVANE_STATE_DIR=" + state,
                                                "ORVANE_DATA_DIR=" + data, "TZ=UTC"};
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

    // "organize --move CARD DEST", "undo RUN0" (the first run recorded) …
    Outcome run(const std::string& command) {
        std::istringstream words(command);
        std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
        return finish(start(args));
    }

    // The runs' ids, the first run's first.
    std::vector<std::string> runIds() {
        const Outcome listed = finish(start({"runs", "--json"}));
        std::vector<std::string> ids;
        for (const json& run : json::parse(listed.out))
            ids.insert(ids.begin(), run["id"].get<std::string>());
        return ids;
    }

    // The regular files below a folder by name, with their contents.
    static std::map<std::string, std::string> filesIn(const std::string& folder) {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file() && !entry.is_symlink())
                files[entry.path().filename().string()] = readFile(entry.path().string());
        return files;
    }

    // The photos whose bytes are neither on the card nor in the destination, under any name.
    std::vector<std::string> lost() const {
        std::set<std::string> kept;
        for (const std::string& folder : {card, dest})
            for (const auto& [name, contents] : filesIn(folder))
                kept.insert(contents);
        std::vector<std::string> names;
        for (const auto& [name, contents] : photos)
            if (!kept.count(contents))
                names.push_back(name);
        return names;
    }

    // The card's photos that also stand as complete copies in the destination.
    size_t onCardAndCopied() const {
        const std::map<std::string, std::string> onCard = filesIn(card), inDest = filesIn(dest);
        size_t count = 0;
        for (const auto& [name, contents] : onCard)
            count += inDest.count(name) && inDest.at(name) == contents ? 1 : 0;
        return count;
    }

    test::TempDir tmp;
    std::string card = tmp / "card", dest = tmp / "dest", otherDest = tmp / "other",
                backup = tmp / "backup", config = tmp / "config", state = tmp / "state",
                data = tmp / "data", outPath = tmp / "stdout", errPath = tmp / "stderr";
    std::map<std::string, std::string> photos; // by name
};

// A step of a sequence and what it must leave: its exit status, the photos on the card, in the
// destination and in the backup (-1: any number), and a text its output holds.
struct Step {
    std::string command;
    int status;
    int onCard, inDest, inBackup;
    std::string says;
};

struct Sequence {
    const char* name;
    // Done by hand before the step of the same index, when not empty.
    std::map<size_t, std::function<void(const std::string& dest, const std::string& backup)>> edits;
    std::vector<Step> steps;
};

void appendTo(const std::string& path) {
    std::ofstream(path, std::ios::app) << "edited";
}

TEST_F(MoveUndoTest, EverySequenceKeepsEveryPhoto) {
    const std::string refused = "The originals of 12 files were removed by the run of ";
    const std::string folder = "/2005-03-17/";
    const std::vector<Sequence> sequences = {
        {"a move that found the copies there is undone first, and puts the originals back",
         {},
         {{"organize CARD DEST", 0, 12, 12, 0, "12 copied"},
          {"organize --move --ignore-history CARD DEST", 0, 0, 12, 0, "12 originals removed"},
          {"runs", 0, 0, 12, 0, "0 copied, 12 skipped, 0 errors, 12 originals removed"},
          {"undo --dry-run", 0, 0, 12, 0, "12 originals to put back, 0 to remove"},
          {"undo", 0, 12, 12, 0, "12 originals put back, 0 removed"},
          {"undo RUN0", 0, 12, 0, 0, "12 removed"}}},
        {"the copy run the move relied on is not undone before the move",
         {},
         {{"organize CARD DEST", 0, 12, 12, 0, ""},
          {"organize --move --ignore-history CARD DEST", 0, 0, 12, 0, ""},
          {"undo RUN0 --dry-run", 1, 0, 12, 0, "undo that run first"},
          {"undo RUN0", 1, 0, 12, 0, refused},
          {"undo RUN1", 0, 12, 12, 0, "12 originals put back"},
          {"undo RUN0", 0, 12, 0, 0, "12 removed"}}},
        {"a move run again frees what the history knows, and its undo puts it back",
         {},
         {{"organize CARD DEST", 0, 12, 12, 0, ""},
          {"organize --move CARD DEST", 0, 0, 12, 0, "12 originals removed"},
          {"undo RUN0", 1, 0, 12, 0, refused},
          {"undo", 0, 12, 12, 0, "12 originals put back"}}},
        {"an imported copy changed since keeps its original",
         {{1, [folder](const std::string& dest,
                       const std::string&) { appendTo(dest + folder + "p003.jpg"); }}},
         {{"organize CARD DEST", 0, 12, 12, 0, ""},
          {"organize --move CARD DEST", 0, 1, 12, 0, "11 originals removed"}}},
        {"a copy imported into another destination does not free the card",
         {},
         {{"organize CARD OTHER_DEST", 0, 12, 0, 0, ""},
          {"organize --move CARD DEST", 0, 12, 0, 0, "12 skipped"}}},
        {"a backup that lacks an imported copy keeps its original",
         {{1, [folder](const std::string&,
                       const std::string& backup) { fs::remove(backup + folder + "p005.jpg"); }}},
         {{"organize --backup BACKUP CARD DEST", 0, 12, 12, 12, ""},
          {"organize --move --backup BACKUP CARD DEST", 0, 1, 12, 11, "11 originals removed"},
          {"undo", 0, 12, 12, 11, "11 originals put back"}}},
        {"copies of originals a later move removed are not taken back before the move",
         {{2,
           [folder](const std::string& dest, const std::string&) {
               fs::remove(dest + folder + "p003.jpg"); // the later run's copy
           }}},
         {{"organize --rename a-{name} CARD DEST", 0, 12, 12, 0, ""},
          {"organize --move --ignore-history CARD DEST", 0, 0, 24, 0, "12 originals removed"},
          {"undo RUN0", 1, 0, 23, 0, refused},
          {"undo RUN1", 1, 0, 23, 0, "has changed or gone since the run"}}},
        {"copies whose originals were deleted or edited on the card since are kept",
         {{1,
           [this](const std::string&, const std::string&) {
               fs::remove(card + "/DCIM/p002.jpg");
               appendTo(card + "/DCIM/p004.jpg");
           }}},
         {{"organize CARD DEST", 0, 12, 12, 0, ""},
          {"undo --dry-run", 0, 11, 12, 0, "10 to remove, 2 kept"},
          {"undo", 0, 11, 2, 0, "no longer where it was copied from"}}},
        {"a photo whose sidecar stays on the card stays with it",
         {{0,
           [this](const std::string&, const std::string&) {
               writeFile(card + "/DCIM/p001.xmp", "<x:xmpmeta/>", k2005);
           }},
          {1,
           [this](const std::string&, const std::string&) { appendTo(card + "/DCIM/p001.xmp"); }}},
         {{"organize CARD DEST", 0, 13, 13, 0, "13 copied"},
          {"organize --move --ignore-history CARD DEST", 1, 2, 13, 0,
           "Its sidecar or the other half of its pair stays"}}},
        {"the backup copies a move found there are not taken back before the move",
         {},
         {{"organize --backup BACKUP CARD OTHER_DEST", 0, 12, 0, 12, ""},
          {"organize --move --ignore-history --backup BACKUP CARD DEST", 0, 0, 12, 12, ""},
          {"undo RUN0", 1, 0, 12, 12, refused},
          {"undo RUN1", 0, 12, 0, 12, "12 originals put back, 12 removed"},
          {"undo RUN0", 0, 12, 0, 0, "24 removed"}}},
    };
    for (const Sequence& sequence : sequences) {
        SCOPED_TRACE(sequence.name);
        for (const std::string& folder : {card, dest, otherDest, backup, state, data}) {
            fs::remove_all(folder);
            fs::create_directories(folder);
        }
        photos.clear();
        makeCard(12);
        for (size_t index = 0; index < sequence.steps.size(); ++index) {
            const Step& step = sequence.steps[index];
            SCOPED_TRACE(step.command);
            if (auto edit = sequence.edits.find(index); edit != sequence.edits.end())
                edit->second(dest, backup);
            const Outcome outcome = run(step.command);
            EXPECT_EQ(outcome.status, step.status) << outcome.err << outcome.out;
            EXPECT_EQ(lost(), std::vector<std::string>());
            for (const auto& [folder, expected] :
                 {std::pair{card, step.onCard}, {dest, step.inDest}, {backup, step.inBackup}})
                if (expected >= 0) {
                    EXPECT_EQ(filesIn(folder).size(), static_cast<size_t>(expected)) << folder;
                }
            EXPECT_NE((outcome.out + outcome.err).find(step.says), std::string::npos)
                << outcome.out << outcome.err;
        }
    }
}

// Kills move runs at random moments after their first copy is published, then runs them again
// and undoes both: the start after the kill says how many originals still wait, the run again
// frees them, and undo puts back what the two removed, the later first.
TEST_F(MoveUndoTest, AKilledMoveRunAgainFreesTheCardAndUndoPutsEverythingBack) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    makeCard(300, 60);
    const std::string move = "organize --json --move --jobs 4 --no-exif CARD DEST";
    auto refill = [&] {
        for (const std::string& folder : {card, dest, state, data}) {
            fs::remove_all(folder);
            fs::create_directories(folder);
        }
        for (const auto& [name, contents] : photos)
            writeFile(card + "/DCIM/" + name, contents, k2005);
    };
    // A copy published: from then on copies and removals go on together, batch by batch.
    auto published = [&] {
        std::error_code error;
        for (const auto& entry : fs::recursive_directory_iterator(dest, error))
            if (entry.is_regular_file() &&
                entry.path().filename().string().rfind(".orvane-", 0) != 0)
                return true;
        return false;
    };
    int kills = 0;
    for (int attempt = 0; attempt < 30 && kills < 4; ++attempt) {
        refill();
        std::istringstream words(move);
        const pid_t pid = start({std::istream_iterator<std::string>(words), {}});
        ASSERT_GT(pid, 0) << "the binary could not be started"; // kill(-1) would hit everything
        for (int wait = 0; wait < 20000 && !published(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 40000)(random)));
        kill(pid, SIGKILL);
        if (finish(pid).status != 128 + SIGKILL)
            continue; // it ended first
        ++kills;
        SCOPED_TRACE("kill " + std::to_string(kills));
        ASSERT_EQ(lost(), std::vector<std::string>());
        const size_t waiting = onCardAndCopied();

        const Outcome again = run(move);
        ASSERT_EQ(again.status, 0) << again.err;
        const std::string notes = json::parse(again.out)["notes"].dump();
        const std::string says =
            waiting == 1 ? "1 original of the interrupted move still waits on the card"
                         : std::to_string(waiting) +
                               " originals of the interrupted move still wait on the card";
        EXPECT_EQ(notes.find(says) != std::string::npos, waiting > 0) << notes;
        EXPECT_TRUE(filesIn(card).empty()) << "running it again frees the card";
        ASSERT_EQ(lost(), std::vector<std::string>());

        // The killed run's copies stand for originals the run again removed.
        const std::vector<std::string> ids = runIds();
        ASSERT_GE(ids.size(), 2u);
        if (waiting > 0) {
            EXPECT_EQ(run("undo " + ids[0]).status, 1);
            ASSERT_EQ(lost(), std::vector<std::string>());
        }
        EXPECT_EQ(run("undo " + ids[1]).status, 0);
        ASSERT_EQ(lost(), std::vector<std::string>());
        const Outcome first = run("undo " + ids[0]);
        EXPECT_EQ(first.status, 0) << first.err << first.out;
        ASSERT_EQ(lost(), std::vector<std::string>());
        EXPECT_EQ(filesIn(card), photos);
        EXPECT_TRUE(filesIn(dest).empty());
    }
    EXPECT_EQ(kills, 4);
}

} // namespace
} // namespace orvane
