// The import history's database as something that may be damaged, locked or read-only.
#include "history/ImportHistory.h"
#include "history/ImportRecorder.h"
#include "support/TestSupport.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;

ImportRecord recordOf(const std::string& source, const std::string& run) {
    return {{"uuid:1234", source, 10, 20},
            {1, 2},
            ContentHash{3, 4},
            "/d/2026/12/08/a.jpg",
            "/d",
            run,
            1796688000};
}

class ImportHistoryTest : public ::testing::Test {
  protected:
    test::TempDir tmp;
    std::string file = tmp.path() + "/data/history.sqlite";
    std::string problem;
};

TEST_F(ImportHistoryTest, FindsForgetsAndSaysWhereItWent) {
    std::unique_ptr<ImportHistory> history = ImportHistory::open(file, problem);
    ASSERT_TRUE(history) << problem;
    ASSERT_TRUE(history->add({recordOf("/DCIM/a.jpg", "r1"), recordOf("/DCIM/b.jpg", "r2"),
                              recordOf("/DCIMX/c.jpg", "r2")}));
    const SourceIdentity a{"uuid:1234", "/DCIM/a.jpg", 10, 20};
    EXPECT_EQ(history->knows(a), true);
    EXPECT_EQ(history->knows({"uuid:1234", "/DCIM/a.jpg", 10, 21}), false);
    EXPECT_FALSE(history->find(a, {9, 9}));
    std::optional<ImportRecord> found = history->find(a, {1, 2});
    ASSERT_TRUE(found);
    EXPECT_EQ(importedBeforeText(*found), "Imported before on 8 Dec 2026 into …/2026/12/08");
    EXPECT_EQ(history->imports("uuid:1234", "/DCIM")->size(), 2u);
    EXPECT_EQ(history->imports("", "")->size(), 3u);
    EXPECT_EQ(history->forgetSource("uuid:1234", "/DCIM"), 2);
    EXPECT_EQ(history->forgetRun("r2"), 1);
    EXPECT_TRUE(history->imports("", "")->empty());
}

// A history of the first version gains the copies' stamps; its rows read on without them.
TEST_F(ImportHistoryTest, AnOlderHistoryIsUpgradedAndItsRowsKept) {
    fs::create_directories(tmp.path() + "/data");
    sqlite3* old = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &old), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(old,
                           "CREATE TABLE imports(id INTEGER PRIMARY KEY, volume TEXT NOT NULL, "
                           "source TEXT NOT NULL, size INTEGER NOT NULL, modified INTEGER NOT "
                           "NULL, edges BLOB NOT NULL, full BLOB, destination TEXT NOT NULL, "
                           "root TEXT NOT NULL, run TEXT NOT NULL, imported INTEGER NOT NULL);"
                           "INSERT INTO imports VALUES(1, 'uuid:1234', '/a.jpg', 10, 20, "
                           "x'00000000000000010000000000000002', NULL, '/d/a.jpg', '/d', 'r', 0);"
                           "PRAGMA user_version=1;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(old);
    std::unique_ptr<ImportHistory> history = ImportHistory::open(file, problem);
    ASSERT_TRUE(history) << problem;
    const SourceIdentity a{"uuid:1234", "/a.jpg", 10, 20};
    std::optional<ImportRecord> kept = history->latest(a);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->destination, "/d/a.jpg");
    EXPECT_FALSE(kept->copy);
    ImportRecord stamped = recordOf("/a.jpg", "r2");
    stamped.copy = CopyStamp{1, 2, 10, 30};
    ASSERT_TRUE(history->add({stamped}));
    EXPECT_EQ(history->latest(a)->copy, stamped.copy);
}

TEST_F(ImportHistoryTest, ADamagedFileIsMovedAsideAndANewOneStarted) {
    test::writeFile(file, std::string(8192, '\x5a'));
    std::unique_ptr<ImportHistory> history = ImportHistory::open(file, problem);
    ASSERT_TRUE(history);
    EXPECT_EQ(problem.rfind("file is not a database; it was kept as '" + file + ".corrupt-", 0), 0u)
        << problem;
    EXPECT_TRUE(history->add({recordOf("/a.jpg", "r")}));
    size_t kept = 0;
    for (const auto& item : fs::directory_iterator(tmp.path() + "/data"))
        kept += item.path().filename().string().find(".corrupt-") != std::string::npos;
    EXPECT_EQ(kept, 1u);
}

TEST_F(ImportHistoryTest, ALockedOrNewerHistoryIsLeftAlone) {
    ASSERT_TRUE(ImportHistory::open(file, problem));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    std::vector<std::string> notes;
    EXPECT_FALSE(ImportRecorder::start(file, {}, notes));
    EXPECT_EQ(notes,
              std::vector<std::string>{"The import history couldn't be read: database is locked"});
    sqlite3_exec(other, "PRAGMA user_version=99; COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_FALSE(ImportHistory::open(file, problem));
    EXPECT_EQ(problem, "'" + file + "' was written by a newer version of Orvane");
}

// A history another program keeps locked holds a run up for seconds, not a minute, and the note
// says whether reading or writing failed.
TEST_F(ImportHistoryTest, ALockedHistoryIsWaitedForBrieflyAndTheNoteSaysWhatFailed) {
    const std::string source = tmp.path() + "/a.jpg";
    test::writeFile(source, "photo");
    struct stat status;
    ASSERT_EQ(::stat(source.c_str(), &status), 0);
    std::vector<std::string> notes;
    std::unique_ptr<ImportRecorder> recorder = ImportRecorder::start(file, {"/d", "r1"}, notes);
    ASSERT_TRUE(recorder) << (notes.empty() ? "" : notes.front());
    EXPECT_FALSE(recorder->priorCopy(0, source, status));
    recorder->entryHashed(0, ContentHash{1, 2}, ContentHash{3, 4});
    recorder->entryPublished(EntryCopy(0), "/d/2026/a.jpg", status);

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto begun = std::chrono::steady_clock::now();
    recorder->runEnded(false, {});
    const auto waited = std::chrono::steady_clock::now() - begun;
    EXPECT_LT(waited, std::chrono::seconds(5));
    EXPECT_EQ(notes, std::vector<std::string>{"The import history couldn't be written: Couldn't "
                                              "record the imports: database is locked"});
    sqlite3_exec(other, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(other);
}

TEST_F(ImportHistoryTest, AReadOnlyHistoryIsLeftAlone) {
    const std::string folder = tmp.path() + "/data";
    fs::create_directories(folder);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "mounting is refused here";
    ASSERT_TRUE(ImportHistory::open(file, problem)) << problem;
    ASSERT_EQ(::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    EXPECT_FALSE(ImportHistory::open(file, problem));
    EXPECT_FALSE(problem.empty());
    ::umount2(folder.c_str(), MNT_DETACH);
}

} // namespace
} // namespace orvane
