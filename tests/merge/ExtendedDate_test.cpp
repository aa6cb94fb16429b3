// Dates of photos and videos outside JPEG and TIFF: the shared corpus of real files, the
// pairing of sidecars, and the inputs the fuzzer once found.

#include "merge/ContainerKind.h"
#include "merge/ExifDate.h"
#include "merge/ExtendedDate.h"
#include "merge/PairedFiles.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace orvane {
namespace {

using test::TimeZoneScope;

const test::Corpus& corpus() {
    static const test::Corpus found = test::findCorpus("formats");
    return found;
}

std::string formatsFolder() {
    return corpus().folder;
}

// The date the merge gives a file before falling back on its modification time.
time_t captureDate(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0)
        return -2;
    const time_t exif = exifDateForPath(path.c_str(), status);
    return exif != -1 ? exif : extendedDateForPath(path.c_str(), status);
}

std::string localText(time_t seconds) {
    if (seconds == -1)
        return "none";
    struct tm parts;
    localtime_r(&seconds, &parts);
    char text[64];
    strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

// The table gives wall-clock texts; a movie header's UTC time is given as it reads in UTC,
// so in another zone it is that instant in local time.
std::string expectedHere(const std::string& expected, const std::string& sourceTag) {
    if (expected == "none" || sourceTag != "QuickTime:CreateDate(UTC)")
        return expected;
    struct tm utc = {};
    strptime(expected.c_str(), "%Y-%m-%d %H:%M:%S", &utc);
    return localText(timegm(&utc));
}

void checkFormatsCorpus() {
    std::ifstream in(formatsFolder() + "/expected.tsv");
    std::string line, mismatches;
    std::getline(in, line); // header
    int rows = 0, dated = 0;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string file, format, expected, sourceTag;
        std::getline(fields, file, '\t');
        std::getline(fields, format, '\t');
        std::getline(fields, expected, '\t');
        std::getline(fields, sourceTag, '\t');
        const std::string got = localText(captureDate(formatsFolder() + "/" + file));
        const std::string want = expectedHere(expected, sourceTag);
        if (got != want)
            mismatches +=
                "  " + file + " (" + format + "): expected " + want + ", got " + got + "\n";
        ++rows;
        dated += got != "none";
    }
    EXPECT_EQ(mismatches, "");
    if (corpus().full) {
        EXPECT_EQ(rows, 100);
        EXPECT_EQ(dated, 39);
    } else {
        EXPECT_GT(dated, 0);
        EXPECT_GT(rows, dated);
    }
}

class FormatsCorpus : public ::testing::Test {
  protected:
    void SetUp() override {
        if (formatsFolder().empty())
            GTEST_SKIP() << "no formats corpus in " << corpus().searched;
    }
};

TEST_F(FormatsCorpus, MatchesTheTableInUtc) {
    TimeZoneScope zone("UTC");
    checkFormatsCorpus();
}

TEST_F(FormatsCorpus, MatchesTheTableInAZoneWithDaylightSaving) {
    TimeZoneScope zone("America/New_York");
    ASSERT_NE(test::localTime(2005, 7, 1, 12, 0, 0), 1120219200) << "no time zone data";
    checkFormatsCorpus();
}

TEST(ContainerKind, ChosenByContentNotName) {
    struct Case {
        std::string bytes;
        ContainerKind kind;
    };
    const std::string ftyp = std::string("\0\0\0\x18"
                                         "ftyp",
                                         8);
    const Case cases[] = {
        {"\xFF\xD8\xFF\xE1", ContainerKind::ExifMagic},
        {std::string("II*\0\x08\0\0\0", 8), ContainerKind::ExifMagic},
        {ftyp + std::string("heic\0\0\0\0mif1heic", 16), ContainerKind::StillImage},
        {ftyp + std::string("isom\0\0\0\0isomavif", 16), ContainerKind::StillImage},
        {ftyp + std::string("qt  \0\0\0\0qt  \0\0\0\0", 16), ContainerKind::Movie},
        {std::string("\0\0\0\x08wide", 8), ContainerKind::Movie},
        {std::string("RIFF\0\0\0\0WEBPVP8 ", 16), ContainerKind::StillImage},
        {std::string("RIFF\0\0\0\0AVI LIST", 16), ContainerKind::Movie},
        {std::string("IIRO\x08\0\0\0", 8), ContainerKind::StillImage},
        {"FOVb", ContainerKind::SigmaX3f},
        {std::string(4, '\0') + "\x47" + std::string(191, '\0') + "\x47", ContainerKind::MpegTs},
        {"plain text", ContainerKind::Unknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            containerKind(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size()),
            c.kind)
            << c.bytes;
}

TEST(PairedFiles, SidecarsAndPairsWithinOneFolder) {
    const PairedFiles pairs({"/a/IMG_1.CR2", "/a/img_1.xmp", "/a/IMG_1.JPG", "/a/IMG_1.CR2.xmp",
                             "/b/IMG_1.THM", "/a/IMG_10.aae", "/a/.xmp", "/a/notes", "/a/IMG_1.txt",
                             "/s/scan.jpg", "/s/scan.tif"});
    using List = std::vector<std::string>;
    EXPECT_EQ(pairs.partnersOf("/a/img_1.xmp"),
              (List{"/a/IMG_1.CR2", "/a/IMG_1.JPG", "/a/IMG_1.txt"}));
    EXPECT_EQ(pairs.partnersOf("/a/IMG_1.CR2.xmp"), (List{"/a/IMG_1.CR2"}));
    EXPECT_EQ(pairs.partnersOf("/a/IMG_1.JPG"), (List{"/a/IMG_1.CR2"}));
    EXPECT_EQ(pairs.partnersOf("/a/IMG_1.CR2"), (List{"/a/IMG_1.JPG"}));
    // Files that only share a name keep their own dates.
    EXPECT_EQ(pairs.partnersOf("/a/IMG_1.txt"), List{});
    EXPECT_EQ(pairs.partnersOf("/s/scan.jpg"), List{});
    EXPECT_EQ(pairs.partnersOf("/b/IMG_1.THM"), List{});
    EXPECT_EQ(pairs.partnersOf("/a/IMG_10.aae"), List{});
    EXPECT_EQ(pairs.partnersOf("/a/.xmp"), List{});
    EXPECT_TRUE(pairs.isPaired("/a/IMG_1.CR2"));
    EXPECT_FALSE(pairs.isPaired("/a/notes"));
}

// Inputs that once broke a reader, and the fuzzer's reduced corpus: each must answer, and
// the same from memory and from a file (the sanitizer build turns memory errors into failures).
TEST(ExtendedDate, FuzzFindingsAndCorpusStayFixed) {
    test::TempDir dir;
    int checked = 0;
    for (const char* folder : {"/tests/merge/data/formats-fuzz", "/fuzz/formats-corpus"})
        for (const auto& entry :
             std::filesystem::directory_iterator(std::string(ORVANE_REPO_DIR) + folder)) {
            const std::string contents = test::readFile(entry.path());
            const time_t fromMemory = extendedDateForBytes(
                reinterpret_cast<const unsigned char*>(contents.data()), contents.size());
            const std::string copy = dir / "finding";
            std::filesystem::remove(copy);
            test::writeFile(copy, contents);
            EXPECT_EQ(extendedDateForPath(copy.c_str(), test::statOf(copy)), fromMemory)
                << entry.path();
            ++checked;
        }
    EXPECT_GT(checked, 0);
}

} // namespace
} // namespace orvane
