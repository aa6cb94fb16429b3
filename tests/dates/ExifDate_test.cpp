#include "dates/ExifDate.h"
#include "dates/ExifDateText.h"
#include "dates/ExifFixtures.h"
#include "dates/ExifTiff.h"
#include "support/ExifDateReference.h"
#include "support/LocaleScope.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <libexif/exif-data.h>
#include <sstream>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

using test::asciiField;
using test::ByteOrder;
using test::IfdField;
using test::jpegFile;
using test::jpegWithDates;
using test::localTime;
using test::tiffFile;
using test::TiffWriter;
using test::writeFile;

using test::TimeZoneScope;

std::string localText(time_t seconds) {
    if (seconds == -1)
        return "none";
    struct tm parts;
    localtime_r(&seconds, &parts);
    char text[64];
    strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

class ExifDateTest : public ::testing::Test {
  protected:
    // The date of a file holding `contents`.
    time_t dateOf(const std::string& contents, const std::string& name = "photo.jpg") {
        const std::string path = tmp / name;
        writeFile(path, contents);
        return exifDateForPath(path.c_str(), test::statOf(path));
    }

    test::TempDir tmp;
};

// --- Which tag wins ------------------------------------------------------------------------

TEST_F(ExifDateTest, DateTimeOriginalWinsOverDateTime) {
    test::LogCapture log;
    EXPECT_EQ(dateOf(jpegWithDates("2005:03:17 14:22:05", "2006:01:01 00:00:00")),
              localTime(2005, 3, 17, 14, 22, 5));
    EXPECT_TRUE(log.contains("Parsed out EXIF_TAG_DATE_TIME_ORIGINAL date '2005:03:17 14:22:05' "
                             "to: '2005:3:17 14:22:5' yielding UNIX time "));
    EXPECT_FALSE(log.contains("EXIF_TAG_DATE_TIME date")) << "DateTime must not be read";
}

TEST_F(ExifDateTest, DateTimeOfIfd0WhenThereIsNoOriginal) {
    EXPECT_EQ(dateOf(jpegWithDates("", "2004:02:29 23:59:59")), localTime(2004, 2, 29, 23, 59, 59));
}

TEST_F(ExifDateTest, BlankOriginalLogsTheMonthAndTheSearchGoesOn) {
    test::LogCapture log;
    EXPECT_EQ(dateOf(jpegWithDates("    :  :     :  :  ", "2006:01:02 03:04:05")),
              localTime(2006, 1, 2, 3, 4, 5));
    EXPECT_TRUE(log.contains("DEBUG: Invalid date in EXIF data (month): '    :  :     :  :  ' "
                             "from tag: EXIF_TAG_DATE_TIME_ORIGINAL"));
}

TEST_F(ExifDateTest, AllZeroDateIsNoDate) {
    {
        test::LogCapture log;
        EXPECT_EQ(dateOf(jpegWithDates("0000:00:00 00:00:00", "")), -1);
        EXPECT_TRUE(log.contains("DEBUG: No date in EXIF data: '0000:00:00 00:00:00' from tag: "
                                 "EXIF_TAG_DATE_TIME_ORIGINAL"));
        EXPECT_FALSE(log.contains("Parsed out"));
    }
    // The search goes on past it.
    EXPECT_EQ(dateOf(jpegWithDates("0000:00:00 00:00:00", "2007:08:09 10:11:12")),
              localTime(2007, 8, 9, 10, 11, 12));
    // Only year, month and day all zero mean "unset": midnight of a real day is a date.
    EXPECT_EQ(dateOf(jpegWithDates("2007:08:09 00:00:00", "")), localTime(2007, 8, 9, 0, 0, 0));
}

TEST_F(ExifDateTest, OriginalInAnotherFormatThanAsciiIsIgnored) {
    TiffWriter w(ByteOrder::Intel);
    const std::string text = std::string("2001:01:01 01:01:01") + '\0';
    const IfdField undefinedOriginal{test::kTagDateTimeOriginal, test::kFormatUndefined, 20, text};
    const std::string tiff =
        tiffFile(ByteOrder::Intel, {asciiField(test::kTagDateTime, "2002:02:02 02:02:02")},
                 {undefinedOriginal});

    // The entry does reach the data; it is the reader that passes it over.
    ExifData* data = loadExifFromTiff(reinterpret_cast<const unsigned char*>(tiff.data()),
                                      static_cast<uint32_t>(tiff.size()));
    ExifEntry* entry =
        exif_content_get_entry(data->ifd[EXIF_IFD_EXIF], EXIF_TAG_DATE_TIME_ORIGINAL);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->format, EXIF_FORMAT_UNDEFINED);
    exif_data_free(data);

    EXPECT_EQ(dateOf(tiff, "a.tif"), localTime(2002, 2, 2, 2, 2, 2));
}

// --- TIFF ----------------------------------------------------------------------------------

TEST_F(ExifDateTest, TiffInBothByteOrders) {
    EXPECT_EQ(dateOf(tiffFile(ByteOrder::Motorola,
                              {asciiField(test::kTagDateTime, "2003:04:05 06:07:08")}),
                     "big.tif"),
              localTime(2003, 4, 5, 6, 7, 8));
    EXPECT_EQ(dateOf(tiffFile(ByteOrder::Intel, {},
                              {asciiField(test::kTagDateTimeOriginal, "2003:04:05 06:07:09")}),
                     "little.tif"),
              localTime(2003, 4, 5, 6, 7, 9));
    EXPECT_EQ(dateOf(tiffFile(ByteOrder::Motorola, {},
                              {asciiField(test::kTagDateTimeOriginal, "2003:04:05 06:07:10")}),
                     "big.nef"),
              localTime(2003, 4, 5, 6, 7, 10));
}

TEST_F(ExifDateTest, NothingPastTheFirst65534BytesOfATiffIsRead) {
    const std::vector<IfdField> dated = {asciiField(test::kTagDateTime, "2008:01:01 12:00:00")};
    // Image data first, IFDs behind it.
    EXPECT_EQ(dateOf(tiffFile(ByteOrder::Intel, dated, {}, 40000), "near.tif"),
              localTime(2008, 1, 1, 12, 0, 0));
    EXPECT_EQ(dateOf(tiffFile(ByteOrder::Intel, dated, {}, 65536), "far.tif"), -1);
    EXPECT_EQ(dateOf(tiffFile(ByteOrder::Motorola, dated, {}, 4160008), "farther.tif"), -1);

    // IFD 0 inside the bound, the date's text outside it.
    TiffWriter w(ByteOrder::Intel);
    std::string file = w.header(65000);
    file.resize(65000, '\0');
    file += w.u16(1) + w.u16(test::kTagDateTime) + w.u16(test::kFormatAscii) + w.u32(20) +
            w.u32(70000) + w.u32(0);
    file.resize(70000, '\0');
    file += std::string("2008:01:01 12:00:00") + '\0';
    EXPECT_EQ(dateOf(file, "split.tif"), -1);
}

TEST_F(ExifDateTest, Ifd1OnlyWhenItsOffsetIsInsideTheBound) {
    // The link to IFD 1 points to the last bytes of the file; loading must stay in bounds.
    TiffWriter w(ByteOrder::Intel);
    const std::vector<IfdField> dated = {asciiField(test::kTagDateTime, "2009:09:09 09:09:09")};
    std::string file = w.header(8) + w.ifd(8, dated, 0);
    const uint32_t linkAt = 8 + 2 + 12;
    const uint32_t size = static_cast<uint32_t>(file.size());
    for (uint32_t ifd1 : {size - 5, size - 1, size, size + 100, 0xffffffffu}) {
        std::string variant = file;
        variant.replace(linkAt, 4, w.u32(ifd1));
        EXPECT_EQ(dateOf(variant, "link.tif"), localTime(2009, 9, 9, 9, 9, 9)) << ifd1;
    }
}

// libexif's clean-up pass, which the reader skips, drops the entries of IFD 1 when there is
// no thumbnail and tags an IFD does not record: such dates are no dates.
TEST_F(ExifDateTest, DatesTheCleanUpPassWouldDropAreNoDates) {
    TiffWriter w(ByteOrder::Intel);
    const std::vector<IfdField> other = {w.longField(0x0100, 640)}; // ImageWidth
    const std::vector<IfdField> dated = {asciiField(test::kTagDateTime, "2009:09:09 09:09:09")};
    std::string inIfd1 = w.header(8) + w.ifd(8, other, 8 + TiffWriter::ifdSize(other));
    inIfd1 += w.ifd(static_cast<uint32_t>(inIfd1.size()), dated);
    const std::vector<std::string> files = {
        inIfd1,
        tiffFile(ByteOrder::Motorola,
                 {asciiField(test::kTagDateTimeOriginal, "2009:09:09 09:09:09")}),
    };
    for (const std::string& file : files) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
        EXPECT_EQ(exifDateForBytes(bytes, file.size()), -1);
        EXPECT_EQ(test::exifDateWithLibexifDefaults(bytes, file.size()), -1);
    }
}

// --- Files that are no JPEG or TIFF, and other failures ------------------------------------

TEST_F(ExifDateTest, FilesThatAreNotJpegOrTiff) {
    const char* kSkipped = "DEBUG: Not JPEG or TIFF format. Skipped EXIF meta data lookup";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"image.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
        {"notes.txt", "2005:03:17 14:22:05 was a good day\n"},
        {"two.jpg", "\xFF\xD8"},
        {"four.tif", std::string("II*\0", 4)},
        {"bigtiff.tif", std::string("II+\0\x08\0\0\0", 8)},
    };
    for (const auto& [name, contents] : files) {
        test::LogCapture log;
        EXPECT_EQ(dateOf(contents, name), -1) << name;
        EXPECT_TRUE(log.contains(kSkipped)) << name;
    }
}

TEST_F(ExifDateTest, JpegWithoutExifAnswersWithoutALogLine) {
    test::LogCapture log;
    const std::string jfif =
        std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20) + "\xFF\xD9";
    EXPECT_EQ(dateOf(jfif), -1);
    EXPECT_EQ(log.text(), "");
}

TEST_F(ExifDateTest, EmptyFileCannotBeMapped) {
    test::LogCapture log;
    EXPECT_EQ(dateOf(""), -1);
    EXPECT_TRUE(log.contains("ERR: Couldn't map file " + tmp / "photo.jpg" +
                             " into memory for exif parse: 22-Invalid argument"))
        << log.text();
}

TEST_F(ExifDateTest, NonRegularFilesAreNotOpened) {
    const std::string folder = tmp / "Album.jpg";
    const std::string fifo = tmp / "pipe.jpg";
    std::filesystem::create_directory(folder);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {folder, fifo}) {
        test::LogCapture log;
        // Opening the pipe would block: answering at all shows it was not opened.
        EXPECT_EQ(exifDateForPath(path.c_str(), test::statOf(path)), -1);
        EXPECT_TRUE(log.contains("DEBUG: Skipping EXIF read on non-regular file " + path));
    }
}

TEST_F(ExifDateTest, VanishedFileCannotBeOpened) {
    test::LogCapture log;
    const std::string path = tmp / "gone.jpg";
    writeFile(path, jpegWithDates("2005:03:17 14:22:05", ""));
    const struct stat status = test::statOf(path);
    std::filesystem::remove(path);
    EXPECT_EQ(exifDateForPath(path.c_str(), status), -1);
    EXPECT_TRUE(log.contains("DEBUG: Couldn't open file " + path +
                             " for reading exif data: 2-No such file or directory"));
}

// --- Hostile files -------------------------------------------------------------------------

TEST_F(ExifDateTest, LoopsBetweenIfdsEnd) {
    TiffWriter w(ByteOrder::Intel);
    const std::vector<IfdField> dated = {asciiField(test::kTagDateTime, "2010:10:10 10:10:10")};
    // IFD 0 links to itself as IFD 1.
    EXPECT_EQ(dateOf(w.header(8) + w.ifd(8, dated, 8), "self.tif"),
              localTime(2010, 10, 10, 10, 10, 10));
    // The EXIF pointer names IFD 0, and the EXIF IFD itself.
    for (uint32_t target : {8u, 8u + 2 + 12 * 2 + 4 + 20}) {
        std::vector<IfdField> fields = dated;
        fields.push_back(w.longField(test::kTagExifPointer, target));
        std::string file = w.header(8) + w.ifd(8, fields, 0);
        EXPECT_EQ(dateOf(file, "loop.tif"), localTime(2010, 10, 10, 10, 10, 10)) << target;
    }
}

TEST_F(ExifDateTest, AbsurdCountsAndOffsetsAnswerNoDate) {
    TiffWriter w(ByteOrder::Motorola);
    // 65535 entries announced, a dozen bytes present.
    EXPECT_EQ(dateOf(w.header(8) + w.u16(0xffff) + std::string(12, '\x01'), "count.tif"), -1);
    // The text of the date lies far past the end.
    std::string far = w.header(8) + w.u16(1) + w.u16(test::kTagDateTime) +
                      w.u16(test::kFormatAscii) + w.u32(20) + w.u32(0x7ffffff0) + w.u32(0);
    EXPECT_EQ(dateOf(far, "offset.tif"), -1);
    // A component count that overflows 32 bits when multiplied by the size of the format.
    std::string huge = w.header(8) + w.u16(1) + w.u16(test::kTagDateTime) +
                       w.u16(test::kFormatLong) + w.u32(0x40000001) + w.u32(26) + w.u32(0);
    EXPECT_EQ(dateOf(huge, "huge.tif"), -1);
    // IFD 0 offset past the end of a short file.
    EXPECT_EQ(dateOf(w.header(0xfffffff0) + std::string(8, '\0'), "ifd0.tif"), -1);
}

TEST_F(ExifDateTest, TruncatedJpegs) {
    const std::string whole = jpegWithDates("2011:11:11 11:11:11", "2012:12:12 12:12:12");
    // The EXIF block's length promises more than the file has: each cut answers no date or
    // the date that survived the cut, never garbage.
    const time_t original = localTime(2011, 11, 11, 11, 11, 11);
    const time_t dateTime = localTime(2012, 12, 12, 12, 12, 12);
    for (size_t cut = 3; cut < whole.size(); ++cut) {
        const time_t date = dateOf(whole.substr(0, cut), "cut.jpg");
        EXPECT_TRUE(date == -1 || date == original || date == dateTime) << cut << ": " << date;
    }
    // Cut after the EXIF block, inside the next segment: the date is all there.
    EXPECT_EQ(dateOf(whole.substr(0, whole.size() - 1), "cut.jpg"),
              localTime(2011, 11, 11, 11, 11, 11));
}

// A file that another program shortens while it is mapped must not end the run.
TEST_F(ExifDateTest, FileShortenedWhileMapped) {
    // The EXIF block sits in the second page, so that both a cut to nothing and a cut after
    // the first page fault.
    const std::string dated = jpegWithDates("2013:01:02 03:04:05", "");
    std::string file = std::string("\xFF\xD8\xFF\xFE", 4);
    const size_t commentLength = 6000;
    file += char(commentLength >> 8);
    file += char(commentLength & 0xff);
    file += std::string(commentLength - 2, 'c');
    file += dated.substr(2);
    const long page = sysconf(_SC_PAGESIZE);
    ASSERT_GT(file.size(), size_t(page));
    const std::string path = tmp / "shrinking.jpg";

    for (off_t cut : {off_t(0), off_t(page)}) {
        writeFile(path, file);
        const int fd = open(path.c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        const auto length = static_cast<uint32_t>(file.size());
        void* mapping = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
        ASSERT_NE(mapping, MAP_FAILED);
        const auto* bytes = static_cast<const unsigned char*>(mapping);

        EXPECT_EQ(exifDateForMappedFile(path.c_str(), bytes, length),
                  localTime(2013, 1, 2, 3, 4, 5));
        ASSERT_EQ(ftruncate(fd, cut), 0);
        test::LogCapture log;
        EXPECT_EQ(exifDateForMappedFile(path.c_str(), bytes, length), -1) << cut;
        EXPECT_TRUE(log.contains("DEBUG: Couldn't read file " + path +
                                 " for exif data: 5-Input/output error"))
            << log.text();
        munmap(mapping, length);
        close(fd);
    }
}

// Inputs that once broke the reader: each must answer the same from memory and from a file.
TEST_F(ExifDateTest, FuzzFindingsStayFixed) {
    const std::string folder = std::string(ORVANE_REPO_DIR) + "/tests/dates/data/exif-fuzz";
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename() == "README.md")
            continue;
        const std::string contents = test::readFile(entry.path());
        const time_t fromMemory =
            exifDateForBytes(reinterpret_cast<const unsigned char*>(contents.data()),
                             static_cast<uint32_t>(contents.size()));
        EXPECT_EQ(dateOf(contents, "finding"), fromMemory) << entry.path();
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

// --- The date text -------------------------------------------------------------------------

TEST(ExifDateText, FieldsAreNormalisedNotChecked) {
    EXPECT_EQ(unixTimeFromExifDate("2005:13:01 00:00:00", "T"), localTime(2006, 1, 1, 0, 0, 0));
    EXPECT_EQ(unixTimeFromExifDate("2005:03:00 00:00:00", "T"), localTime(2005, 2, 28, 0, 0, 0));
    // Leading blanks, trailing garbage, single digits.
    EXPECT_EQ(unixTimeFromExifDate("2005: 3:17 14:22:05Z", "T"), localTime(2005, 3, 17, 14, 22, 5));
    EXPECT_EQ(unixTimeFromExifDate("2005:3:7 4:2:5", "T"), localTime(2005, 3, 7, 4, 2, 5));
    // A run of separators counts as one.
    EXPECT_EQ(unixTimeFromExifDate("2005:03:17  14::22:05", "T"),
              localTime(2005, 3, 17, 14, 22, 5));
    // After 2038.
    EXPECT_EQ(unixTimeFromExifDate("2099:08:12 19:59:29", "T"), localTime(2099, 8, 12, 19, 59, 29));
}

TEST(ExifDateText, MissingFieldsAreNamed) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"", "No date in EXIF data: '' from tag: T"},
        {":::", "No date in EXIF data: ':::' from tag: T"},
        {"2005", "Invalid date in EXIF data (month): '2005' from tag: T"},
        {"2005:03", "Invalid date in EXIF data (day): '2005:03' from tag: T"},
        {"2005:03:17", "Invalid date in EXIF data (hour): '2005:03:17' from tag: T"},
        {"2005:03:17 14", "Invalid date in EXIF data (minute): '2005:03:17 14' from tag: T"},
        {"2005:03:17 14:22", "Invalid date in EXIF data (second): '2005:03:17 14:22' from tag: T"},
        {"2004-07-13T21:23:44Z",
         "Invalid date in EXIF data (hour): '2004-07-13T21:23:44Z' from tag: T"},
    };
    for (const auto& [text, line] : cases) {
        test::LogCapture log;
        EXPECT_EQ(unixTimeFromExifDate(text, "T"), -1) << text;
        EXPECT_TRUE(log.contains(line)) << log.text();
    }
}

TEST(ExifDateText, ExtremeNumbersDoNotOverflow) {
    for (const char* text :
         {"-2147483648:-2147483648:-2147483648 -2147483648:-2147483648:-2147483648",
          "2147483647:2147483647:2147483647 2147483647:2147483647:2147483647",
          "99999999999999:1:1 0:0:0"}) {
        test::LogCapture log;
        EXPECT_NO_FATAL_FAILURE(unixTimeFromExifDate(text, "T"));
        EXPECT_TRUE(log.contains("Parsed out T date")) << text;
    }
}

TEST(ExifDateText, ReadAsLocalTimeWithDaylightSaving) {
    TimeZoneScope zone("Europe/Berlin");
    EXPECT_EQ(unixTimeFromExifDate("2005:07:01 12:00:00", "T"), 1120212000); // 10:00 UTC
    EXPECT_EQ(unixTimeFromExifDate("2005:01:01 12:00:00", "T"), 1104577200); // 11:00 UTC
    EXPECT_EQ(localText(unixTimeFromExifDate("2005:03:27 01:59:59", "T")), "2005-03-27 01:59:59");
    EXPECT_EQ(localText(unixTimeFromExifDate("2005:10:30 03:00:00", "T")), "2005-10-30 03:00:00");
}

// --- The real-world corpus -----------------------------------------------------------------

struct CorpusRow {
    std::string file;
    std::string type;
    std::string tag;
    std::string expected;
};

const test::Corpus& corpus() {
    static const test::Corpus found = test::findCorpus("exif");
    return found;
}

std::string corpusFolder() {
    return corpus().folder;
}

std::vector<CorpusRow> readCorpusTable() {
    std::vector<CorpusRow> rows;
    std::ifstream in(corpusFolder() + "/expected.tsv");
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        CorpusRow row;
        std::getline(fields, row.file, '\t');
        std::getline(fields, row.type, '\t');
        std::getline(fields, row.tag, '\t');
        std::getline(fields, row.expected, '\t');
        if (!row.file.empty())
            rows.push_back(row);
    }
    return rows;
}

void checkCorpus() {
    const std::vector<CorpusRow> rows = readCorpusTable();
    ASSERT_GT(rows.size(), corpus().full ? 200u : 5u);
    std::string mismatches;
    int dated = 0;
    for (const CorpusRow& row : rows) {
        const std::string path = corpusFolder() + "/" + row.file;
        struct stat status;
        ASSERT_EQ(stat(path.c_str(), &status), 0) << path;
        const std::string got = localText(exifDateForPath(path.c_str(), status));
        if (got != row.expected)
            mismatches += "  " + row.file + ": expected " + row.expected + ", got " + got + "\n";
        if (got != "none")
            ++dated;
    }
    EXPECT_EQ(mismatches, "");
    if (corpus().full)
        EXPECT_EQ(dated, 82);
    else
        EXPECT_GT(dated, 0);
}

class ExifCorpus : public ::testing::Test {
  protected:
    void SetUp() override {
        if (corpusFolder().empty())
            GTEST_SKIP() << "no EXIF corpus in " << corpus().searched;
    }
};

TEST_F(ExifCorpus, MatchesTheTableInUtc) {
    TimeZoneScope zone("UTC");
    checkCorpus();
}

// The window runs under the user's locale; EXIF dates are read the same under any.
TEST_F(ExifCorpus, MatchesTheTableUnderForeignLocales) {
    TimeZoneScope zone("UTC");
    for (const char* name : test::kForeignLocales) {
        test::LocaleScope locale(name);
        if (!locale.active())
            GTEST_SKIP() << "the locale " << name << " is not installed (scripts/deps.sh makes it)";
        SCOPED_TRACE(name);
        checkCorpus();
    }
}

// The reader skips libexif's clean-up pass for speed; on every file of the shared samples
// (and the fuzz findings) it must answer what libexif's default loading answers.
TEST_F(ExifCorpus, SameDatesAsLibexifDefaults) {
    int compared = 0;
    std::string mismatches;
    for (const std::string& folder :
         {corpusFolder() + "/..", std::string(ORVANE_REPO_DIR) + "/tests/dates/data"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file())
                continue;
            const std::string contents = test::readFile(entry.path());
            const auto* bytes = reinterpret_cast<const unsigned char*>(contents.data());
            const auto length = static_cast<uint32_t>(contents.size());
            const time_t fast = exifDateForBytes(bytes, length);
            const time_t reference = test::exifDateWithLibexifDefaults(bytes, length);
            if (fast != reference)
                mismatches += "  " + entry.path().string() + ": " + localText(fast) + " vs " +
                              localText(reference) + "\n";
            ++compared;
        }
    }
    EXPECT_EQ(mismatches, "");
    EXPECT_GT(compared, corpus().full ? 200 : 20);
}

TEST_F(ExifCorpus, MatchesTheTableInZonesWithDaylightSaving) {
    for (const char* name : {"Europe/Berlin", "America/New_York", "Australia/Sydney"}) {
        SCOPED_TRACE(name);
        TimeZoneScope zone(name);
        // An unknown zone would silently mean UTC (the scripts/deps.sh package tzdata).
        ASSERT_NE(localTime(2005, 7, 1, 12, 0, 0), 1120219200) << "no time zone data for " << name;
        checkCorpus();
    }
}

} // namespace
} // namespace orvane
