#include "base/Paths.h"
#include "base/RunStatus.h"
#include "merge/MergeEngine.h"
#include "merge/NameClash.h"
#include "merge/SourceRemoval.h"
#include "platform/UserDefaults.h"
#include "prefs/DateFolderCheck.h"
#include "prefs/DateRendering.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <list>
#include <map>
#include <random>
#include <set>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orvane {
namespace {

using test::exists;
using test::localTime;
using test::readFile;
using test::writeFile;

class MergeTest : public ::testing::Test {
  protected:
    MergeTest()
        : defaults(tmp / "prefs.json"), engine(defaults, status, result), root(tmp / "Sorted"),
          sources(tmp / "src") {
        registerDefaults(defaults);
        defaults.setBool(keys::kUseExifData, false);
        defaults.setInteger(keys::kDirLevels, 3);
        std::filesystem::create_directories(root);
        status.mergeState = kMergeRunning;
    }

    void merge(const PathList& list) { engine.mergeFiles(list, root); }

    // Runs a command quietly; answers its status.
    static int shell(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str());
    }
    // Unmounts a file system mounted for a test when the test ends, however it ends.
    struct Unmount {
        std::string mountPoint;
        ~Unmount() { shell("mountpoint -q '" + mountPoint + "' && umount '" + mountPoint + "'"); }
    };

    test::TempDir tmp;
    UserDefaults defaults;
    RunStatus status;
    RunResult result;
    MergeEngine engine;
    std::string root;
    std::string sources;
};

TEST_F(MergeTest, CopiesIntoThreeLevelsCreatedOutermostFirst) {
    test::LogCapture log;
    const std::string a = sources + "/a.jpg";
    writeFile(a, "photo", localTime(2005, 3, 17, 14, 22, 5), 123456789);

    merge({a});

    ASSERT_EQ(result.resCopiedFiles, PathList{a});
    EXPECT_EQ(result.resCopiedDict.at(a), "2005/03/17");
    // Times are kept to the microsecond, the rest dropped (read before the file is read).
    const struct stat copied = test::statOf(root + "/2005/03/17/a.jpg");
    EXPECT_EQ(copied.st_mtim.tv_sec, localTime(2005, 3, 17, 14, 22, 5));
    EXPECT_EQ(copied.st_mtim.tv_nsec, 123456000);
    EXPECT_EQ(copied.st_atim.tv_nsec, 123456000);
    EXPECT_EQ(readFile(root + "/2005/03/17/a.jpg"), "photo");
    EXPECT_EQ(status.filesDone, 2);
    const std::string text = log.text();
    const size_t year = text.find("Created destination folder '" + root + "/2005' ");
    const size_t month = text.find("Created destination folder '" + root + "/2005/03' ");
    const size_t day = text.find("Created destination folder '" + root + "/2005/03/17' ");
    ASSERT_NE(year, std::string::npos);
    EXPECT_LT(year, month);
    EXPECT_LT(month, day);
    EXPECT_NE(text.find("Merging paths into tree"), std::string::npos);
    EXPECT_NE(text.find("Merge complete. Signalling main thread"), std::string::npos);

    // No temporary copy is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(root + "/2005/03/17"))
        EXPECT_EQ(entry.path().filename(), "a.jpg");
}

TEST_F(MergeTest, SameNameTwiceCopiesFirstAndRefusesSecond) {
    const std::string first = sources + "/card1/a.jpg";
    const std::string second = sources + "/card2/a.jpg";
    writeFile(first, "first", localTime(2005, 3, 17));
    writeFile(second, "second", localTime(2005, 3, 17));
    const std::string copy = root + "/2005/03/17/a.jpg";

    merge({first, second, first});

    EXPECT_EQ(result.resCopiedFiles, PathList{first});
    ASSERT_EQ(result.resErrorFiles, PathList{second});
    EXPECT_EQ(result.resErrorDict.at(second),
              "Can't overwrite existing file: Sorted/2005/03/17/a.jpg");
    // The same file again is already there: skipped before anything is copied.
    ASSERT_EQ(result.resSkippedFiles, PathList{first});
    EXPECT_EQ(result.resSkippedDict.at(first), "Already in destination");
    EXPECT_EQ(result.resDestinationDict.at(first), copy);
    EXPECT_EQ(readFile(copy), "first");

    // Without skipping, the same contents are refused like different ones.
    defaults.setBool(keys::kSkipIdenticalFiles, false);
    result = RunResult();
    merge({first});
    EXPECT_EQ(result.resErrorDict.at(first),
              "Can't overwrite existing file: Sorted/2005/03/17/a.jpg");
}

TEST_F(MergeTest, KeepingBothNumbersTheNewCopyAndFindsItAgain) {
    defaults.setBool(keys::kKeepBothOnNameClash, true);
    // The longest name a file system takes loses the end of its name, not its extension.
    const std::string longStem(251, 'L');
    const std::pair<std::string, std::string> names[] = {
        {"a.jpg", "a-2.jpg"},
        {longStem + ".jpg", longStem.substr(0, 249) + "-2.jpg"},
    };
    for (const auto& [name, second] : names) {
        const PathList cards = {sources + "/card1/" + name, sources + "/card2/" + name,
                                sources + "/card3/" + name};
        for (const std::string& card : cards)
            writeFile(card, card, localTime(2005, 3, 17));
        const std::string folder = root + "/2005/03/17/";

        result = RunResult();
        merge(cards);
        EXPECT_EQ(result.resCopiedFiles, cards);
        EXPECT_EQ(result.resDestinationDict.count(cards[0]), 0u);
        EXPECT_EQ(result.resDestinationDict.at(cards[1]), numberedName(folder + name, 1));
        EXPECT_EQ(result.resDestinationDict.at(cards[2]), folder + second);
        EXPECT_EQ(readFile(folder + second), cards[2]);

        // Organised again, each finds its own copy, also under a numbered name.
        result = RunResult();
        merge(cards);
        EXPECT_TRUE(result.resCopiedFiles.empty());
        ASSERT_EQ(result.resSkippedFiles, cards);
        EXPECT_EQ(result.resDestinationDict.at(cards[2]), folder + second);
    }
}

TEST_F(MergeTest, IntactFolderOrganisedAgainIsAlreadyThere) {
    const std::string album = sources + "/Album";
    writeFile(album + "/a.jpg", "a", localTime(2007, 5, 1));
    writeFile(album + "/sub/b.jpg", "b", localTime(2007, 5, 1));
    ASSERT_EQ(symlink("a.jpg", (album + "/link").c_str()), 0);
    const struct timespec times[2] = {{localTime(2007, 5, 1), 0}, {localTime(2007, 5, 1), 0}};
    utimensat(AT_FDCWD, album.c_str(), times, 0);

    merge({album});
    ASSERT_EQ(result.resCopiedFiles, PathList{album});
    merge({album});
    EXPECT_EQ(result.resSkippedDict.at(album), "Already in destination");

    // One byte changed inside: a different folder under the same name.
    writeFile(album + "/sub/b.jpg", "c", localTime(2007, 5, 1));
    merge({album});
    EXPECT_EQ(result.resErrorDict.at(album).rfind("Can't overwrite existing file: ", 0), 0u);
}

TEST(NameClash, NumberedNames) {
    const std::string a249(249, 'a');
    const std::string e253(253, 'e');
    const std::pair<std::string, std::string> cases[] = {
        {"/d/a.jpg", "/d/a-3.jpg"},
        {"/d/.profile", "/d/.profile-3"},
        {"/d/noext", "/d/noext-3"},
        {"/d.v/x", "/d.v/x-3"},
        {"/d/a.tar.gz", "/d/a.tar-3.gz"},
        // At most NAME_MAX (255) bytes: the name before the extension is cut, on a character.
        {"/d/" + a249 + "bc.jpg", "/d/" + a249 + "-3.jpg"},
        {"/d/" + a249.substr(1) + "\u00e9b.jpg", "/d/" + a249.substr(1) + "-3.jpg"},
        {"/d/" + a249 + "a\u20acy.", "/d/" + a249 + "a-3."},
        {"/d/ab" + e253, "/d/ab" + e253.substr(2) + "-3"},
        // An extension that leaves no room is not cut: the copy fails with the reason.
        {"/d/ab." + e253.substr(1), "/d/ab-3." + e253.substr(1)},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(numberedName(path, 3), expected) << path;
}

TEST(NameClash, RememberedNamesDecideAsALookWithout) {
    test::TempDir tmp;
    const std::string folder = tmp / "d";
    const std::string taken = folder + "/a.jpg";
    // a.jpg, a-1.jpg … a-3.jpg, all of one size; a-2.jpg holds "same".
    for (unsigned n = 0; n <= 3; ++n)
        writeFile(n == 0 ? taken : numberedName(taken, n),
                  n == 2 ? "same" : "oth" + std::to_string(n));
    writeFile(tmp / "same", "same");
    writeFile(tmp / "diff", "diff");
    writeFile(tmp / "longer", "longer");
    using Kind = NameClashDecision::Kind;
    const struct {
        const char* source;
        NameClashRules rules;
        Kind kind;
        std::string path;
    } rows[] = {
        {"same", {true, true}, Kind::AlreadyThere, numberedName(taken, 2)},
        {"diff", {true, true}, Kind::Free, numberedName(taken, 4)},
        {"longer", {true, true}, Kind::Free, numberedName(taken, 4)},
        {"same", {false, true}, Kind::Free, numberedName(taken, 4)},
        {"same", {true, false}, Kind::Taken, taken},
    };
    NameClashCache cache;
    for (int pass = 0; pass < 2; ++pass) // the second pass answers from what the first learnt
        for (const auto& row : rows) {
            struct stat status;
            ASSERT_EQ(::stat((tmp / row.source).c_str(), &status), 0);
            for (NameClashCache* with : {static_cast<NameClashCache*>(nullptr), &cache}) {
                const NameClashDecision decision =
                    resolveNameClash(tmp / row.source, status, taken, row.rules, with);
                EXPECT_EQ(decision.kind, row.kind) << row.source << pass;
                EXPECT_EQ(decision.path, row.path) << row.source << pass;
            }
        }

    // A name taken meanwhile is found; past the last number, the name is taken for good.
    writeFile(numberedName(taken, 4), "oth4");
    writeFile(tmp / "filler", "f");
    for (unsigned n = 5; n <= 9999; ++n) // links: far quicker to make than files
        ASSERT_EQ(::link((tmp / "filler").c_str(), numberedName(taken, n).c_str()), 0);
    struct stat status;
    ASSERT_EQ(::stat((tmp / "diff").c_str(), &status), 0);
    for (NameClashCache* with : {static_cast<NameClashCache*>(nullptr), &cache}) {
        const NameClashDecision decision =
            resolveNameClash(tmp / "diff", status, taken, {true, true}, with);
        EXPECT_EQ(decision.kind, Kind::Taken);
        EXPECT_EQ(decision.path, taken);
    }
}

TEST_F(MergeTest, VanishedSourceAndDateLevelThatIsAFile) {
    test::LogCapture log;
    const std::string gone = sources + "/gone.jpg";
    const std::string blocked = sources + "/b.jpg";
    writeFile(blocked, "b", localTime(2006, 1, 2));
    writeFile(root + "/2006/01/02", "a file where a folder belongs");

    merge({gone, blocked});

    ASSERT_EQ(result.resErrorFiles, (PathList{gone, blocked}));
    EXPECT_EQ(result.resErrorDict.at(gone), "Original not found: No such file or directory");
    EXPECT_TRUE(log.contains("WARN: Couldn't read attributes for path '" + gone + "'"));
    // The level that is a file counts as present; the copy into it fails.
    EXPECT_EQ(result.resErrorDict.at(blocked).rfind(
                  "Couldn't copy file to 'Sorted/2006/01/02/b.jpg': ", 0),
              0u)
        << result.resErrorDict.at(blocked);
    // The text names the final path, not the temporary one.
    EXPECT_NE(result.resErrorDict.at(blocked).find(root + "/2006/01/02/b.jpg"), std::string::npos)
        << result.resErrorDict.at(blocked);
    EXPECT_EQ(result.resErrorDict.at(blocked).find(".orvane-partial"), std::string::npos);
    EXPECT_EQ(readFile(root + "/2006/01/02"), "a file where a folder belongs");
}

// A date folder that is a link is never followed, at any level and whoever made it: a link
// could carry the copies anywhere, even out of the destination.
TEST_F(MergeTest, DateFoldersThatAreLinksAreRefused) {
    struct Case {
        const char* year;
        const char* link;   // below the destination
        std::string target; // where it leads
    };
    const std::string outside = tmp / "outside", inside = root + "/inside";
    std::filesystem::create_directories(outside);
    std::filesystem::create_directories(inside);
    const Case cases[] = {
        {"2005", "2005", outside},
        {"2006", "2006", inside},
        {"2007", "2007", tmp / "nowhere"},
        {"2008", "2008/03", outside},
    };
    PathList list;
    for (const Case& c : cases) {
        std::filesystem::create_directories(
            std::filesystem::path(root + "/" + c.link).parent_path());
        std::filesystem::create_directory_symlink(c.target, root + "/" + c.link);
        writeFile(sources + "/" + c.year + ".jpg", c.year, localTime(std::stoi(c.year), 3, 17));
        list.push_back(sources + "/" + c.year + ".jpg");
    }
    merge(list);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].year);
        EXPECT_EQ(result.resErrorDict[list[i]], kLinkedDateFolder);
        EXPECT_TRUE(std::filesystem::is_symlink(root + "/" + cases[i].link));
    }
    EXPECT_TRUE(std::filesystem::is_empty(outside));
    EXPECT_TRUE(std::filesystem::is_empty(inside));
    EXPECT_FALSE(std::filesystem::exists(tmp / "nowhere"));
}

TEST_F(MergeTest, VerifiedCopyThatReadsBackWrongIsRemovedAndFails) {
    PathList list;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        list.push_back(sources + "/" + name);
        writeFile(list.back(), std::string(70000, name[0]), localTime(2005, 3, 17));
    }
    // A byte of b's copy changes on its way to the disk.
    engine.setHooks({.copyWritten = [](const std::string& temporary) {
        std::fstream copy(temporary, std::ios::in | std::ios::out | std::ios::binary);
        copy.seekp(69999);
        if (copy.peek() == 'b')
            copy.put('x');
    }});
    defaults.setBool(keys::kVerifyCopies, true);
    engine.setCopyJobs(2);

    merge(list);
    EXPECT_EQ(result.resCopiedFiles, (PathList{list[0], list[2]}));
    EXPECT_EQ(result.resErrorDict.at(list[1]), kCopyMismatch);
    EXPECT_TRUE(result.verifying);
    EXPECT_EQ(result.verified, 2u);
    EXPECT_FALSE(exists(root + "/2005/03/17/b.jpg"));
    const auto entries = std::distance(std::filesystem::directory_iterator(root + "/2005/03/17"),
                                       std::filesystem::directory_iterator());
    EXPECT_EQ(entries, 2) << "the bad copy's temporary must be removed";

    // Below a backup the destination has no copy for: a and c are filled in there; c's copy
    // there reads back wrong, so c fails and its backup copy is removed.
    const std::string backup = tmp / "backup";
    std::filesystem::create_directories(backup);
    defaults.setObject(keys::kBackupDestinations, StringList{backup});
    engine.setHooks({.copyWritten = [&](const std::string& temporary) {
        std::fstream copy(temporary, std::ios::in | std::ios::out | std::ios::binary);
        copy.seekp(69999);
        if (temporary.rfind(backup, 0) == 0 && copy.peek() == 'c')
            copy.put('x');
    }});
    result = RunResult();
    merge({list[0], list[2]});
    EXPECT_EQ(result.resSkippedFiles, (PathList{list[0]}));
    EXPECT_EQ(result.resBackupDict.at(list[0]), PathList{backup + "/2005/03/17/a.jpg"});
    EXPECT_EQ(result.resErrorDict.at(list[2]), kCopyMismatch);
    EXPECT_EQ(readFile(backup + "/2005/03/17/a.jpg"), std::string(70000, 'a'));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(backup + "/2005/03/17"),
                            std::filesystem::directory_iterator()),
              1);
}

// Freeing the sources: only a copy read back intact, or the same bytes found at the
// destination, lets an original go; the card's folders stay.
TEST_F(MergeTest, MovingRemovesOnlyOriginalsWhoseCopiesAreSafe) {
    const std::string card = sources + "/DCIM/100CANON";
    PathList list;
    for (const char* name : {"copied.jpg", "garbled.jpg", "same.jpg", "taken.jpg"}) {
        list.push_back(card + "/" + name);
        // Copies keep times to the microsecond.
        writeFile(list.back(), std::string(70000, name[0]), localTime(2005, 3, 17), 123456789);
    }
    const std::string folder = root + "/2005/03/17";
    writeFile(folder + "/same.jpg", std::string(70000, 's'));
    writeFile(folder + "/taken.jpg", "another photo");
    engine.setHooks({.copyWritten = [](const std::string& temporary) {
        std::fstream copy(temporary, std::ios::in | std::ios::out | std::ios::binary);
        copy.seekp(69999);
        if (copy.peek() == 'g')
            copy.put('x');
    }});
    defaults.setBool(keys::kMoveOriginals, true);

    merge(list);
    EXPECT_TRUE(result.verifying);
    EXPECT_EQ(result.originalsRemoved, 2u);
    EXPECT_FALSE(exists(list[0]));
    EXPECT_TRUE(exists(list[1])) << "a copy that read back wrong frees nothing";
    EXPECT_FALSE(exists(list[2])) << "the same bytes are at the destination";
    EXPECT_TRUE(exists(list[3])) << "a failed entry stays";
    EXPECT_EQ(readFile(folder + "/copied.jpg"), std::string(70000, 'c'));
    EXPECT_TRUE(std::filesystem::is_directory(card));

    // A file of the destination given as a source is found there as itself: it stays.
    result = RunResult();
    merge({folder + "/copied.jpg"});
    EXPECT_EQ(result.resSkippedFiles, PathList{folder + "/copied.jpg"});
    EXPECT_TRUE(exists(folder + "/copied.jpg"));

    // A read-only card: the run is a copy, said once.
    result = RunResult();
    removal_faults::setReadOnlySources(true);
    std::filesystem::remove(folder + "/taken.jpg");
    merge({list[3]});
    removal_faults::setReadOnlySources(false);
    EXPECT_EQ(result.resCopiedFiles, PathList{list[3]});
    EXPECT_EQ(result.originalsRemoved, 0u);
    EXPECT_TRUE(exists(list[3]));
    EXPECT_EQ(std::count(result.notes.begin(), result.notes.end(), kReadOnlySources), 1);

    // The same on a card mounted read-only, where the mount is allowed.
    if (shell("mount --bind '" + card + "' '" + card + "'") != 0)
        GTEST_SKIP() << "mount is refused here";
    Unmount unmount{card};
    ASSERT_EQ(shell("mount -o remount,bind,ro '" + card + "'"), 0);
    result = RunResult();
    std::filesystem::remove(folder + "/taken.jpg");
    merge({list[3]});
    EXPECT_EQ(result.resCopiedFiles, PathList{list[3]});
    EXPECT_EQ(result.notes.back(), kReadOnlySources);
    EXPECT_TRUE(exists(list[3]));
}

TEST_F(MergeTest, NameTakenDuringTheCopyIsNotOverwritten) {
    const std::string a = sources + "/a.jpg";
    writeFile(a, "ours", localTime(2005, 3, 17));
    std::string theirs = "theirs";
    engine.setHooks({.beforePublish = [&](const std::string&, const std::string& destination) {
        writeFile(destination, theirs);
    }});
    const std::string folder = root + "/2005/03/17";
    auto entries = [&] {
        int count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
            ++count;
        return count;
    };

    merge({a});
    EXPECT_EQ(result.resErrorDict.at(a), "Can't overwrite existing file: Sorted/2005/03/17/a.jpg");
    EXPECT_EQ(readFile(folder + "/a.jpg"), "theirs");
    EXPECT_EQ(entries(), 1) << "the temporary copy must be removed";

    // The same contents arriving meanwhile: already there. A different file, with keep-both
    // on: the copy takes the next free name.
    std::filesystem::remove(folder + "/a.jpg");
    theirs = "ours";
    merge({a});
    EXPECT_EQ(result.resSkippedDict.at(a), "Already in destination");
    EXPECT_EQ(entries(), 1);
    std::filesystem::remove(folder + "/a.jpg");
    theirs = "theirs";
    defaults.setBool(keys::kKeepBothOnNameClash, true);
    merge({a});
    EXPECT_EQ(result.resDestinationDict.at(a), folder + "/a-1.jpg");
    EXPECT_EQ(readFile(folder + "/a-1.jpg"), "ours");
    EXPECT_EQ(readFile(folder + "/a.jpg"), "theirs");
}

TEST_F(MergeTest, FailedCopyLeavesNothingUnderTheFinalName) {
    // A folder holding a fifo cannot be copied whole: nothing may pose as the copy.
    const std::string folder = sources + "/Album";
    writeFile(folder + "/a.jpg", "a", localTime(2007, 5, 1));
    ASSERT_EQ(mkfifo((folder + "/pipe").c_str(), 0600), 0);
    test::writeFile(folder + "/z.jpg", "z");
    struct timespec times[2] = {{localTime(2007, 5, 1), 0}, {localTime(2007, 5, 1), 0}};
    utimensat(AT_FDCWD, folder.c_str(), times, 0);

    merge({folder});

    ASSERT_EQ(result.resErrorFiles, PathList{folder});
    EXPECT_NE(
        result.resErrorDict.at(folder).find("Couldn't copy file to 'Sorted/2007/05/01/Album': "),
        std::string::npos);
    EXPECT_FALSE(exists(root + "/2007/05/01/Album"));
    EXPECT_TRUE(std::filesystem::is_empty(root + "/2007/05/01"));
}

TEST_F(MergeTest, LinksInsideAFolderCopiedWholeKeepTheirOwnTimes) {
    const std::string folder = sources + "/Album.app";
    const std::string outside = tmp / "outside.txt";
    writeFile(outside, "private", localTime(2001, 1, 1));
    writeFile(folder + "/a.jpg", "a", localTime(2008, 8, 8));
    writeFile(folder + "/sub/b.jpg", "b", localTime(2008, 8, 9));
    ASSERT_EQ(symlink("missing-target", (folder + "/sub/broken").c_str()), 0);
    ASSERT_EQ(symlink(outside.c_str(), (folder + "/absolute").c_str()), 0);
    ASSERT_EQ(symlink("../a.jpg", (folder + "/sub/relative").c_str()), 0);
    struct timespec linkTimes[2] = {{localTime(2003, 3, 3), 0}, {localTime(2003, 3, 3), 0}};
    for (const char* link : {"/sub/broken", "/absolute", "/sub/relative"})
        utimensat(AT_FDCWD, (folder + link).c_str(), linkTimes, AT_SYMLINK_NOFOLLOW);
    struct timespec times[2] = {{localTime(2008, 8, 7), 0}, {localTime(2008, 8, 7), 0}};
    utimensat(AT_FDCWD, (folder + "/sub").c_str(), times, 0);
    utimensat(AT_FDCWD, folder.c_str(), times, 0);

    merge({folder});

    ASSERT_EQ(result.resCopiedFiles, PathList{folder});
    const std::string copy = root + "/2008/08/07/Album.app";
    EXPECT_EQ(readFile(copy + "/sub/b.jpg"), "b");
    char target[64] = {};
    ASSERT_GT(readlink((copy + "/sub/broken").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "missing-target");
    for (const char* link : {"/sub/broken", "/absolute", "/sub/relative"}) {
        struct stat status;
        ASSERT_EQ(lstat((copy + link).c_str(), &status), 0) << link;
        EXPECT_TRUE(S_ISLNK(status.st_mode)) << link;
        EXPECT_EQ(status.st_mtim.tv_sec, localTime(2003, 3, 3)) << link;
    }
    // Nothing was set through a link: not the file outside, not the copy's own a.jpg.
    EXPECT_EQ(test::statOf(outside).st_mtim.tv_sec, localTime(2001, 1, 1));
    EXPECT_EQ(test::statOf(copy + "/a.jpg").st_mtim.tv_sec, localTime(2008, 8, 8));
    EXPECT_EQ(test::statOf(copy + "/sub/b.jpg").st_mtim.tv_sec, localTime(2008, 8, 9));
    EXPECT_EQ(test::statOf(copy + "/sub").st_mtim.tv_sec, localTime(2008, 8, 7));
    EXPECT_EQ(test::statOf(copy).st_mtim.tv_sec, localTime(2008, 8, 7));
}

TEST_F(MergeTest, CancellationBeforeTheFirstEntrySkipsEverything) {
    const std::string a = sources + "/a.jpg";
    const std::string b = sources + "/b.jpg";
    writeFile(a, "a");
    writeFile(b, "b");
    status.mergeState = kMergeCancelRequested;

    merge({a, b});

    EXPECT_EQ(result.resSkippedFiles, (PathList{a, b}));
    EXPECT_EQ(result.resSkippedDict.at(b), "Not copied: the run was stopped");
    EXPECT_TRUE(result.resCopiedFiles.empty());
    EXPECT_EQ(status.mergeState, kMergeCancelled);
    EXPECT_EQ(status.filesDone, 0);
}

TEST_F(MergeTest, CancellationDuringAnEntryFinishesIt) {
    PathList list;
    for (const char* name : {"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg"}) {
        list.push_back(sources + "/" + name);
        writeFile(list.back(), name, localTime(2010, 1, 1));
    }
    // The request comes while the second entry is copied, or while the last is.
    for (size_t cancelAt : {size_t{1}, size_t{4}}) {
        result = RunResult();
        status.mergeState = kMergeRunning;
        status.filesDone = 0;
        std::filesystem::remove_all(root + "/2010");
        engine.setHooks({.beforePublish = [&](const std::string& source, const std::string&) {
            if (source == list[cancelAt]) {
                std::lock_guard lock(status.statusLock);
                status.mergeState = kMergeCancelRequested;
            }
        }});

        merge(list);

        EXPECT_EQ(result.resCopiedFiles, PathList(list.begin(), list.begin() + cancelAt + 1));
        EXPECT_EQ(result.resSkippedFiles, PathList(list.begin() + cancelAt + 1, list.end()));
        if (cancelAt == 4) {
            EXPECT_EQ(status.mergeState, kMergeCancelRequested) << "completion, not cancellation";
            EXPECT_EQ(status.filesDone, 6);
        } else {
            EXPECT_EQ(status.mergeState, kMergeCancelled);
            EXPECT_EQ(status.filesDone, 2);
        }
    }
}

TEST_F(MergeTest, ErrorDetailNamesForRootsNearSlash) {
    engine.setToPath("/");
    EXPECT_EQ(engine.errorDetailFileNameForDestPath("/2005/a.jpg"), "/2005/a.jpg");
    engine.setToPath("/Volumes");
    EXPECT_EQ(engine.errorDetailFileNameForDestPath("/Volumes/2005/a.jpg"), "Volumes/2005/a.jpg");
    engine.setToPath("/Users/ann/Pictures/Sorted");
    EXPECT_EQ(engine.errorDetailFileNameForDestPath("/Users/ann/Pictures/Sorted/2005/03/17/a.jpg"),
              "Sorted/2005/03/17/a.jpg");
}

TEST_F(MergeTest, LevelsOutsideOneToThreeFailEachEntryClearly) {
    const std::string a = sources + "/a.jpg";
    writeFile(a, "a", localTime(2005, 3, 17));
    defaults.setInteger(keys::kDirLevels, 4);

    merge({a});

    ASSERT_EQ(result.resErrorFiles, PathList{a});
    EXPECT_NE(result.resErrorDict.at(a).find("folder levels"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(root));
}

TEST_F(MergeTest, MissingRootFailsAtTheOutermostLevel) {
    const std::string a = sources + "/a.jpg";
    writeFile(a, "a", localTime(2005, 3, 17));
    root = tmp / "NotThere";

    merge({a});

    EXPECT_EQ(result.resErrorDict.at(a),
              "Couldn't create destination directory 'NotThere/2005': No such file or directory");
}

TEST_F(MergeTest, ExifDateWinsAndFallbackIsLogged) {
    test::LogCapture log;
    const std::string a = sources + "/a.jpg";
    const std::string b = sources + "/b.jpg";
    writeFile(a, "a", localTime(2010, 6, 1));
    writeFile(b, "b", localTime(2010, 6, 1));
    defaults.setBool(keys::kUseExifData, true);
    engine.dater().setExifReader([&](const char* path, const struct stat&) -> time_t {
        return std::string(path) == a ? localTime(2004, 8, 9) : -1;
    });

    merge({a, b});

    EXPECT_EQ(result.resCopiedDict.at(a), "2004/08/09");
    EXPECT_EQ(result.resCopiedDict.at(b), "2010/06/01");
    EXPECT_TRUE(log.contains("Couldn't get date from EXIF meta data. Falling back on last "
                             "modification date: " +
                             std::to_string(localTime(2010, 6, 1)) + " - "));
}

TEST_F(MergeTest, MonthNamesFollowTheUsersLanguage) {
    locale_t german = newlocale(LC_TIME_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
    if (!german)
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    freelocale(german);
    const char* old = getenv("LC_ALL");
    std::string saved = old ? old : "";
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    const std::string a = sources + "/a.jpg";
    writeFile(a, "a", localTime(2005, 3, 17));
    defaults.setInteger(keys::kDirLevels, 2);
    defaults.setObject(keys::kTwoLevelDateFormat, std::string("%Y/%B"));

    merge({a});

    if (old)
        setenv("LC_ALL", saved.c_str(), 1);
    else
        unsetenv("LC_ALL");
    EXPECT_EQ(result.resCopiedDict.at(a), "2005/März");
    EXPECT_TRUE(exists(root + "/2005/März/a.jpg"));
}

// Entries that end at once and entries whose copies wait for their batch are reported in
// list order, exactly as when each entry is published before the next begins.
TEST_F(MergeTest, BatchedPublishingKeepsTheOrderOfAOneByOneRun) {
    PathList list;
    PathList copied;
    PathList failed;
    std::set<std::string> taken;
    for (int i = 0; i < 600; ++i) {
        const std::string name = "IMG_" + std::to_string(i % 250) + ".jpg";
        list.push_back(sources + "/card" + std::to_string(i / 250) + "/" + name);
        if (i % 97 == 5) {
            failed.push_back(list.back()); // vanished
            continue;
        }
        writeFile(list.back(), std::to_string(i), localTime(2010, 1, 1 + i % 250 % 3));
        (taken.insert(name).second ? copied : failed).push_back(list.back());
    }
    list.push_back(list[7]); // the same path again: its first copy is already there

    engine.setBatchEntries(200); // one batch is made durable while the next fills
    engine.setCopyJobs(2);
    merge(list);

    EXPECT_EQ(result.resCopiedFiles, copied);
    EXPECT_EQ(result.resErrorFiles, failed);
    EXPECT_EQ(result.resErrorDict.at(list[300]),
              "Can't overwrite existing file: Sorted/2010/01/03/IMG_50.jpg");
    EXPECT_EQ(readFile(root + "/2010/01/03/IMG_50.jpg"), "50");
    EXPECT_EQ(result.resSkippedFiles, PathList{list[7]});
    EXPECT_EQ(status.filesDone, 602);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        EXPECT_EQ(entry.path().filename().string().find(".orvane-partial"), std::string::npos);
}

// A power cut right after a run: what the file system image holds at that moment (the bytes
// of its backing file, before the kernel writes dirty pages back on its own) must have every
// copy whole under its final name; with delayed allocation a rename reaches the disk well
// before the data it names.
TEST_F(MergeTest, APowerCutRightAfterTheRunLosesNoCopy) {
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a file-system image needs root";
    // The destination and a backup drive, each a file system of its own.
    const std::string images[] = {tmp / "disk.img", tmp / "backup.img"};
    const std::string crashed[] = {tmp / "crashed.img", tmp / "crashed-backup.img"};
    const std::string mountPoints[] = {tmp / "mnt", tmp / "backup"};
    std::list<Unmount> unmounts; // made in place: a copy would unmount when it goes
    for (int disk = 0; disk < 2; ++disk) {
        std::filesystem::create_directories(mountPoints[disk]);
        if (shell("truncate -s 200M '" + images[disk] + "' && mkfs.ext4 -q -F '" + images[disk] +
                  "'") != 0)
            GTEST_SKIP() << "mkfs.ext4 is not installed";
        if (shell("mount -o loop '" + images[disk] + "' '" + mountPoints[disk] + "'") != 0)
            GTEST_SKIP() << "mounting a loop device is not permitted here";
        unmounts.emplace_back(mountPoints[disk]);
    }

    PathList list;
    std::mt19937 random(12);
    for (int i = 0; i < 400; ++i) {
        const size_t size = i == 0 ? size_t{48} << 20 : 1 + random() % (192 << 10);
        std::string data(size, '\0');
        for (char& c : data)
            c = static_cast<char>(random());
        list.push_back(sources + "/DCIM/IMG_" + std::to_string(i) + ".JPG");
        writeFile(list.back(), data, localTime(2015, 1 + i % 12, 1 + i % 28));
    }
    root = mountPoints[0] + "/Sorted";
    std::filesystem::create_directories(root);
    defaults.setObject(keys::kBackupDestinations, StringList{mountPoints[1]});
    ASSERT_EQ(shell("sync"), 0); // only the run's own writes are left to chance

    merge(list);
    for (int disk = 0; disk < 2; ++disk)
        ASSERT_EQ(shell("cp --sparse=always '" + images[disk] + "' '" + crashed[disk] + "'"), 0);

    ASSERT_EQ(result.resCopiedFiles, list);
    for (int disk = 0; disk < 2; ++disk) {
        ASSERT_EQ(shell("umount '" + mountPoints[disk] + "'"), 0);
        ASSERT_EQ(shell("mount -o loop '" + crashed[disk] + "' '" + mountPoints[disk] + "'"), 0);
    }
    int empty = 0;
    int differing = 0;
    for (const std::string& source : list) {
        const std::string below =
            "/" + result.resCopiedDict.at(source) + "/" + lastPathComponent(source);
        for (const std::string& copy : {root + below, mountPoints[1] + below}) {
            ASSERT_TRUE(exists(copy)) << copy;
            if (test::statOf(copy).st_size == 0)
                ++empty;
            else if (shell("cmp '" + source + "' '" + copy + "'") != 0)
                ++differing;
        }
    }
    EXPECT_EQ(empty, 0);
    EXPECT_EQ(differing, 0);
}

// On exFAT through FUSE (as on vfat, gvfs, sshfs) the no-replace rename and hard links are
// refused: copies are published all the same, and a name taken meanwhile is not replaced.
TEST_F(MergeTest, CopiesArePublishedOnAFuseMount) {
    if (geteuid() != 0 || !exists("/dev/fuse"))
        GTEST_SKIP() << "mounting through FUSE needs root and /dev/fuse";
    const std::string image = tmp / "card.img";
    const std::string mountPoint = tmp / "card";
    std::filesystem::create_directories(mountPoint);
    if (shell("truncate -s 64M '" + image + "' && mkfs.exfat '" + image + "'") != 0)
        GTEST_SKIP() << "mkfs.exfat (exfatprogs) is not installed";
    if (shell("mount -t exfat-fuse -o loop '" + image + "' '" + mountPoint + "'") != 0)
        GTEST_SKIP() << "exfat-fuse is not installed or mounting is not permitted here";
    const Unmount unmount{mountPoint};
    const std::string a = sources + "/a.jpg";
    const std::string b = sources + "/b.jpg";
    const std::string album = sources + "/Album";
    writeFile(a, "a", localTime(2005, 3, 17));
    writeFile(b, "b", localTime(2005, 3, 17));
    writeFile(album + "/c.jpg", "c", localTime(2005, 3, 17));
    const struct timespec times[2] = {{localTime(2005, 3, 17), 0}, {localTime(2005, 3, 17), 0}};
    utimensat(AT_FDCWD, album.c_str(), times, 0);
    root = mountPoint + "/Sorted";
    std::filesystem::create_directories(root);
    engine.setHooks({.beforePublish = [&](const std::string& source, const std::string& to) {
        if (source == b)
            writeFile(to, "theirs");
    }});

    merge({a, album, b});

    const std::string folder = root + "/2005/03/17";
    EXPECT_EQ(result.resCopiedFiles, (PathList{a, album}));
    EXPECT_EQ(readFile(folder + "/a.jpg"), "a");
    EXPECT_EQ(readFile(folder + "/Album/c.jpg"), "c");
    ASSERT_EQ(result.resErrorFiles, PathList{b});
    EXPECT_EQ(readFile(folder + "/b.jpg"), "theirs");
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++entries;
    EXPECT_EQ(entries, 3) << "no temporary or placeholder is left";
}

// A file written to while it is copied: the copy is neither the old nor the new file, so it
// is dropped and the entry fails; a file that only grew is treated the same way.
TEST_F(MergeTest, ASourceChangedDuringItsCopyIsNotPublished) {
    const off_t size = off_t{40} << 20; // three chunks of the copier
    struct Case {
        const char* name;
        std::function<void(const std::string&)> change;
    };
    const Case cases[] = {
        {"truncated",
         [](const std::string& path) { ASSERT_EQ(truncate(path.c_str(), 1 << 20), 0); }},
        {"rewritten",
         [](const std::string& path) {
             const int fd = open(path.c_str(), O_WRONLY);
             ASSERT_EQ(pwrite(fd, "new", 3, 0), 3);
             close(fd);
         }},
        {"appended",
         [](const std::string& path) {
             const int fd = open(path.c_str(), O_WRONLY | O_APPEND);
             ASSERT_EQ(write(fd, "more", 4), 4);
             close(fd);
         }},
    };
    for (const Case& c : cases) {
        const std::string file = sources + "/" + c.name + ".mov";
        writeFile(file, "");
        ASSERT_EQ(truncate(file.c_str(), size), 0);
        struct timespec times[2] = {{localTime(2011, 2, 3), 0}, {localTime(2011, 2, 3), 0}};
        utimensat(AT_FDCWD, file.c_str(), times, 0);
        int chunks = 0;
        engine.setHooks({.betweenChunks = [&](const std::string& path, off_t) {
            EXPECT_EQ(path, file);
            if (++chunks == 1)
                c.change(file);
        }});
        result = RunResult();

        merge({file});

        EXPECT_GE(chunks, 1) << c.name;
        ASSERT_EQ(result.resErrorFiles, PathList{file}) << c.name;
        EXPECT_EQ(result.resErrorDict.at(file),
                  "The original changed while it was copied; try again");
        EXPECT_TRUE(std::filesystem::is_empty(root + "/2011/02/03")) << c.name;
    }
}

// A sparse file keeps its holes: the copy reads the same and takes about the room of its data.
TEST_F(MergeTest, ASparseFileIsCopiedWithItsHoles) {
    const off_t size = off_t{1} << 30;
    const std::string file = sources + "/clip.mov";
    writeFile(file, "");
    ASSERT_EQ(truncate(file.c_str(), size), 0);
    // Data at the start, at an odd offset inside, and short of the end, which is a hole.
    const std::vector<std::pair<off_t, size_t>> data = {
        {0, 1 << 20}, {(off_t{300} << 20) + 4097, 3 << 20}, {size - (2 << 20), 1 << 20}};
    std::mt19937 random(7);
    const int out = open(file.c_str(), O_WRONLY);
    for (const auto& [offset, length] : data) {
        std::string bytes(length, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random());
        ASSERT_EQ(pwrite(out, bytes.data(), length, offset), static_cast<ssize_t>(length));
    }
    close(out);
    struct timespec times[2] = {{localTime(2011, 2, 3), 0}, {localTime(2011, 2, 3), 0}};
    utimensat(AT_FDCWD, file.c_str(), times, 0);

    merge({file});

    ASSERT_EQ(result.resCopiedFiles, PathList{file});
    const std::string copy = root + "/2011/02/03/clip.mov";
    const struct stat copied = test::statOf(copy);
    EXPECT_EQ(copied.st_size, size);
    EXPECT_LT(copied.st_blocks * 512, off_t{16} << 20);
    auto region = [](const std::string& path, off_t offset, size_t length) {
        std::string bytes(length, 'x');
        const int in = open(path.c_str(), O_RDONLY);
        EXPECT_EQ(pread(in, bytes.data(), length, offset), static_cast<ssize_t>(length));
        close(in);
        return bytes;
    };
    std::vector<std::pair<off_t, size_t>> holes = {
        {1 << 20, 4096}, {off_t{200} << 20, 1 << 20}, {size - (1 << 20), 1 << 20}};
    for (const auto& [offset, length] : data)
        EXPECT_EQ(region(copy, offset, length), region(file, offset, length)) << offset;
    for (const auto& [offset, length] : holes)
        EXPECT_EQ(region(copy, offset, length), std::string(length, '\0')) << offset;
}

// Stopped by a signal asking the process to end, a run abandons a copy with much left to do
// and finishes one nearly done.
TEST_F(MergeTest, AStopAbandonsALongCopyOnly) {
    const std::string file = sources + "/clip.mov";
    const std::string folder = root + "/2011/02/03";
    for (const off_t size : {off_t{1} << 30, off_t{40} << 20}) {
        writeFile(file, "");
        ASSERT_EQ(truncate(file.c_str(), size), 0);
        struct timespec times[2] = {{localTime(2011, 2, 3), 0}, {localTime(2011, 2, 3), 0}};
        utimensat(AT_FDCWD, file.c_str(), times, 0);
        std::filesystem::remove_all(folder);
        status.mergeState = kMergeRunning;
        status.abandonLargeCopies = true;
        // The first chunk takes long: the rest of the large file would take seconds more.
        engine.setHooks({.betweenChunks = [&](const std::string&, off_t copied) {
            if (copied != off_t{16} << 20)
                return;
            {
                std::lock_guard lock(status.statusLock);
                status.mergeState = kMergeCancelRequested;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }});
        result = RunResult();

        merge({file});

        if (size > off_t{40} << 20) {
            ASSERT_EQ(result.resErrorFiles, PathList{file});
            EXPECT_EQ(result.resErrorDict.at(file), "Not copied: the run was stopped");
            EXPECT_TRUE(std::filesystem::is_empty(folder)) << "the temporary is removed";
        } else {
            EXPECT_EQ(result.resCopiedFiles, PathList{file});
        }
    }
}

// The source as examined is replaced between its examination and its copy: by a link to a
// private file, by another file, or (for a folder copied whole) by a link to a folder.
TEST_F(MergeTest, ASourceReplacedAfterItWasExaminedIsNotCopied) {
    const std::string secret = tmp / "secret/key.txt";
    writeFile(secret, "private");
    const std::string file = sources + "/a.jpg";
    const std::string folder = sources + "/Album.app";
    struct Case {
        std::string source;
        std::function<void()> replace;
    };
    const Case cases[] = {
        {file,
         [&] {
             std::filesystem::remove(file);
             ASSERT_EQ(symlink(secret.c_str(), file.c_str()), 0);
         }},
        {file,
         [&] {
             writeFile(file + ".new", "other");
             std::filesystem::rename(file + ".new", file);
         }},
        {folder,
         [&] {
             std::filesystem::remove_all(folder);
             ASSERT_EQ(symlink((tmp / "secret").c_str(), folder.c_str()), 0);
         }},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(sources);
        writeFile(file, "photo", localTime(2012, 5, 6));
        writeFile(folder + "/b.jpg", "b", localTime(2012, 5, 6));
        struct timespec times[2] = {{localTime(2012, 5, 6), 0}, {localTime(2012, 5, 6), 0}};
        utimensat(AT_FDCWD, folder.c_str(), times, 0);
        engine.setHooks({.afterPlan = [&](const std::string& source) {
            if (source == c.source)
                c.replace();
        }});
        result = RunResult();

        merge({c.source});

        ASSERT_EQ(result.resErrorFiles, PathList{c.source});
        EXPECT_EQ(result.resErrorDict.at(c.source),
                  "Original not found: No such file or directory");
        EXPECT_TRUE(std::filesystem::is_empty(root + "/2012/05/06"));
    }
}

TEST_F(MergeTest, SetIdBitsAreDroppedWhenTheCopyHasAnotherOwner) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give files to another owner";
    const uid_t nobody = 65534;
    const std::string program = sources + "/tool";
    const std::string own = sources + "/own-tool";
    const std::string folder = sources + "/Kit.app";
    const std::string inner = folder + "/bin/tool";
    for (const std::string& path : {program, own, inner})
        writeFile(path, "#!/bin/sh\n", localTime(2013, 1, 1));
    ASSERT_EQ(chown(program.c_str(), nobody, nobody), 0);
    ASSERT_EQ(chown(inner.c_str(), nobody, nobody), 0);
    ASSERT_EQ(chown((folder + "/bin").c_str(), nobody, nobody), 0);
    ASSERT_EQ(chmod(program.c_str(), 06755), 0);
    ASSERT_EQ(chmod(own.c_str(), 04755 | S_ISVTX), 0);
    ASSERT_EQ(chmod(inner.c_str(), 04711), 0);
    ASSERT_EQ(chmod((folder + "/bin").c_str(), 03775), 0);
    struct timespec times[2] = {{localTime(2013, 1, 1), 0}, {localTime(2013, 1, 1), 0}};
    utimensat(AT_FDCWD, folder.c_str(), times, 0);

    merge({program, own, folder});

    ASSERT_EQ(result.resCopiedFiles, (PathList{program, own, folder}));
    const std::string day = root + "/2013/01/01";
    EXPECT_EQ(test::statOf(day + "/tool").st_mode & 07777, 0755u);
    EXPECT_EQ(test::statOf(day + "/own-tool").st_mode & 07777, 04755u) << "same owner: kept";
    EXPECT_EQ(test::statOf(day + "/Kit.app/bin/tool").st_mode & 07777, 0711u);
    EXPECT_EQ(test::statOf(day + "/Kit.app/bin").st_mode & 07777, 01775u) << "sticky kept";
}

TEST_F(MergeTest, DateFoldersOutsideTheDestinationAreRefused) {
    const std::string a = sources + "/a.jpg";
    writeFile(a, "a", localTime(2005, 3, 17));
    defaults.setInteger(keys::kDirLevels, 1);
    for (const std::string& format :
         {std::string("../../escape/%Y"), std::string(".."), std::string("%Y/./x"),
          std::string("/%Y"), std::string(70000, 'Y')}) {
        result = RunResult();
        defaults.setObject(keys::kOneLevelDateFormat, format);

        merge({a});

        ASSERT_EQ(result.resErrorFiles, PathList{a}) << format.substr(0, 20);
        EXPECT_EQ(result.resErrorDict.at(a),
                  "The folder format doesn't give a folder inside the destination");
    }
    EXPECT_TRUE(std::filesystem::is_empty(root));
    EXPECT_FALSE(exists(tmp / "escape"));
    EXPECT_FALSE(exists(tmp / "a.jpg"));
    // Every offered format stays inside.
    const DateLocale locale("C");
    for (const char* format : {"%Y-%m-%d", "%Y/%m-%d %a", "%Y/%B", "%Y/%b/%d %a"})
        EXPECT_TRUE(folderFormatStaysInside(format, locale, localTime(2004, 8, 9))) << format;
}

TEST_F(MergeTest, ADateBeyondTheCalendarIsAnErrorForTheEntry) {
    const std::string a = sources + "/a.jpg";
    writeFile(a, "a", localTime(2005, 3, 17));
    defaults.setBool(keys::kUseExifData, true);
    engine.dater().setExifReader([](const char*, const struct stat&) { return time_t{1} << 62; });

    merge({a});

    ASSERT_EQ(result.resErrorFiles, PathList{a});
    EXPECT_NE(result.resErrorDict.at(a).find("outside the calendar's range"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(root));
}

// Several copies at once give exactly what one after another gives: the same outcomes in the
// same order and the same tree, also where entries of the run take each other's names.
TEST_F(MergeTest, CopiesMadeAtOnceGiveTheResultsOfOneAfterAnother) {
    test::LogCapture log;
    PathList list;
    // Six cards with the same names one after another, so that entries copied at once take
    // each other's names; some cards hold the same contents as others.
    const int sameContents[] = {0, 1, 0, 1, 2, 0};
    for (int i = 0; i < 240; ++i) {
        const int card = i % 6;
        const int number = i / 6;
        list.push_back(sources + "/card" + std::to_string(card) + "/IMG_" + std::to_string(number) +
                       ".jpg");
        if (i % 37 == 3)
            continue; // vanished
        const std::string contents = std::string((number + sameContents[card]) % 7 * 20000, 'x') +
                                     std::to_string(sameContents[card]);
        writeFile(list.back(), contents, localTime(2010, 1, 1 + number % 4));
    }
    for (int i = 0; i < 6; ++i) {
        const std::string album =
            sources + "/Album" + std::to_string(i % 2) + "-" + std::to_string(i) + "/Album";
        writeFile(album + "/a.jpg", std::to_string(i % 3), localTime(2010, 1, 2));
        const struct timespec times[2] = {{localTime(2010, 1, 2), 0}, {localTime(2010, 1, 2), 0}};
        utimensat(AT_FDCWD, album.c_str(), times, 0);
        list.insert(list.begin() + 30 * i, album);
    }
    list.push_back(list[7]);

    auto treeOf = [](const std::string& folder) {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            const std::string relative = entry.path().string().substr(folder.size());
            files[relative] = entry.is_directory() ? "<folder>" : readFile(entry.path().string());
        }
        return files;
    };
    auto withoutRoot = [](PathDict dict, const std::string& folder) {
        for (auto& [path, text] : dict)
            for (size_t at; (at = text.find(folder)) != std::string::npos;)
                text.replace(at, folder.size(), "ROOT");
        return dict;
    };
    for (const bool keepBoth : {false, true}) {
        defaults.setBool(keys::kKeepBothOnNameClash, keepBoth);
        std::vector<RunResult> results;
        std::vector<std::map<std::string, std::string>> trees;
        for (const unsigned jobs : {1u, 4u}) {
            const std::string into =
                tmp / ("run" + std::to_string(keepBoth) + std::to_string(jobs) + "/Sorted");
            writeFile(into + "/2010/01/04", "a file where a folder belongs");
            RunStatus runStatus;
            runStatus.mergeState = kMergeRunning;
            RunResult& run = results.emplace_back();
            MergeEngine copier(defaults, runStatus, run);
            copier.setCopyJobs(jobs);
            copier.mergeFiles(list, into);
            EXPECT_EQ(runStatus.filesDone, static_cast<int>(list.size()) + 1);
            run.resErrorDict = withoutRoot(run.resErrorDict, into);
            run.resDestinationDict = withoutRoot(run.resDestinationDict, into);
            trees.push_back(treeOf(into));
        }
        SCOPED_TRACE(keepBoth ? "keeping both" : "refusing taken names");
        EXPECT_FALSE(results[0].resSkippedFiles.empty());
        EXPECT_FALSE(results[0].resErrorFiles.empty());
        EXPECT_EQ(results[1].resCopiedFiles, results[0].resCopiedFiles);
        EXPECT_EQ(results[1].resCopiedDict, results[0].resCopiedDict);
        EXPECT_EQ(results[1].resSkippedFiles, results[0].resSkippedFiles);
        EXPECT_EQ(results[1].resSkippedDict, results[0].resSkippedDict);
        EXPECT_EQ(results[1].resErrorFiles, results[0].resErrorFiles);
        EXPECT_EQ(results[1].resErrorDict, results[0].resErrorDict);
        EXPECT_EQ(results[1].resDestinationDict, results[0].resDestinationDict);
        EXPECT_EQ(trees[1], trees[0]);
    }
}

} // namespace
} // namespace orvane
