// Folders and names made by templates, over files on disk: the merge, its plan and undo.
#include "base/RunStatus.h"
#include "dates/ExifFixtures.h"
#include "history/JournalFile.h"
#include "history/RunJournal.h"
#include "history/RunUndo.h"
#include "merge/MergeEngine.h"
#include "merge/RunPlan.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;
using test::localTime;
using test::writeFile;

constexpr uint16_t kTagMake = 0x010F;
constexpr uint16_t kTagModel = 0x0110;

class TemplatesTest : public ::testing::Test {
  protected:
    TemplatesTest() : defaults(tmp / "prefs.json"), root(tmp / "Sorted"), src(tmp / "src") {
        registerDefaults(defaults);
        fs::create_directories(root);
    }

    // A photo with an EXIF date and, when `model` is given, a camera: a JPEG, or a TIFF
    // structure under a RAW name.
    std::string photo(const std::string& name, const std::string& date,
                      const std::string& model = {}) {
        std::vector<test::IfdField> ifd0;
        if (!model.empty())
            ifd0 = {test::asciiField(kTagMake, "Canon"), test::asciiField(kTagModel, model)};
        const std::string tiff = test::tiffFile(
            test::ByteOrder::Intel, ifd0, {test::asciiField(test::kTagDateTimeOriginal, date)});
        const bool jpeg =
            name.find(".JPG") != std::string::npos || name.find(".jpg") != std::string::npos;
        writeFile(src + "/" + name, jpeg ? test::jpegFile(tiff) : tiff);
        return src + "/" + name;
    }
    std::string other(const std::string& name, time_t date) {
        writeFile(src + "/" + name, name, date);
        return src + "/" + name;
    }

    // Runs the merge and answers every file below the root, relative to it.
    std::vector<std::string> merge(const PathList& list, FileSystemTypeProbe probe = {}) {
        RunStatus status;
        status.mergeState = kMergeRunning;
        result = RunResult();
        MergeEngine engine(defaults, status, result);
        if (probe)
            engine.setFileSystemTypeProbe(std::move(probe));
        engine.mergeFiles(list, root);
        std::vector<std::string> files;
        for (const auto& item : fs::recursive_directory_iterator(root))
            if (item.is_regular_file())
                files.push_back(fs::relative(item.path(), root).string());
        std::sort(files.begin(), files.end());
        return files;
    }

    test::TempDir tmp;
    UserDefaults defaults;
    RunResult result;
    std::string root, src;
};

struct TemplateCase {
    const char* folder;
    const char* name;
    const char* job;
    std::vector<std::string> expected;
};

TEST_F(TemplatesTest, TableOfTemplates) {
    const PathList list = {
        photo("canon.jpg", "2026:12:08 10:00:00", "Canon EOS R5"),
        photo("nocam.jpg", "2026:12:08 11:00:00"),
        photo("IMG_1.CR2", "2026:12:07 09:00:00", "EOS 5D"),
        photo("IMG_1.JPG", "2026:12:07 09:00:00", "EOS 5D"),
        other("IMG_1.xmp", localTime(2020, 1, 1)),
        other("clip.MOV", localTime(2026, 12, 7, 18, 30, 0)),
    };
    const TemplateCase cases[] = {
        {"%Y/{camera}",
         "",
         "",
         {"2026/Canon EOS 5D/IMG_1.CR2", "2026/Canon EOS 5D/IMG_1.JPG",
          "2026/Canon EOS 5D/IMG_1.xmp", "2026/Canon EOS R5/canon.jpg",
          "2026/Unknown camera/clip.MOV", "2026/Unknown camera/nocam.jpg"}},
        {"{kind}/{ext}",
         "",
         "",
         {"Photos/cr2/IMG_1.CR2", "Photos/jpg/IMG_1.JPG", "Photos/jpg/canon.jpg",
          "Photos/jpg/nocam.jpg", "Photos/xmp/IMG_1.xmp", "Videos/mov/clip.MOV"}},
        // A pair and its sidecar share one new stem and one number.
        {"%Y-%m-%d {job}",
         "%Y%m%d-{seq:3}",
         "Wedding Smith",
         {"2026-12-07 Wedding Smith/20261207-003.CR2", "2026-12-07 Wedding Smith/20261207-003.JPG",
          "2026-12-07 Wedding Smith/20261207-003.xmp", "2026-12-07 Wedding Smith/20261207-004.MOV",
          "2026-12-08 Wedding Smith/20261208-001.jpg",
          "2026-12-08 Wedding Smith/20261208-002.jpg"}},
        // Unsafe job codes stay one safe name; {ext} replaces the original extension.
        {"{job}",
         "{job}-{name}.{EXT}",
         "../x",
         {".._x/.._x-IMG_1.CR2", ".._x/.._x-IMG_1.JPG", ".._x/.._x-IMG_1.XMP",
          ".._x/.._x-canon.JPG", ".._x/.._x-clip.MOV", ".._x/.._x-nocam.JPG"}},
    };
    for (const TemplateCase& c : cases) {
        fs::remove_all(root);
        fs::create_directories(root);
        defaults.setObject(keys::kOneLevelDateFormat, std::string(c.folder));
        defaults.setObject(keys::kNameTemplate, std::string(c.name));
        defaults.setObject(keys::kJobCode, std::string(c.job));
        EXPECT_EQ(merge(list), c.expected) << c.folder << " " << c.name;
        EXPECT_TRUE(result.resErrorFiles.empty()) << c.folder;
    }
}

TEST_F(TemplatesTest, SequencesPerDayAndAStoredCounterAcrossRuns) {
    const PathList twoDays = {other("a.jpg", localTime(2026, 12, 7, 10, 0, 0)),
                              other("b.jpg", localTime(2026, 12, 8, 10, 0, 0)),
                              other("c.jpg", localTime(2026, 12, 7, 11, 0, 0))};
    defaults.setBool(keys::kUseExifData, false);
    defaults.setObject(keys::kNameTemplate, std::string("%m%d-{seq}"));
    defaults.setObject(keys::kSequenceScope, std::string("day"));
    EXPECT_EQ(merge(twoDays),
              (std::vector<std::string>{"2026-12-07/1207-1.jpg", "2026-12-07/1207-2.jpg",
                                        "2026-12-08/1208-1.jpg"}));
    EXPECT_FALSE(result.nextSequenceNumber);
    // A day that starts at 04:00 keeps a capture at 02:00 in the day before, for its folder and
    // its number; its name tells its own date.
    defaults.setObject(keys::kDayStartsAt, std::string("04:00"));
    fs::remove_all(root);
    fs::create_directories(root);
    EXPECT_EQ(merge({twoDays[0], other("d.jpg", localTime(2026, 12, 8, 2, 0, 0))}),
              (std::vector<std::string>{"2026-12-07/1207-1.jpg", "2026-12-07/1208-2.jpg"}));
    defaults.setObject(keys::kDayStartsAt, std::string("00:00"));

    defaults.setObject(keys::kSequenceScope, std::string("stored"));
    defaults.setObject(keys::kNameTemplate, std::string("{seq:2}"));
    defaults.setInteger(keys::kNextSequenceNumber, 41);
    fs::remove_all(root);
    fs::create_directories(root);
    merge({twoDays[0]});
    EXPECT_EQ(result.nextSequenceNumber, 42u);
    defaults.setInteger(keys::kNextSequenceNumber, 42);
    // A run whose copies all fail claims no number: a file stands where its folder goes.
    writeFile(root + "/2026-12-08", "in the way");
    merge({twoDays[1]});
    EXPECT_EQ(result.resErrorFiles.size(), 1u);
    EXPECT_FALSE(result.nextSequenceNumber);
    // a.jpg, numbered 43 now, is there as 41 already: it is not copied again under 43.
    EXPECT_EQ(merge({twoDays[2], twoDays[0]}),
              (std::vector<std::string>{"2026-12-07/41.jpg", "2026-12-07/42.jpg", "2026-12-08"}));
    EXPECT_EQ(result.resSkippedDict.at(twoDays[0]), skip::kAlreadyInDestination);
    EXPECT_EQ(result.nextSequenceNumber, 43u);
}

TEST_F(TemplatesTest, CollisionsNarrowFileSystemsAndLongNames) {
    defaults.setBool(keys::kUseExifData, false);
    const time_t when = localTime(2026, 12, 8, 10, 20, 30);
    const PathList list = {other("a.jpg", when), other("b.jpg", when)};
    defaults.setObject(keys::kNameTemplate, std::string("%H:%M:%S"));
    const FileSystemTypeProbe fat = [](const std::string&) { return std::optional<long>(0x4d44); };
    EXPECT_EQ(merge(list, fat), (std::vector<std::string>{"2026-12-08/10_20_30.jpg"}));
    ASSERT_EQ(result.resErrorFiles.size(), 1u);
    EXPECT_EQ(result.resErrorDict.at(list[1]),
              "Can't overwrite existing file: Sorted/2026-12-08/10_20_30.jpg");

    defaults.setBool(keys::kKeepBothOnNameClash, true);
    fs::remove_all(root);
    fs::create_directories(root);
    EXPECT_EQ(merge(list),
              (std::vector<std::string>{"2026-12-08/10:20:30-1.jpg", "2026-12-08/10:20:30.jpg"}));
    EXPECT_EQ(result.resDestinationDict.at(list[0]), root + "/2026-12-08/10:20:30.jpg")
        << "the report names renamed copies";

    const std::string longName(200, 'n');
    defaults.setObject(keys::kNameTemplate, std::string("{name}-{name}"));
    const std::vector<std::string> made = merge({other(longName + ".jpeg", when)});
    const std::string cut = made.back().substr(made.back().find('/') + 1);
    EXPECT_EQ(cut.size(), 255u);
    EXPECT_EQ(cut.substr(250), ".jpeg");
}

TEST_F(TemplatesTest, PlanAndUndoUseTheFinalNames) {
    defaults.setBool(keys::kUseExifData, false);
    defaults.setObject(keys::kNameTemplate, std::string("%Y%m%d-{seq:4}"));
    const PathList list = {other("a.jpg", localTime(2026, 12, 8)),
                           other("b.jpg", localTime(2026, 12, 8))};
    RunPlan plan;
    plan.toPath = root;
    plan.rules = snapshotRules(defaults);
    plan.fileList = list;
    planRunEntries(plan, nullptr, nullptr);
    ASSERT_EQ(plan.entries.size(), 2u);
    EXPECT_EQ(plan.entries[1].plan->destination, root + "/2026-12-08/20261208-0002.jpg");

    RunStatus status;
    status.mergeState = kMergeRunning;
    MergeEngine engine(defaults, status, result);
    std::unique_ptr<RunJournal> journal = RunJournal::start(tmp / "runs", {src}, root, defaults);
    engine.setObserver(journal.get());
    engine.mergeFiles(list, root);
    const UndoResult undone = undoRun(journal->path(), false);
    EXPECT_EQ(undone.removed, (PathList{root + "/2026-12-08/20261208-0001.jpg",
                                        root + "/2026-12-08/20261208-0002.jpg"}));
    EXPECT_FALSE(test::exists(root + "/2026-12-08"));
}

// With videos apart, the plan's tree has one folder per root, each with its own date folders.
TEST_F(TemplatesTest, ThePlanShowsTheVideoTreeBesideTheOther) {
    const std::string videos = tmp / "Videos";
    defaults.setBool(keys::kUseExifData, false);
    defaults.setObject(keys::kVideoDestination, videos);
    defaults.setObject(keys::kVideoFolderFormat, std::string("{kind}/%Y"));
    RunPlan plan;
    plan.toPath = root;
    plan.rules = snapshotRules(defaults);
    plan.fileList = {other("a.jpg", localTime(2026, 12, 8)), other("b.MP4", localTime(2026, 12, 8)),
                     other("b.MP4.xmp", localTime(2026, 12, 8))};
    planRunEntries(plan, nullptr, nullptr);
    ASSERT_EQ(plan.entries.size(), 3u);
    EXPECT_EQ(plan.entries[2].plan->destination, videos + "/Videos/2026/b.MP4.xmp");
    const std::vector<size_t>& tops = plan.folders[0].folders;
    ASSERT_EQ(tops.size(), 2u);
    EXPECT_EQ(plan.folders[tops[0]].name, root);
    EXPECT_EQ(plan.folders[tops[1]].name, videos);
    const PlanFolder& year =
        plan.folders[plan.folders[plan.folders[tops[1]].folders[0]].folders[0]];
    EXPECT_EQ(year.path, "Videos/2026");
    EXPECT_EQ(year.root, videos);
    EXPECT_EQ(year.entries.size(), 2u);
}

} // namespace
} // namespace orvane
