// The time settings of a run on real files, in three zones of the computer: the dates read
// from files, corrected as the settings say, and the day folder each lands in.

#include "base/TimeSettings.h"
#include "dates/Dater.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace orvane {
namespace {

std::string localText(time_t seconds) {
    struct tm parts;
    localtime_r(&seconds, &parts);
    char text[64];
    strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

TEST(TimeSettings, ParsesWhatUsersTypeAndNothingElse) {
    EXPECT_EQ(parseClockShift("+7:00"), 7 * 3600);
    EXPECT_EQ(parseClockShift("-0:30"), -1800);
    EXPECT_EQ(parseClockShift("23:59:59"), 86399);
    for (const char* bad : {"25:00", "24:00", "+7", "7:0", "7:60", "+-1:00", "1:00:", "", " 1:00"})
        EXPECT_FALSE(parseClockShift(bad)) << bad;
    EXPECT_EQ(parseDayStart("04:00"), 4 * 3600);
    for (const char* bad : {"7", "4:00", "24:00", "04:60", "04:00:00"})
        EXPECT_FALSE(parseDayStart(bad)) << bad;
    EXPECT_EQ(clockShiftText(-5400), "-01:30");
    EXPECT_EQ(clockShiftText(3615), "+01:00:15");
    EXPECT_EQ(parseClockShift(clockShiftText(-3615)), -3615);
}

struct Case {
    std::string file; // below the shared test data
    long shift;
    const char* zone; // empty: the computer's
    bool videoClockLocal;
    long dayStartsAt;
    const char* date;      // as the computer's zone shows it
    const char* folderDay; // the day whose folder it goes to
};

TEST(Dater, TimeSettingsOnRealFilesInThreeZones) {
    const std::string data = ORVANE_TESTDATA_DIR;
    if (!std::filesystem::exists(data + "/formats/expected.tsv"))
        GTEST_SKIP() << "no shared test data at " << data;
    const std::string mp4 = "formats/drewnoakes/metadata-extractor-images/mp4/";
    const Case cases[] = {
        // A shift crosses the end of February; a day starting at 04:00 keeps it in February.
        {"exif/gomfunkel/node-exif/test/short-ascii-II.jpg", 0, "", false, 0, "2015-02-28 17:10:49",
         "2015-02-28"},
        {"exif/gomfunkel/node-exif/test/short-ascii-II.jpg", 7 * 3600, "Asia/Bangkok", false,
         4 * 3600, "2015-03-01 00:10:49", "2015-02-28"},
        // A HEIC's EXIF date is the camera's wall clock: zones leave it alone.
        {"formats/drewnoakes/metadata-extractor-images/heic/Issue 487.heic", -3600,
         "America/New_York", false, 0, "2020-06-30 10:27:59", "2020-06-30"},
        // An Apple creation date with an offset wins over the movie header as written.
        {"formats/drewnoakes/metadata-extractor-images/mov/with-gps.mov", 0, "Asia/Tokyo", false, 0,
         "2019-07-24 11:25:40", "2019-07-24"},
        // Movie headers hold UTC: shown in the zone of the shoot, on both sides of a change
        // of daylight saving time (Berlin: +2 in October 2005, +1 in December).
        {mp4 + "sample_mpeg4.mp4", 0, "Europe/Berlin", false, 0, "2005-10-28 19:46:46",
         "2005-10-28"},
        {"formats/drewnoakes/metadata-extractor-images/m4v/sample_iPod.m4v", 0, "Europe/Berlin",
         false, 0, "2005-12-20 21:20:15", "2005-12-20"},
        {mp4 + "Issue 515 (java).mp4", 0, "Asia/Bangkok", false, 0, "2020-11-20 21:04:36",
         "2020-11-20"},
        {mp4 + "Issue 515 (java).mp4", -5400, "Asia/Bangkok", false, 0, "2020-11-20 19:34:36",
         "2020-11-20"},
        // An action camera that writes its local time into the header.
        {mp4 + "Issue 515 (java).mp4", 0, "Asia/Bangkok", true, 0, "2020-11-20 14:04:36",
         "2020-11-20"},
        {mp4 + "sample_mpeg4.mp4", 0, "America/Los_Angeles", false, 11 * 3600,
         "2005-10-28 10:46:46", "2005-10-27"},
    };
    for (const char* computer : {"UTC", "America/New_York", "Asia/Tokyo"}) {
        test::TimeZoneScope scope(computer);
        for (const Case& c : cases) {
            DatingRules rules;
            rules.time = {c.shift, c.zone, c.videoClockLocal, c.dayStartsAt};
            if (*c.zone)
                rules.zone = ShootZone::named(c.zone);
            Dater dater(rules);
            const std::string path = data + "/" + c.file;
            dater.prepareRun({path}, time(nullptr));
            const EntryDate dated = dater.dateOf(path, test::statOf(path));
            EXPECT_EQ(localText(dated.date), c.date) << c.file << " on a computer in " << computer;
            EXPECT_EQ(localText(dater.folderDateOf(dated.date)).substr(0, 10), c.folderDay)
                << c.file << " on a computer in " << computer;
        }
    }
}

} // namespace
} // namespace orvane
