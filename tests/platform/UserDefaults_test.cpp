#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace orvane {
namespace {

TEST(UserDefaults, RegisteredDefaultsOfAnEmptyStore) {
    test::TempDir tmp;
    UserDefaults d(tmp / "p.json");
    registerDefaults(d);
    EXPECT_EQ(d.integerForKey(keys::kDirLevels), 1);
    EXPECT_EQ(d.stringForKey(keys::kOneLevelDateFormat), "%Y-%m-%d");
    EXPECT_EQ(d.stringForKey(keys::kTwoLevelDateFormat), "%Y/%m-%d");
    EXPECT_EQ(d.stringForKey(keys::kThreeLevelDateFormat), "%Y/%m/%d");
    EXPECT_FALSE(d.boolForKey(keys::kCopyHiddenFiles));
    EXPECT_TRUE(d.boolForKey(keys::kUseExifData));
    EXPECT_TRUE(d.boolForKey(keys::kRememberPaths));
    EXPECT_TRUE(d.boolForKey(keys::kHidePathsInReport));
    EXPECT_EQ(d.stringArrayForKey(keys::kCopyFilePatterns), StringList{});
    EXPECT_EQ(d.stringForKey(keys::kMatchingMode), "only files that match:");
    EXPECT_EQ(d.integerForKey(keys::kCheckUpdateFrequency), 90);
    for (const char* key : {keys::kLastUpdateCheck, keys::kPreviousRuns, keys::kFirstRunTime,
                            keys::kLastTarget, keys::kLastSource, keys::kDebug}) {
        EXPECT_FALSE(d.objectForKey(key)) << key;
        EXPECT_EQ(d.integerForKey(key), 0) << key;
    }
}

TEST(UserDefaults, LayersTypesAndRemoval) {
    test::TempDir tmp;
    UserDefaults d(tmp / "p.json");
    d.setInteger(keys::kFirstRunTime, 1000000000);
    registerDefaults(d);
    EXPECT_EQ(d.integerForKey(keys::kLastUpdateCheck), 1000000000 - 7171200);
    d.setInteger(keys::kLastUpdateCheck, 5);
    EXPECT_EQ(d.integerForKey(keys::kLastUpdateCheck), 5) << "stored hides registered";

    d.setObject(keys::kLastTarget, std::string("/x"));
    d.removeObjectForKey(keys::kLastTarget);
    EXPECT_FALSE(d.objectForKey(keys::kLastTarget));

    d.setObject(keys::kDirLevels, std::string("2"));
    EXPECT_EQ(d.integerForKey(keys::kDirLevels), 1) << "a wrong type reads as absent";
    d.setObject(keys::kDebug, std::string("yes"));
    EXPECT_EQ(d.integerForKey(keys::kDebug), 0);
    EXPECT_FALSE(d.boolForKey(keys::kDebug));

    d.setInteger(keys::kDirLevels, 2);
    d.setObject(keys::kTwoLevelDateFormat, std::string("%Y/%B"));
    EXPECT_EQ(dirFormat(d), "%Y/%B");
    d.setInteger(keys::kDirLevels, 0);
    EXPECT_FALSE(dirFormat(d));
    d.setInteger(keys::kDirLevels, 4);
    EXPECT_FALSE(dirFormat(d));

    d.setArgumentValue(keys::kDirLevels, int64_t{3});
    EXPECT_EQ(d.integerForKey(keys::kDirLevels), 3);
    EXPECT_EQ(std::get<int64_t>(d.dictionaryRepresentation().at(keys::kDirLevels)), 3);
}

TEST(UserDefaults, SynchronizedValuesReachAnotherProcessAndMerge) {
    test::TempDir tmp;
    const std::string file = tmp / "p.json";
    UserDefaults mine(file);
    mine.setObject("OVLastTarget", std::string("/photos"));
    mine.setObject(keys::kCopyFilePatterns, StringList{"*.jpg", "*.nef"});
    ASSERT_TRUE(mine.synchronize());

    pid_t child = fork();
    if (child == 0) {
        UserDefaults theirs(file);
        bool ok = theirs.stringForKey("OVLastTarget") == "/photos" &&
                  theirs.stringArrayForKey(keys::kCopyFilePatterns) == StringList{"*.jpg", "*.nef"};
        theirs.setInteger(keys::kPreviousRuns, 7);
        ok = theirs.synchronize() && ok;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    mine.setBool(keys::kUseExifData, false);
    ASSERT_TRUE(mine.synchronize());
    UserDefaults reread(file);
    EXPECT_EQ(reread.integerForKey(keys::kPreviousRuns), 7) << "the other process's value stays";
    EXPECT_FALSE(reread.boolForKey(keys::kUseExifData));
    EXPECT_EQ(reread.stringForKey("OVLastTarget"), "/photos");
}

TEST(UserDefaults, CorruptOrOversizedFileIsMovedAsideAndKept) {
    for (const std::string& contents :
         {std::string("{ \"OVDirLevels\": 2, oops"), std::string(1024 * 1024 + 1, '[')}) {
        test::TempDir tmp;
        const std::string file = tmp / "p.json";
        test::writeFile(file, contents);
        test::LogCapture log;
        UserDefaults d(file);
        EXPECT_EQ(d.integerForKey(keys::kDirLevels), 0);
        EXPECT_FALSE(test::exists(file));
        int asides = 0;
        for (const auto& entry : std::filesystem::directory_iterator(tmp.path())) {
            if (entry.path().filename().string().rfind("p.json.corrupt-", 0) == 0) {
                ++asides;
                EXPECT_EQ(test::readFile(entry.path()), contents);
                EXPECT_TRUE(log.contains(entry.path().string()));
            }
        }
        EXPECT_EQ(asides, 1);
        EXPECT_TRUE(log.contains("WARN: Preference file '" + file + "'"));
    }
}

TEST(UserDefaults, UnreadableFileIsReportedAndNeverReplaced) {
    test::TempDir tmp;
    const std::string file = tmp / "p.json";
    std::filesystem::create_directories(file); // readable by no one, root included
    test::LogCapture log;
    UserDefaults d(file);
    EXPECT_TRUE(log.contains("WARN: Couldn't read preference file '" + file + "': 21-"));
    d.setObject(keys::kDirLevels, int64_t{2});
    EXPECT_FALSE(d.synchronize());
    EXPECT_TRUE(std::filesystem::is_directory(file));
}

TEST(UserDefaults, ConcurrentReadsWhileWriting) {
    test::TempDir tmp;
    UserDefaults d(tmp / "p.json");
    registerDefaults(d);
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        while (!stop) {
            auto format = dirFormat(d);
            ASSERT_TRUE(format);
            ASSERT_FALSE(format->empty());
        }
    });
    for (int i = 0; i < 2000; ++i) {
        d.setInteger(keys::kDirLevels, 1 + i % 3);
        d.setObject(keys::kThreeLevelDateFormat, std::string(i % 2 ? "%Y/%m/%d" : "%Y/%b/%d"));
    }
    stop = true;
    reader.join();
}

} // namespace
} // namespace orvane
