#include "app/Controller.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "report/ReportController.h"
#include "selection/FileListBuilder.h"
#include "selection/SelectionTestSupport.h"
#include "support/TestSupport.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace orvane {
namespace {

using test::writeFile;

class FileListTest : public ::testing::Test {
  protected:
    FileListTest() : defaults(tmp / "p.json"), source(tmp / "source") {
        registerDefaults(defaults);
        defaults.setObject(keys::kMatchingMode, std::string(kAllExceptMatching));
        std::filesystem::create_directories(source);
    }

    std::optional<PathList> build(const PathList& sources, const FolderOpener& opener = {}) {
        return buildFileList(sources, destination, defaults, result, &alerts, opener);
    }
    std::optional<PathList> build() { return build({source}); }
    void setList(const char* key, const StringList& patterns) { defaults.setObject(key, patterns); }
    std::string in(const std::string& relative) const { return source + "/" + relative; }
    std::vector<std::pair<std::string, std::string>> skipped() const {
        std::vector<std::pair<std::string, std::string>> out;
        for (const std::string& path : result.resSkippedFiles)
            out.emplace_back(path, result.resSkippedDict.at(path));
        return out;
    }
    using Skips = std::vector<std::pair<std::string, std::string>>;

    test::TempDir tmp;
    UserDefaults defaults;
    RunResult result;
    test::RecordingAlerts alerts;
    std::string source;
    std::string destination;
};

TEST_F(FileListTest, HiddenFileAndFoldersOfTheExample) {
    writeFile(in("a.jpg"), "a");
    writeFile(in(".hidden"), "h");
    writeFile(in("sub/b.jpg"), "b");
    std::filesystem::create_directory(in("empty"));

    EXPECT_EQ(build(), (PathList{in("a.jpg"), in("sub/b.jpg")}));
    EXPECT_EQ(skipped(), (Skips{{in(".hidden"), "Hidden file"}}));
    EXPECT_TRUE(alerts.calls.empty());
}

TEST_F(FileListTest, EntriesOfAFolderComeInByteOrderDepthFirst) {
    for (const char* name : {"b.jpg", "B.jpg", "a/z.jpg", "a/a.jpg", "a b.jpg", "a.jpg",
                             "\xC3\xA9.jpg", "_x.jpg", "0.jpg"})
        writeFile(in(name), "x");
    EXPECT_EQ(build(),
              (PathList{in("0.jpg"), in("B.jpg"), in("_x.jpg"), in("a/a.jpg"), in("a/z.jpg"),
                        in("a b.jpg"), in("a.jpg"), in("b.jpg"), in("\xC3\xA9.jpg")}));
}

TEST_F(FileListTest, IntactSourceFolderIsOneEntryWhateverTheCopyRule) {
    const std::string album = tmp / "Album 2004";
    writeFile(album + "/a.jpg", "a");
    setList(keys::kIntactFolderPatterns, {"Album*"});
    setList(keys::kCopyFilePatterns, {"*.jpg"});
    defaults.setObject(keys::kMatchingMode, std::string(kOnlyMatching));

    EXPECT_EQ(build({album}), PathList{album});
    EXPECT_TRUE(result.resSkippedFiles.empty());
}

TEST_F(FileListTest, IntactInnerFolderPassesTheCopyRuleOrIsSkipped) {
    writeFile(in("Album/inner/a.jpg"), "a");
    writeFile(in("Album/b.png"), "b");
    writeFile(in("c.jpg"), "c");
    setList(keys::kIntactFolderPatterns, {"Album"});

    EXPECT_EQ(build(), (PathList{in("Album"), in("c.jpg")}));
    EXPECT_TRUE(result.resSkippedFiles.empty());

    result = RunResult();
    setList(keys::kCopyFilePatterns, {"*.jpg"});
    defaults.setObject(keys::kMatchingMode, std::string(kOnlyMatching));
    EXPECT_EQ(build(), PathList{in("c.jpg")});
    // Nothing inside the refused folder is visited or recorded.
    EXPECT_EQ(skipped(), (Skips{{in("Album"), "Pattern preference"}}));
}

TEST_F(FileListTest, PackageInsideASourceIsCopiedWhole) {
    writeFile(in("Viewer.app/Contents/Info.plist"), "p");
    writeFile(in("Trip.PhotosLibrary/database/photos.db"), "d");
    writeFile(in("x.jpg"), "x");
    EXPECT_EQ(build(), (PathList{in("Trip.PhotosLibrary"), in("Viewer.app"), in("x.jpg")}));
}

TEST_F(FileListTest, HiddenFolderIsRecordedOnce) {
    writeFile(in(".git/objects/aa/bb"), "x");
    writeFile(in(".git/config"), "x");
    writeFile(in("a.jpg"), "a");
    EXPECT_EQ(build(), PathList{in("a.jpg")});
    EXPECT_EQ(skipped(), (Skips{{in(".git"), "Hidden file"}}));
}

TEST_F(FileListTest, CopyHiddenWalksDotFolders) {
    writeFile(in(".trip/.a.jpg"), "a");
    defaults.setBool(keys::kCopyHiddenFiles, true);
    EXPECT_EQ(build(), PathList{in(".trip/.a.jpg")});
}

TEST_F(FileListTest, TemporariesOfInterruptedRunsAreNeverListed) {
    const std::string partial = in("2005/.orvane-partial-4242-0badf00d-1");
    writeFile(partial, "half");
    writeFile(in("2005/a.jpg"), "a");
    defaults.setBool(keys::kCopyHiddenFiles, true);
    EXPECT_EQ(build({source, partial}), PathList{in("2005/a.jpg")});
    EXPECT_EQ(skipped(), (Skips{{partial, "Temporary copy of an interrupted run"},
                                {partial, "Temporary copy of an interrupted run"}}));
}

TEST_F(FileListTest, DestinationInsideASourceIsNeverWalked) {
    writeFile(in("a.jpg"), "a");
    writeFile(in("Sorted/2005/a.jpg"), "copy");
    destination = in("Sorted");
    EXPECT_EQ(build(), PathList{in("a.jpg")});
    EXPECT_EQ(skipped(), (Skips{{in("Sorted"), "Destination folder"}}));

    // Known by the folder itself, not by how its path is spelt; also when given as a source.
    result = RunResult();
    std::filesystem::create_directories(in("sub"));
    destination = in("sub/../Sorted");
    EXPECT_EQ(build({in("Sorted")}), PathList{});
    EXPECT_EQ(skipped(), (Skips{{in("Sorted"), "Destination folder"}}));
}

TEST_F(FileListTest, FolderCopiedWholeThatHoldsTheDestinationIsRefused) {
    writeFile(in("Album/a.jpg"), "a");
    std::filesystem::create_directories(in("Album/Sorted"));
    writeFile(in("b.jpg"), "b");
    setList(keys::kIntactFolderPatterns, {"Album"});
    destination = in("Album/Sorted");
    EXPECT_EQ(build({source, in("Album")}), PathList{in("b.jpg")});
    EXPECT_EQ(result.resErrorFiles, (PathList{in("Album"), in("Album")}));
    EXPECT_EQ(result.resErrorDict.at(in("Album")), "Can't copy a folder into itself");
}

TEST_F(FileListTest, LinksAreAliasesAndNeverFollowed) {
    writeFile(tmp / "elsewhere/far.jpg", "f");
    writeFile(in("a.jpg"), "a");
    ASSERT_EQ(symlink((tmp / "elsewhere").c_str(), in("toFolder").c_str()), 0);
    ASSERT_EQ(symlink("a.jpg", in("toFile").c_str()), 0);
    // A loop of links, and a link back up to the source itself.
    ASSERT_EQ(symlink("loop2", in("loop1").c_str()), 0);
    ASSERT_EQ(symlink("loop1", in("loop2").c_str()), 0);
    ASSERT_EQ(symlink("..", in("up").c_str()), 0);

    EXPECT_EQ(build(), PathList{in("a.jpg")});
    EXPECT_EQ(skipped(), (Skips{{in("loop1"), "Alias"},
                                {in("loop2"), "Alias"},
                                {in("toFile"), "Alias"},
                                {in("toFolder"), "Alias"},
                                {in("up"), "Alias"}}));
}

TEST_F(FileListTest, SpecialFilesInsideASource) {
    ASSERT_EQ(mkfifo(in("pipe").c_str(), 0600), 0);
    EXPECT_EQ(build(), PathList{});
    EXPECT_EQ(skipped(), (Skips{{in("pipe"), "Not file or folder"}}));
}

TEST_F(FileListTest, FileSourcesGoThroughTheCopyRule) {
    writeFile(tmp / "a.jpg", "a");
    writeFile(tmp / "b.png", "b");
    setList(keys::kCopyFilePatterns, {"*.png"});
    EXPECT_EQ(build({tmp / "a.jpg", tmp / "b.png"}), PathList{tmp / "a.jpg"});
    EXPECT_EQ(skipped(), (Skips{{tmp / "b.png", "Pattern preference"}}));
}

TEST_F(FileListTest, SourcesGivenTwiceAreListedTwice) {
    writeFile(in("a.jpg"), "a");
    EXPECT_EQ(build({source, in("a.jpg"), source}),
              (PathList{in("a.jpg"), in("a.jpg"), in("a.jpg")}));
}

TEST_F(FileListTest, SourcesThatCannotBeUsed) {
    writeFile(tmp / "file", "x");
    ASSERT_EQ(symlink("source", (tmp / "link").c_str()), 0);
    EXPECT_EQ(build({tmp / "missing", tmp / ".dot", tmp / "file/below", tmp / "link"}), PathList{});
    EXPECT_EQ(skipped(), (Skips{{tmp / "missing", "Couldn't access file"},
                                {tmp / ".dot", "Hidden file"},
                                {tmp / "file/below", "Couldn't access file"},
                                {tmp / "link", "Alias"}}));
}

TEST_F(FileListTest, IntactListThatFailsMeansOneAlertAndNothingRecorded) {
    writeFile(in("a.jpg"), "a");
    setList(keys::kIntactFolderPatterns, {"/[/"});
    setList(keys::kCopyFilePatterns, {"/(/"});
    test::LogCapture log;
    EXPECT_EQ(build({source, tmp / ".hidden"}), std::nullopt);
    ASSERT_EQ(alerts.calls.size(), 1u);
    EXPECT_NE(alerts.calls[0].message.find("folder copying"), std::string::npos);
    EXPECT_FALSE(log.contains("file copying")) << "the copy-file list is not compiled";
    EXPECT_TRUE(result.resSkippedFiles.empty());
}

TEST_F(FileListTest, CopyListThatFailsMeansNoList) {
    writeFile(in("a.jpg"), "a");
    setList(keys::kCopyFilePatterns, {"ok", "/*/"});
    EXPECT_EQ(build({source, tmp / ".hidden"}), std::nullopt);
    ASSERT_EQ(alerts.calls.size(), 1u);
    EXPECT_NE(alerts.calls[0].message.find("file copying"), std::string::npos);
    EXPECT_TRUE(result.resSkippedFiles.empty());
}

TEST_F(FileListTest, ManyPatternsCompileOnceAndApply) {
    StringList patterns;
    for (int i = 0; i < 2000; ++i)
        patterns.push_back("skip" + std::to_string(i) + ".*");
    setList(keys::kCopyFilePatterns, patterns);
    writeFile(in("skip1999.jpg"), "x");
    writeFile(in("keep.jpg"), "x");
    EXPECT_EQ(build(), PathList{in("keep.jpg")});
    EXPECT_EQ(skipped(), (Skips{{in("skip1999.jpg"), "Pattern preference"}}));
}

TEST_F(FileListTest, FolderThatCannotBeReadMidWalkIsReported) {
    writeFile(in("a/1.jpg"), "x");
    writeFile(in("b/locked/2.jpg"), "x");
    writeFile(in("b/3.jpg"), "x");
    writeFile(in("c.jpg"), "x");
    const FolderOpener refuseLocked = [](int atFd, const char* name) {
        if (std::string_view(name) == "locked") {
            errno = EACCES;
            return -1;
        }
        return openFolderForListing(atFd, name);
    };
    test::LogCapture log;
    EXPECT_EQ(build({source}, refuseLocked), (PathList{in("a/1.jpg"), in("b/3.jpg"), in("c.jpg")}));
    EXPECT_EQ(skipped(), (Skips{{in("b/locked"), "Couldn't access file"}}));
    EXPECT_TRUE(log.contains("WARN: Couldn't read folder '" + in("b/locked") + "'"));
    EXPECT_EQ(countUnreadable(result), 1u) << "a failure of the run, for its exit status";
}

TEST_F(FileListTest, SourceFolderThatCannotBeReadIsReported) {
    writeFile(in("a.jpg"), "x");
    const FolderOpener refuseAll = [](int, const char*) {
        errno = EIO;
        return -1;
    };
    EXPECT_EQ(build({source}, refuseAll), PathList{});
    EXPECT_EQ(skipped(), (Skips{{source, "Couldn't access file"}}));
}

TEST_F(FileListTest, OddNamesArePassedThroughUnchanged) {
    const std::string longName = std::string(251, 'L') + ".jpg";
    ASSERT_EQ(longName.size(), 255u);
    const StringList names = {"with space.jpg", "new\nline.jpg", "bad\xFF\xFE.jpg",
                              longName,         "tab\t.jpg",     "quote'\".jpg"};
    for (const std::string& name : names)
        writeFile(in("deep/" + name), "x");
    const std::optional<PathList> list = build();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->size(), names.size());
    for (const std::string& name : names)
        EXPECT_NE(std::find(list->begin(), list->end(), in("deep/" + name)), list->end()) << name;
}

TEST_F(FileListTest, DeepTreeIsWalkedWithoutRecursion) {
    // Deeper than the walk keeps folders open, and as deep as a path allows.
    std::string relative;
    for (int level = 0; level < 200; ++level)
        relative += "d/";
    ASSERT_EQ(std::filesystem::create_directories(in(relative)), true);
    writeFile(in(relative + "bottom.jpg"), "x");
    writeFile(in("d/d/d/top.jpg"), "x");
    // "d" sorts before "top.jpg": the whole depth comes first.
    EXPECT_EQ(build(), (PathList{in(relative + "bottom.jpg"), in("d/d/d/top.jpg")}));
}

TEST_F(FileListTest, EntriesBeyondThePathLimitAreListed) {
    // Built with descriptors because such a path cannot be named whole.
    int fd = open(source.c_str(), O_RDONLY | O_DIRECTORY);
    const std::string name(200, 'n');
    for (int level = 0; level < 25; ++level) {
        ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
        const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
    }
    const int file = openat(fd, "f.jpg", O_CREAT | O_WRONLY, 0644);
    close(file);
    close(fd);

    // The walk reaches the file through open folders; the merge then reports what it cannot
    // name.
    const std::optional<PathList> list = build();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 1u);
    EXPECT_GT(list->front().size(), 5000u);
    EXPECT_EQ(list->front().substr(list->front().size() - 6), "/f.jpg");
    EXPECT_TRUE(result.resSkippedFiles.empty());
}

TEST_F(FileListTest, ControllerBuildsFromItsSourcesIntoTheRunResult) {
    writeFile(in("a.jpg"), "a");
    writeFile(in(".h"), "h");
    ReportController report(defaults);
    PlatformServices services;
    services.alerts = &alerts;
    Controller controller(defaults, report, services);
    controller.setFromPaths({source});
    report.initializeReport();
    EXPECT_EQ(controller.fileList(), PathList{in("a.jpg")});
    EXPECT_EQ(report.result().resSkippedFiles, PathList{in(".h")});

    setList(keys::kCopyFilePatterns, {"/[/"});
    report.initializeReport();
    EXPECT_EQ(controller.fileList(), std::nullopt);
    EXPECT_EQ(alerts.calls.size(), 1u);
}

} // namespace
} // namespace orvane
