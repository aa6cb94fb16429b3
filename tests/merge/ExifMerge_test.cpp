#include "base/RunStatus.h"
#include "dates/ExifFixtures.h"
#include "merge/MergeEngine.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::localTime;
using test::writeFile;

// The merge dates photos by their EXIF capture date when asked to, else by their
// modification time.
class ExifMergeTest : public ::testing::Test {
  protected:
    ExifMergeTest() : defaults(tmp / "prefs.json"), engine(defaults, status, result) {
        registerDefaults(defaults);
        defaults.setInteger(keys::kDirLevels, 3);
        std::filesystem::create_directories(root);
        status.mergeState = kMergeRunning;
        writeFile(dated, test::jpegWithDates("2005:03:17 14:22:05", ""),
                  localTime(2011, 6, 5, 10, 0, 0));
        writeFile(unset, test::jpegWithDates("0000:00:00 00:00:00", ""),
                  localTime(2012, 7, 8, 9, 0, 0));
        writeFile(notes, "no EXIF here", localTime(2013, 8, 9, 10, 0, 0));
    }

    test::TempDir tmp;
    UserDefaults defaults;
    RunStatus status;
    RunResult result;
    MergeEngine engine;
    std::string root = tmp / "Sorted";
    std::string dated = tmp / "src/dated.jpg";
    std::string unset = tmp / "src/unset.jpg";
    std::string notes = tmp / "src/notes.txt";
};

TEST_F(ExifMergeTest, PhotosLandOnTheDayTheyWereTaken) {
    test::LogCapture log;
    ASSERT_TRUE(defaults.boolForKey(keys::kUseExifData)) << "on by default";
    engine.mergeFiles({dated, unset, notes}, root);

    EXPECT_EQ(result.resCopiedDict.at(dated), "2005/03/17");
    // A camera clock that was never set gives no date: the modification time is used.
    EXPECT_EQ(result.resCopiedDict.at(unset), "2012/07/08");
    EXPECT_EQ(result.resCopiedDict.at(notes), "2013/08/09");
    EXPECT_TRUE(log.contains("Couldn't get date from EXIF meta data. Falling back on last "
                             "modification date: " +
                             std::to_string(localTime(2012, 7, 8, 9, 0, 0))));
    EXPECT_TRUE(test::exists(root + "/2005/03/17/dated.jpg"));
}

TEST_F(ExifMergeTest, WithoutExifEveryFileGoesByItsModificationTime) {
    test::LogCapture log;
    defaults.setBool(keys::kUseExifData, false);
    engine.mergeFiles({dated, unset, notes}, root);

    EXPECT_EQ(result.resCopiedDict.at(dated), "2011/06/05");
    EXPECT_EQ(result.resCopiedDict.at(unset), "2012/07/08");
    EXPECT_FALSE(log.contains("Falling back"));
    EXPECT_FALSE(log.contains("EXIF_TAG"));
}

// Dates are read ahead on other threads; the merge must still log each entry's reading in
// its turn, and date a file that changed after it was read ahead by what it holds now.
TEST_F(ExifMergeTest, DatesReadAheadKeepTheLogInEntryOrder) {
    PathList list;
    for (int i = 0; i < 30; ++i) {
        list.push_back(tmp / ("src/p" + std::to_string(i) + (i % 2 ? ".txt" : ".jpg")));
        writeFile(list.back(),
                  i % 2
                      ? "text"
                      : test::jpegWithDates("2005:03:" + std::to_string(10 + i) + " 12:00:00", ""),
                  localTime(2011, 6, 5, 10, 0, 0));
    }
    engine.setHooks({.beforePublish = [&](const std::string& source, const std::string&) {
        if (source == list[0])
            writeFile(list[10], test::jpegWithDates("2007:07:07 12:00:00", ""));
    }});
    test::LogCapture log;
    engine.mergeFiles(list, root);

    EXPECT_EQ(result.resCopiedDict.at(list[10]), "2007/07/07");
    EXPECT_EQ(result.resCopiedDict.at(list[12]), "2005/03/22");
    const std::string text = log.text();
    for (int i = 0; i < 30; ++i) {
        const size_t begin = text.find("Beginning copy for original file '" + list[i] + "'");
        ASSERT_NE(begin, std::string::npos) << i;
        const size_t end = i + 1 < 30 ? text.find("Beginning copy", begin + 1) : text.size();
        const std::string entryLog = text.substr(begin, end - begin);
        const std::string expected = i == 10 ? "'2007:07:07 12:00:00'"
                                     : i % 2 ? "Not JPEG or TIFF format"
                                             : "'2005:03:" + std::to_string(10 + i) + " 12:00:00'";
        EXPECT_NE(entryLog.find(expected), std::string::npos) << i << ": " << entryLog;
    }
}

} // namespace
} // namespace orvane
