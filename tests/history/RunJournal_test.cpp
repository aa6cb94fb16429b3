// The run journal: what a run records, undo, and the clean-up after runs that were killed.
#include "base/RunStatus.h"
#include "history/CopyLines.h"
#include "history/JournalFile.h"
#include "history/JournalFormat.h"
#include "history/RunHistory.h"
#include "history/RunJournal.h"
#include "history/RunUndo.h"
#include "merge/MergeEngine.h"
#include "platform/ProcessIdentity.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;
using journal::json;
using test::exists;
using test::localTime;
using test::readFile;
using test::writeFile;

class JournalTest : public ::testing::Test {
  protected:
    JournalTest()
        : defaults(tmp / "prefs.json"), engine(defaults, status, result), root(tmp / "Sorted"),
          sources(tmp / "src"), state(tmp / "runs") {
        registerDefaults(defaults);
        defaults.setBool(keys::kUseExifData, false);
        defaults.setInteger(keys::kDirLevels, 3);
        fs::create_directories(root);
        status.mergeState = kMergeRunning;
    }

    std::string source(const std::string& name, const std::string& contents, time_t date) {
        writeFile(sources + "/" + name, contents, date);
        return sources + "/" + name;
    }

    // Merges the list with a journal and answers the run as the journal tells it.
    RunRecord merge(const PathList& list, const PathList& backups = {}) {
        defaults.setObject(keys::kBackupDestinations, backups);
        std::unique_ptr<RunJournal> journal =
            RunJournal::start(state, {sources}, root, defaults, backups);
        engine.setObserver(journal.get());
        engine.mergeFiles(list, root);
        EXPECT_TRUE(journal->undoable());
        return readRun(journal->path(), true).value();
    }

    test::TempDir tmp;
    UserDefaults defaults;
    RunStatus status;
    RunResult result;
    MergeEngine engine;
    std::string root, sources, state;
};

const time_t k2005 = localTime(2005, 3, 17);
const time_t k2006 = localTime(2006, 1, 2);

TEST_F(JournalTest, UndoTakesBackAFinishedRunOnce) {
    const std::string a = source("a.jpg", "a", k2005);
    const std::string b = source("b.jpg", "b", k2005);
    const std::string c = source("c.jpg", "c", k2006);
    writeFile(sources + "/Album/x.jpg", "x");
    writeFile(sources + "/Album/sub/y.jpg", "y");
    const struct timespec times[2] = {{k2006, 0}, {k2006, 0}};
    utimensat(AT_FDCWD, (sources + "/Album").c_str(), times, 0);
    writeFile(root + "/2006/01/keep.txt", "there before");

    const RunRecord run = merge({a, b, c, sources + "/Album"});
    EXPECT_EQ(run.state, RunRecord::State::kFinished);
    EXPECT_EQ(run.counts.copied, 4u);
    ASSERT_EQ(run.copies.size(), 4u);
    EXPECT_EQ(run.copies[0].source, a);
    ASSERT_TRUE(run.copies[3].tree);
    EXPECT_EQ(run.copies[3].tree->size(), 3u) << "x.jpg, sub and sub/y.jpg";
    ASSERT_EQ(run.folders.size(), 4u) << "2005, 2005/03, 2005/03/17 and 2006/01/02";
    // Something of the user's lands in a folder the run created: that folder stays.
    writeFile(root + "/2005/03/note.txt", "mine");

    const PathList copies = {root + "/2005/03/17/a.jpg", root + "/2005/03/17/b.jpg",
                             root + "/2006/01/02/c.jpg", root + "/2006/01/02/Album"};
    const PathList emptied = {root + "/2006/01/02", root + "/2005/03/17"};
    const UndoResult preview = undoRun(run.journalPath, true);
    EXPECT_EQ(preview.removed, copies);
    EXPECT_EQ(preview.foldersRemoved, emptied);
    EXPECT_TRUE(exists(root + "/2005/03/17/a.jpg")) << "a dry run removes nothing";

    const UndoResult undone = undoRun(run.journalPath, false);
    ASSERT_EQ(undone.status, UndoResult::Status::kDone);
    EXPECT_EQ(undone.removed, copies);
    EXPECT_TRUE(undone.kept.empty());
    EXPECT_EQ(undone.foldersRemoved, emptied);
    EXPECT_FALSE(exists(root + "/2005/03/17"));
    EXPECT_EQ(readFile(root + "/2005/03/note.txt"), "mine");
    EXPECT_EQ(readFile(root + "/2006/01/keep.txt"), "there before");
    EXPECT_FALSE(exists(root + "/2006/01/02"));
    for (const std::string& original : {a, b, c, sources + "/Album/sub/y.jpg"})
        EXPECT_TRUE(exists(original)) << "sources are never touched: " << original;

    const UndoResult again = undoRun(run.journalPath, false);
    EXPECT_EQ(again.status, UndoResult::Status::kAlreadyUndone);
    EXPECT_FALSE(again.undone.empty());
    EXPECT_TRUE(readRun(run.journalPath, false)->undone);
}

TEST_F(JournalTest, KeepsWhatChangedMovedOrWasReplacedSinceTheRun) {
    struct Case {
        const char* name;
        void (*change)(const std::string& copy, const std::string& scratch);
        const char* kept; // nullptr: removed
    };
    const Case cases[] = {
        {"untouched.jpg", [](const std::string&, const std::string&) {}, nullptr},
        {"appended.jpg",
         [](const std::string& copy, const std::string&) {
             std::ofstream(copy, std::ios::app) << "more";
         },
         kept::kChanged},
        // Only the change time tells this one: same bytes, same modification time.
        {"touched.jpg",
         [](const std::string& copy, const std::string&) {
             const struct timespec same[2] = {{k2005, 0}, {k2005, 0}};
             utimensat(AT_FDCWD, copy.c_str(), same, 0);
         },
         kept::kChanged},
        {"removed.jpg", [](const std::string& copy, const std::string&) { fs::remove(copy); },
         kept::kGone},
        {"replaced.jpg",
         [](const std::string& copy, const std::string& scratch) {
             writeFile(scratch, "other bytes!", k2005);
             fs::rename(scratch, copy);
         },
         kept::kMoved},
    };
    PathList list;
    for (const Case& c : cases)
        list.push_back(source(c.name, "same bytes!!", k2005));
    // A date folder swapped for a link to a folder that holds a file of the same name.
    list.push_back(source("linked.jpg", "linked", k2006));
    const RunRecord run = merge(list);
    // Change times come from a clock that may tick only every few milliseconds: let it tick,
    // as it always has between a run and a user's later change.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (const Case& c : cases)
        c.change(root + "/2005/03/17/" + c.name, tmp / "scratch");
    writeFile(tmp / "elsewhere/linked.jpg", "not ours");
    fs::rename(root + "/2006/01/02", tmp / "moved-away");
    fs::create_directory_symlink(tmp / "elsewhere", root + "/2006/01/02");

    const UndoResult undone = undoRun(run.journalPath, false);
    EXPECT_EQ(undone.removed, PathList{root + "/2005/03/17/untouched.jpg"});
    std::map<std::string, std::string> reasons(undone.kept.begin(), undone.kept.end());
    for (const Case& c : cases) {
        if (c.kept) {
            EXPECT_EQ(reasons[root + "/2005/03/17/" + c.name], c.kept) << c.name;
        }
    }
    EXPECT_EQ(reasons[root + "/2006/01/02/linked.jpg"], kept::kMoved);
    EXPECT_EQ(readFile(tmp / "elsewhere/linked.jpg"), "not ours") << "links are never followed";
    EXPECT_EQ(readFile(root + "/2005/03/17/replaced.jpg"), "other bytes!");
    EXPECT_TRUE(exists(root + "/2005/03/17")) << "it still holds what was kept";
}

TEST_F(JournalTest, UndoOfACancelledRun) {
    const PathList list = {source("a.jpg", "a", k2005), source("b.jpg", "b", k2005),
                           source("c.jpg", "c", k2006)};
    MergeHooks hooks;
    hooks.beforePublish = [this](const std::string&, const std::string&) {
        std::lock_guard lock(status.statusLock);
        status.mergeState = kMergeCancelRequested;
    };
    engine.setHooks(hooks);

    const RunRecord run = merge(list);
    EXPECT_EQ(run.state, RunRecord::State::kCancelled);
    EXPECT_EQ(run.counts.copied, 1u);
    EXPECT_EQ(run.counts.skipped, 2u);
    const UndoResult undone = undoRun(run.journalPath, false);
    EXPECT_EQ(undone.removed, PathList{root + "/2005/03/17/a.jpg"});
    EXPECT_TRUE(fs::is_empty(root));
}

TEST_F(JournalTest, AJournalThatCannotBeWrittenLetsTheRunGoOn) {
    test::LogCapture log;
    writeFile(tmp / "file", "a file where the folder would be");
    std::unique_ptr<RunJournal> journal =
        RunJournal::start(tmp / "file/runs", {sources}, root, defaults);
    engine.setObserver(journal.get());
    engine.mergeFiles({source("a.jpg", "a", k2005)}, root);

    EXPECT_FALSE(journal->undoable());
    EXPECT_EQ(readFile(root + "/2005/03/17/a.jpg"), "a");
    const std::string text = log.text();
    const size_t warning = text.find("WARN: Couldn't create the run journal in '" + tmp.path());
    ASSERT_NE(warning, std::string::npos) << text;
    EXPECT_EQ(text.find("WARN", warning + 1), std::string::npos) << "one WARN line";
}

// Journals written as a killed run leaves them: a start line and intents, no closing line.
class CleanUpTest : public JournalTest {
  protected:
    // A journal's name as runs give them; the number orders them.
    static std::string journalName(int number) {
        char name[64];
        std::snprintf(name, sizeof name, "20261208T0000%02d.000Z-1", number);
        return name;
    }
    std::string writeJournal(const std::string& name, const ProcessIdentity& process,
                             const std::vector<json>& lines, json start = json::object()) {
        fs::create_directories(state);
        const std::string path = state + "/" + name + journal::kExtension;
        std::ofstream out(path);
        json line = {{"type", "start"},
                     {"pid", process.pid},
                     {"processStart", process.startTicks},
                     {"boot", process.bootId},
                     {"started", "2026-12-08T00:00:00Z"},
                     {"sources", json::array({sources})},
                     {"destination", root},
                     {"destinationStamp", journal::stampJson(FileStamp::of(test::statOf(root)))}};
        if (start.is_object())
            line.update(start);
        out << journal::lineText(line);
        for (const json& more : lines)
            out << journal::lineText(more);
        return path;
    }
    std::string temporary(const std::string& name) {
        writeFile(root + "/2005/" + name, "partial");
        return root + "/2005/" + name;
    }
    // The intent of a copy into `temporaryPath`, naming the item there as the one made.
    static json intent(const json& temporaryPath, const std::string& made = "") {
        json line = {{"type", "intent"},
                     {"entry", 0},
                     {"source", "/src/x.jpg"},
                     {"temporary", temporaryPath},
                     {"destination", "/dest/x.jpg"}};
        struct stat status;
        const std::string item =
            made.empty() && temporaryPath.is_string() ? temporaryPath.get<std::string>() : made;
        if (::lstat(item.c_str(), &status) == 0)
            line["made"] = journal::madeJson(FileStamp::of(status));
        return line;
    }
    static json copied(const json& destination, const std::string& item) {
        return {{"type", "copied"},
                {"entry", 1},
                {"destination", destination},
                {"stamp", journal::stampJson(FileStamp::of(test::statOf(item)))}};
    }
    // The removal of the original `source`, standing as the file `copy`.
    static json removing(const json& source, const json& copy) {
        OriginalRemoval removal;
        removal.source = "/x";
        removal.copy = copy.is_string() ? copy.get<std::string>() : "/x";
        if (::access(removal.copy.c_str(), F_OK) == 0)
            removal.copyStamp = FileStamp::of(test::statOf(removal.copy));
        json line = journal::removingJson(removal);
        line["source"] = source;
        line["copy"] = copy;
        return line;
    }
    static ProcessIdentity goneProcess() {
        ProcessIdentity gone = currentProcess();
        const pid_t child = fork();
        if (child == 0)
            _exit(0);
        waitpid(child, nullptr, 0);
        gone.pid = child;
        return gone;
    }
};

TEST_F(CleanUpTest, RemovesTheTemporariesOfRunsWhoseProcessIsGone) {
    test::LogCapture log;
    const ProcessIdentity gone = goneProcess();
    ProcessIdentity reused = currentProcess();
    reused.startTicks += 1; // this pid, but a process that started at another time
    ProcessIdentity alive = currentProcess();

    const std::string goneTemporary = temporary(".orvane-partial-1-a-1");
    const std::string notOurs = temporary("notes.txt");
    writeFile(tmp / "outside/.orvane-partial-1-a-2", "outside the destination");
    writeFile(root + "/2005/finished.jpg", "a good copy", 1111062125);
    // Its original is still on the card: undo may take the copy back.
    writeFile(tmp / "card/finished.jpg", "a good copy", 1111062125);
    const json finishedSource = {
        {"type", "intent"}, {"entry", 1}, {"source", tmp / "card/finished.jpg"}};
    const json finished = copied(root + "/2005/finished.jpg", root + "/2005/finished.jpg");
    const std::string goneJournal = writeJournal(
        journalName(1), gone,
        {intent(goneTemporary), intent(notOurs), intent(tmp / "outside/.orvane-partial-1-a-2"),
         intent(root + "/2005/.orvane-partial-1-a-3"), finishedSource, finished});
    const std::string reusedTemporary = temporary(".orvane-partial-2-b-1");
    writeJournal(journalName(2), reused, {intent(reusedTemporary)});
    const std::string aliveTemporary = temporary(".orvane-partial-3-c-1");
    writeJournal(journalName(3), alive, {intent(aliveTemporary)});
    const std::string endedTemporary = temporary(".orvane-partial-4-d-1");
    writeJournal(journalName(4), gone,
                 {intent(endedTemporary), {{"type", "end"}, {"outcome", "finished"}}});

    const InterruptedRuns interrupted = cleanUpInterruptedRuns(state);
    EXPECT_EQ(interrupted.runs, 2u);
    EXPECT_EQ(interrupted.temporariesRemoved, 2u);
    EXPECT_EQ(interruptedRunsNote(interrupted),
              "A previous run was interrupted; 2 temporary copies were removed");
    EXPECT_TRUE(log.contains("INFO: Cleaned up after 2 interrupted run(s): 2 temporary copies "
                             "removed"));
    EXPECT_FALSE(exists(goneTemporary));
    EXPECT_FALSE(exists(reusedTemporary));
    for (const std::string& left : {notOurs, tmp / "outside/.orvane-partial-1-a-2", aliveTemporary,
                                    endedTemporary, root + "/2005/finished.jpg"})
        EXPECT_TRUE(exists(left)) << left;
    EXPECT_EQ(readRun(goneJournal, false)->state, RunRecord::State::kInterrupted);
    EXPECT_EQ(readRun(goneJournal, false)->temporariesRemoved, 1u);

    EXPECT_EQ(cleanUpInterruptedRuns(state).runs, 0u) << "an interrupted run is cleaned up once";
    // Its finished copies are good files, and can be undone like those of any run.
    EXPECT_EQ(undoRun(goneJournal, false).removed, PathList{root + "/2005/finished.jpg"});

    // A damaged start line stops neither the clean-up before a run nor the reader; numbers
    // out of every integer's range read as no stamp (the sanitizer build checks the reading).
    const std::string damaged = state + "/" + journalName(5) + journal::kExtension;
    std::ofstream(damaged) << R"({"type":"start","pid":"x","processStart":-1})"
                           << "\n";
    const std::string outOfRange = state + "/" + journalName(6) + journal::kExtension;
    std::ofstream(outOfRange) << R"({"type":"start","pid":1,"destination":"/x","destinationStamp":)"
                              << R"({"dev":1,"ino":1,"type":1,"size":4e128,"mtime":[1,1e300]}})"
                              << "\n";
    EXPECT_NO_THROW(cleanUpInterruptedRuns(state));
    EXPECT_NO_THROW(readRun(damaged, false));
    EXPECT_FALSE(readRun(outOfRange, false)->destinationStamp);
}

// Copies that got their final names before a kill, with no line saying so: the clean-up finds
// them by the identity their intents recorded, and undo takes them back.
TEST_F(CleanUpTest, FindsCopiesPublishedButNeverRecorded) {
    const PathList list = {source("a.jpg", "a", k2005), source("b.jpg", "bb", k2006)};
    const std::string backup = tmp / "backup";
    fs::create_directories(backup);
    const RunRecord finished = merge(list, {backup});
    // The journal as a kill right after the renames leaves it: no copied lines, no end.
    std::string kept;
    {
        std::ifstream in(finished.journalPath);
        std::string line;
        while (std::getline(in, line)) {
            json parsed = json::parse(line);
            if (parsed["type"] == "start")
                parsed["pid"] = goneProcess().pid;
            if (parsed["type"] != "copied" && parsed["type"] != "end")
                kept += journal::lineText(parsed);
        }
    }
    // Placeholders held names on a file system without a rename that never replaces: one is
    // still empty, one was replaced by its copy (another item now).
    for (const char* name : {"held.jpg", "filled.jpg"}) {
        writeFile(root + "/2005/03/17/" + name, "");
        kept += journal::lineText({{"type", "placeholder"},
                                   {"entry", 2},
                                   {"path", root + "/2005/03/17/" + name},
                                   {"made", journal::madeJson(FileStamp::of(
                                                test::statOf(root + "/2005/03/17/" + name)))}});
    }
    fs::remove(root + "/2005/03/17/filled.jpg");
    writeFile(root + "/2005/03/17/filled.jpg", "a copy");
    std::ofstream(finished.journalPath, std::ios::trunc) << kept;
    writeFile(root + "/2005/03/17/b.jpg.note", "the user's, not the run's");

    EXPECT_EQ(cleanUpInterruptedRuns(state).runs, 1u);
    const RunRecord run = *readRun(finished.journalPath, true);
    EXPECT_EQ(run.counts.copied, 2u);
    const UndoResult undone = undoRun(finished.journalPath, false);
    EXPECT_EQ(undone.removed, (PathList{root + "/2005/03/17/a.jpg", backup + "/2005/03/17/a.jpg",
                                        root + "/2006/01/02/b.jpg", backup + "/2006/01/02/b.jpg"}));
    EXPECT_FALSE(exists(backup + "/2005"));
    EXPECT_EQ(readFile(root + "/2005/03/17/b.jpg.note"), "the user's, not the run's");
    EXPECT_FALSE(exists(root + "/2005/03/17/held.jpg"));
    EXPECT_EQ(readFile(root + "/2005/03/17/filled.jpg"), "a copy");
}

// Forged or damaged journals: whatever they name, the clean-up and undo touch nothing but
// what the run made, and a journal that is no regular file of the user's is not read.
TEST_F(CleanUpTest, TamperedJournalsTouchNothingElse) {
    const std::string victim = tmp / "victim";
    writeFile(victim + "/keep.jpg", "irreplaceable");
    writeFile(root + "/2005/.orvane-partial-9-x-1", "a real temporary");
    const std::string victimFile = victim + "/keep.jpg";
    auto withNul = [](const std::string& before, const std::string& after) {
        return journal::pathJson(before + std::string(1, '\0') + after);
    };
    struct Case {
        const char* name;
        std::vector<json> lines;
        json start = json::object();
    };
    // Each names the victim in a way that the checks, if they looked at a path other than
    // the one acted on or took a name for an identity, would let through.
    const std::string planted = victim + "/.orvane-partial-7-z-1";
    writeFile(planted, "the user's, under a temporary's name");
    const std::string sourceFile = sources + "/card.jpg";
    writeFile(sourceFile, "on the card");
    const std::string link = root + "/link.jpg";
    fs::create_symlink(victimFile, link);
    auto at = [](const std::string& destination) {
        return json{
            {"destination", destination},
            {"destinationStamp", journal::stampJson(FileStamp::of(test::statOf(destination)))}};
    };
    const std::vector<Case> cases = {
        {"NUL cuts a temporary to a folder",
         {intent(withNul(victim, "/.orvane-partial-1"), victim)},
         at(tmp.path())},
        {"NUL as text",
         {intent(victim + std::string(1, '\0') + "/.orvane-partial-1", victim)},
         at(tmp.path())},
        {"NUL after ..", {copied(withNul(root + "/..", "x/victim/keep.jpg"), victimFile)}, {}},
        {"only the destination edited to a parent",
         {copied(victimFile, victimFile)},
         {{"destination", tmp.path()}}},
        {"destination without its stamp",
         {copied(victimFile, victimFile)},
         {{"destination", tmp.path()}, {"destinationStamp", nullptr}}},
        {"a temporary that is the user's file", {intent(victimFile)}, at(victim)},
        {"a temporary's name on another item", {intent(planted, victimFile)}, at(victim)},
        {"a second root without its stamp",
         {copied(victimFile, victimFile), intent(planted, victimFile)},
         [&] {
             json start = at(root);
             start["roots"] = json::array({{{"path", victim}}});
             return start;
         }()},
        // Undo of a run that freed its sources writes only new files among the sources, from
        // copies below the destination.
        {"an original put back outside the sources",
         {removing(victim + "/new.jpg", root + "/2005/.orvane-partial-9-x-1")},
         {}},
        {"an original put back from outside the destination",
         {removing(sources + "/new.jpg", victimFile)},
         {}},
        {"an original put back from a link", {removing(sources + "/new.jpg", link)}, {}},
        {"an original put back over a file",
         {removing(sourceFile, root + "/2005/.orvane-partial-9-x-1")},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(state);
        const std::string path = writeJournal(journalName(1), goneProcess(), c.lines, c.start);
        cleanUpInterruptedRuns(state);
        (void)undoRun(path, false);
        EXPECT_EQ(readFile(victimFile), "irreplaceable");
        EXPECT_TRUE(exists(planted));
        EXPECT_FALSE(exists(victim + "/new.jpg"));
        EXPECT_FALSE(exists(sources + "/new.jpg"));
        EXPECT_EQ(readFile(sourceFile), "on the card");
    }

    // A date folder swapped for a link to a folder holding a file of the temporary's name.
    fs::remove_all(state);
    const std::string real = root + "/2005/.orvane-partial-9-x-1";
    const json line = intent(real);
    fs::rename(root + "/2005", tmp / "moved");
    fs::create_directory_symlink(victim, root + "/2005");
    writeFile(victim + "/.orvane-partial-9-x-1", "not a temporary of ours");
    writeJournal(journalName(1), goneProcess(), {line});
    cleanUpInterruptedRuns(state);
    EXPECT_EQ(readFile(victim + "/.orvane-partial-9-x-1"), "not a temporary of ours");

    // Not journals of the user's: another's, a FIFO, a link to an endless device, a line
    // longer than any journal holds. None is read, none blocks, none is pruned.
    fs::remove_all(state);
    fs::remove(root + "/2005");
    fs::rename(tmp / "moved", root + "/2005");
    const std::string others = writeJournal(journalName(1), goneProcess(), {intent(real)});
    ASSERT_EQ(::chown(others.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::mkfifo((state + "/" + journalName(2) + journal::kExtension).c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", state + "/" + journalName(3) + journal::kExtension);
    std::ofstream(state + "/" + journalName(4) + journal::kExtension)
        << std::string(journal::kMaxStartLine + 1, ' ') << "\n";
    EXPECT_EQ(cleanUpInterruptedRuns(state).runs, 0u);
    EXPECT_TRUE(listRuns(state).empty());
    EXPECT_EQ(readFile(real), "a real temporary");

    // Pruning keeps the latest runs and never touches a file it did not name.
    fs::remove_all(state);
    writeFile(state + "/0000-mine.jsonl", "{\"type\":\"start\",\"destination\":\"/x\"}\n");
    for (int i = 0; i < int(kKeptRuns) + 2; ++i)
        writeJournal(journalName(i), goneProcess(), {{{"type", "end"}, {"outcome", "finished"}}});
    cleanUpInterruptedRuns(state);
    EXPECT_TRUE(exists(state + "/0000-mine.jsonl"));
    EXPECT_EQ(listRuns(state).size(), kKeptRuns);
}

// The lines written for every copy are formatted without json values; they must read back
// exactly as the json values they stand for.
TEST(JournalLines, CopyLinesAreTheTextOfTheirJsonValues) {
    FileStamp stamp;
    stamp.device = ~dev_t(0);
    stamp.inode = 1234567890123;
    stamp.type = S_IFREG;
    stamp.size = 0;
    stamp.modified = {-86400 * 365, 999999999};
    stamp.changed = {1796845015, 5};
    const std::vector<std::string> paths = {"/dest/2019/01/01/IMG_0001.JPG",
                                            "/a \"quoted\" \\ name/été 写真.jpg",
                                            "/bytes/\xff\xfe.jpg",
                                            "/control/\tname\x7f",
                                            "/overlong/\xc0\xaf",
                                            std::string("/nul/a\0b", 8)};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        for (unsigned copy : {0u, 2u}) {
            json intent = {{"type", "intent"},
                           {"entry", 7},
                           {"source", journal::pathJson(path + "s")},
                           {"temporary", journal::pathJson(path + "t")},
                           {"destination", journal::pathJson(path)}};
            json made = {{"type", "made"}, {"entry", 7}, {"made", journal::madeJson(stamp)}};
            json copied = {{"type", "copied"},
                           {"entry", 7},
                           {"destination", journal::pathJson(path)},
                           {"stamp", journal::stampJson(stamp)}};
            for (json* line : {&intent, &made, &copied})
                if (copy)
                    (*line)["copy"] = copy;
            EXPECT_EQ(journal::intentLineText(7, copy, path + "s", path + "t", path, nullptr),
                      journal::lineText(intent));
            intent["made"] = journal::madeJson(stamp);
            EXPECT_EQ(journal::intentLineText(7, copy, path + "s", path + "t", path, &stamp),
                      journal::lineText(intent));
            EXPECT_EQ(journal::madeLineText(7, copy, stamp), journal::lineText(made));
            EXPECT_EQ(journal::copiedLineText(7, copy, path, stamp), journal::lineText(copied));
        }
        json folder = {{"type", "folder"}, {"path", journal::pathJson(path)}};
        EXPECT_EQ(journal::folderLineText(path, nullptr), journal::lineText(folder));
        folder["stamp"] = journal::stampJson(stamp);
        EXPECT_EQ(journal::folderLineText(path, &stamp), journal::lineText(folder));
    }
}

} // namespace
} // namespace orvane
