#include "base/RunStatus.h"
#include "merge/MergeEngine.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

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

    merge({first, second, first});

    EXPECT_EQ(result.resCopiedFiles, PathList{first});
    ASSERT_EQ(result.resErrorFiles, (PathList{second, first}));
    EXPECT_EQ(result.resErrorDict.at(second),
              "Can't overwrite existing file: Sorted/2005/03/17/a.jpg");
    EXPECT_EQ(readFile(root + "/2005/03/17/a.jpg"), "first");
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
    EXPECT_EQ(readFile(root + "/2006/01/02"), "a file where a folder belongs");
}

TEST_F(MergeTest, NameTakenDuringTheCopyIsNotOverwritten) {
    const std::string a = sources + "/a.jpg";
    writeFile(a, "ours", localTime(2005, 3, 17));
    engine.setHooks({[&](const std::string&, const std::string& destination) {
        writeFile(destination, "theirs");
    }});

    merge({a});

    EXPECT_EQ(result.resErrorDict.at(a), "Can't overwrite existing file: Sorted/2005/03/17/a.jpg");
    EXPECT_EQ(readFile(root + "/2005/03/17/a.jpg"), "theirs");
    int entries = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(root + "/2005/03/17"))
        ++entries;
    EXPECT_EQ(entries, 1) << "the temporary copy must be removed";
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

TEST_F(MergeTest, FolderWithBrokenLinkIsCopiedAndReportsTheLink) {
    const std::string folder = sources + "/Album.app";
    writeFile(folder + "/a.jpg", "a", localTime(2008, 8, 8));
    writeFile(folder + "/sub/b.jpg", "b", localTime(2008, 8, 9));
    ASSERT_EQ(symlink("missing-target", (folder + "/sub/broken").c_str()), 0);
    struct timespec times[2] = {{localTime(2008, 8, 7), 0}, {localTime(2008, 8, 7), 0}};
    utimensat(AT_FDCWD, (folder + "/sub").c_str(), times, 0);
    utimensat(AT_FDCWD, folder.c_str(), times, 0);

    merge({folder});

    ASSERT_EQ(result.resErrorFiles, PathList{folder});
    EXPECT_EQ(result.resErrorDict.at(folder),
              "Error reading attributes of  subfile 'sub/broken': No such file or directory");
    const std::string copy = root + "/2008/08/07/Album.app";
    EXPECT_EQ(readFile(copy + "/sub/b.jpg"), "b");
    char target[64] = {};
    ASSERT_GT(readlink((copy + "/sub/broken").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "missing-target");
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
    EXPECT_EQ(result.resSkippedDict.at(b), "Merge aborted");
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
        engine.setHooks({[&](const std::string& source, const std::string&) {
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
    engine.setExifReader([&](const char* path, const struct stat&) -> time_t {
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

} // namespace
} // namespace orvane
