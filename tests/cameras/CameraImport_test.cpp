// Imports from libgphoto2's "Directory Browse" camera, which shows a folder as a camera on a
// disk: port: the whole path of a camera's files through the file list and the merge, with
// the failures of real devices made through the service's seam.
#include "base/RunStatus.h"
#include "cameras/CameraSources.h"
#include "merge/MergeEngine.h"
#include "merge/RunPlan.h"
#include "platform/UserDefaults.h"
#include "platform/gphoto/GPhotoCameras.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"
#include "selection/FileListBuilder.h"
#include "support/CameraFakes.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace orvane {
namespace {

namespace fs = std::filesystem;
using test::localTime;
using test::readFile;
using test::writeFile;

// The camera's files, by folder on the camera, with their contents and days in May 2021.
const std::map<std::string, std::pair<std::string, int>> kCameraFiles = {
    {"/DCIM/100TEST/IMG_0001.jpg", {"one", 1}},
    {"/DCIM/100TEST/deep/er/IMG_0002.jpg", {"two", 2}},
    {"/DCIM/101TEST/IMG_0001.jpg", {"another one", 1}}, // the name of another folder's file
    {"/DCIM/101TEST/IMG_0003.jpg", {"three", 3}},
    {"/Pictures/IMG_0004.jpg", {"four", 4}},
    {"/Other/IMG_0005.jpg", {"not a photo folder", 5}},
};

struct CameraCase {
    const char* name;
    std::function<void(test::FaultyCameras&)> faults;
    bool keepBoth;
    // By file on the camera: "copied", "copied as NAME", or the entry's error.
    std::map<std::string, std::string> expected;
    const char* sourceError = nullptr;
};

const char* const kTaken = "Can't overwrite existing file: Sorted/2021/05/01/IMG_0001.jpg";

const CameraCase kCases[] = {
    {"nested folders, a name taken by another folder's file",
     {},
     false,
     {{"/DCIM/100TEST/IMG_0001.jpg", "copied"},
      {"/DCIM/100TEST/deep/er/IMG_0002.jpg", "copied"},
      {"/DCIM/101TEST/IMG_0001.jpg", kTaken},
      {"/DCIM/101TEST/IMG_0003.jpg", "copied"},
      {"/Pictures/IMG_0004.jpg", "copied"}}},
    {"both kept",
     {},
     true,
     {{"/DCIM/100TEST/IMG_0001.jpg", "copied"},
      {"/DCIM/100TEST/deep/er/IMG_0002.jpg", "copied"},
      {"/DCIM/101TEST/IMG_0001.jpg", "copied as IMG_0001-1.jpg"},
      {"/DCIM/101TEST/IMG_0003.jpg", "copied"},
      {"/Pictures/IMG_0004.jpg", "copied"}}},
    {"a file that fails to download",
     [](test::FaultyCameras& faults) { faults.failingNames = {"IMG_0003.jpg"}; },
     false,
     {{"/DCIM/100TEST/IMG_0001.jpg", "copied"},
      {"/DCIM/100TEST/deep/er/IMG_0002.jpg", "copied"},
      {"/DCIM/101TEST/IMG_0001.jpg", kTaken},
      {"/DCIM/101TEST/IMG_0003.jpg",
       "Couldn't download 'IMG_0003.jpg' from the camera: Corrupted data"},
      {"/Pictures/IMG_0004.jpg", "copied"}}},
    {"unplugged in the middle of the run",
     [](test::FaultyCameras& faults) { faults.downloadsBeforeUnplug = 2; },
     false,
     {{"/DCIM/100TEST/IMG_0001.jpg", "copied"},
      {"/DCIM/100TEST/deep/er/IMG_0002.jpg", "copied"},
      {"/DCIM/101TEST/IMG_0001.jpg", kCameraDisconnected},
      {"/DCIM/101TEST/IMG_0003.jpg", kCameraDisconnected},
      {"/Pictures/IMG_0004.jpg", kCameraDisconnected}}},
    {"names that are no plain names",
     [](test::FaultyCameras& faults) {
         faults.strayNames = {"..", ".", "a/b.jpg", ""};
     },
     true,
     {{"/DCIM/100TEST/IMG_0001.jpg", "copied"},
      {"/DCIM/100TEST/deep/er/IMG_0002.jpg", "copied"},
      {"/DCIM/101TEST/IMG_0001.jpg", "copied as IMG_0001-1.jpg"},
      {"/DCIM/101TEST/IMG_0003.jpg", "copied"},
      {"/Pictures/IMG_0004.jpg", "copied"}}},
    {"held by another program",
     [](test::FaultyCameras& faults) { faults.busy = true; },
     false,
     {},
     kCameraInUse},
};

class CameraImportTest : public ::testing::TestWithParam<CameraCase> {
  protected:
    CameraImportTest()
        : defaults(tmp / "prefs.json"), camera(tmp / "camera"), root(tmp / "Sorted"),
          cameras(faulty), scope(cameras) {
        registerDefaults(defaults);
        defaults.setInteger(keys::kDirLevels, 3);
        defaults.setObject(keys::kMatchingMode, std::string("all files except those that match:"));
        fs::create_directories(root);
        for (const auto& [path, file] : kCameraFiles)
            writeFile(camera + path, file.first, localTime(2021, 5, file.second));
    }

    std::string source() const { return CameraSources::sourceFor("disk:" + camera); }
    std::string entry(const std::string& path) const { return source() + path; }

    // Every file below `folder` with its contents.
    static std::map<std::string, std::string> contentsOf(const std::string& folder) {
        std::map<std::string, std::string> contents;
        for (const auto& item : fs::recursive_directory_iterator(folder))
            if (item.is_regular_file())
                contents[item.path()] = readFile(item.path());
        return contents;
    }

    test::TempDir tmp;
    UserDefaults defaults;
    std::string camera;
    std::string root;
    GPhotoCameras gphoto;
    test::FaultyCameras faulty{gphoto};
    CameraSources cameras;
    RemoteSourcesScope scope;
};

TEST_P(CameraImportTest, ImportsLikeFilesAndLeavesTheCameraAlone) {
    const CameraCase& c = GetParam();
    if (c.faults)
        c.faults(faulty);
    defaults.setBool(keys::kKeepBothOnNameClash, c.keepBoth);
    const auto before = contentsOf(camera);

    RunResult result;
    RunStatus status;
    status.mergeState = kMergeRunning;
    const std::optional<PathList> list = buildFileList({source()}, root, defaults, result, nullptr);
    ASSERT_TRUE(list);
    MergeEngine engine(defaults, status, result);
    engine.mergeFiles(*list, root);

    if (c.sourceError) {
        EXPECT_TRUE(list->empty());
        EXPECT_EQ(result.resErrorDict[source()], c.sourceError);
    }
    EXPECT_EQ(list->size(), c.expected.size());
    for (const auto& [path, outcome] : c.expected) {
        SCOPED_TRACE(path);
        const std::string name = path.substr(path.rfind('/') + 1);
        const auto& [contents, day] = kCameraFiles.at(path);
        const std::string folder = root + "/2021/05/0" + std::to_string(day) + "/";
        if (outcome.rfind("copied", 0) == 0) {
            const std::string copy = folder + (outcome == "copied" ? name : outcome.substr(10));
            EXPECT_EQ(readFile(copy), contents);
            EXPECT_EQ(test::statOf(copy).st_mtime, localTime(2021, 5, day));
            EXPECT_EQ(result.resErrorDict.count(entry(path)), 0u);
        } else {
            EXPECT_EQ(result.resErrorDict[entry(path)], outcome);
        }
    }
    // Nothing half made is left in the destination, and the camera is as it was.
    for (const auto& [path, contents] : contentsOf(root))
        EXPECT_EQ(fs::path(path).filename().string().rfind(".orvane-", 0), std::string::npos)
            << path;
    EXPECT_EQ(contentsOf(camera), before);
    if (!c.sourceError) {
        EXPECT_EQ(result.notes,
                  std::vector<std::string>{"From 'Directory Browse' in '" + camera + "'"});
    }
}

INSTANTIATE_TEST_SUITE_P(DirectoryBrowse, CameraImportTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CameraCase>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c)))
                                     name += *c;
                             return name;
                         });

TEST_F(CameraImportTest, PlanDatesTheCamerasFilesWithoutTouchingTheDestination) {
    std::optional<RunPlan> plan = listRunPlan({source()}, root, snapshotRules(defaults), nullptr);
    ASSERT_TRUE(plan);
    planRunEntries(*plan);
    ASSERT_EQ(plan->entries.size(), 5u);
    EXPECT_EQ(plan->entries[1].plan->destination, root + "/2021/05/02/IMG_0002.jpg");
    EXPECT_EQ(plan->entries[2].takenBy, entry("/DCIM/100TEST/IMG_0001.jpg"));
    // A name template names a camera's file by its name on the camera.
    defaults.setObject(keys::kNameTemplate, std::string("%Y%m%d-{name}"));
    plan = listRunPlan({source()}, root, snapshotRules(defaults), nullptr);
    ASSERT_TRUE(plan);
    planRunEntries(*plan);
    EXPECT_EQ(plan->entries[1].plan->destination, root + "/2021/05/02/20210502-IMG_0002.jpg");
    EXPECT_TRUE(fs::is_empty(root));
}

// The import history knows a camera's files by its serial number and their path on it, not by
// the port it happens to be on; without a serial number, by the entry's name.
TEST_F(CameraImportTest, TheHistoryKnowsACamerasFilesByItsSerialNumber) {
    std::vector<std::string> entries;
    ASSERT_FALSE(cameras.list(source(), entries));
    const std::string file = entry("/DCIM/100TEST/IMG_0001.jpg");
    EXPECT_EQ(cameras.placeOf(file).path, file);
    faulty.serial = "SN-4711";
    const VolumePlace place = cameras.placeOf(file);
    EXPECT_EQ(place.volume, "camera-serial:SN-4711");
    EXPECT_EQ(place.path, "/DCIM/100TEST/IMG_0001.jpg");
}

} // namespace
} // namespace orvane
