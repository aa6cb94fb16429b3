#include "base/RunResult.h"
#include "platform/FileKinds.h"
#include "prefs/Defaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "selection/PathFilters.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace orvane {
namespace {

using test::writeFile;

class PathFilterTest : public ::testing::Test {
  protected:
    PathFilterTest() : defaults(tmp / "p.json") { registerDefaults(defaults); }

    std::unique_ptr<CompiledPattern> compile(const StringList& patterns) {
        return compiledRegexForPatterns(patterns, patterns::kFileCopyingType, nullptr);
    }
    void setMode(const char* mode) { defaults.setObject(keys::kMatchingMode, std::string(mode)); }

    test::TempDir tmp;
    UserDefaults defaults;
};

TEST_F(PathFilterTest, HiddenNamesFollowThePreference) {
    const std::string store = tmp / "src/.DS_Store";
    writeFile(store, "x");
    test::LogCapture log;
    EXPECT_STREQ(shouldSkipPath(store, defaults), skip::kHiddenFile);
    EXPECT_TRUE(log.contains("DEBUG: Path '" + store + "' eliminated by hidden file rules"));

    defaults.setBool(keys::kCopyHiddenFiles, true);
    EXPECT_EQ(shouldSkipPath(store, defaults), nullptr);
    // It then goes on to the copy-file rule like any other name.
    setMode(kOnlyMatching);
    EXPECT_TRUE(shouldIncludeFile(store, *compile({".DS_*"}), defaults));
    EXPECT_FALSE(shouldIncludeFile(store, *compile({"*.jpg"}), defaults));
}

TEST_F(PathFilterTest, OnlyTheOwnNameCounts) {
    const std::string inside = tmp / ".hidden/photo.jpg";
    writeFile(inside, "x");
    EXPECT_EQ(shouldSkipPath(inside, defaults), nullptr);
}

TEST_F(PathFilterTest, NameRuleComesBeforeTheExistenceCheck) {
    EXPECT_STREQ(shouldSkipPath(tmp / ".missing", defaults), skip::kHiddenFile);
    test::LogCapture log;
    const std::string missing = tmp / "missing";
    EXPECT_STREQ(shouldSkipPath(missing, defaults), skip::kCouldntAccess);
    EXPECT_TRUE(log.contains("DEBUG: Couldn't stat file '" + missing +
                             "' for type check. 2-No such file or directory"))
        << log.text();
    // A component that is a file where a folder is expected.
    writeFile(tmp / "file", "x");
    EXPECT_STREQ(shouldSkipPath(tmp / "file/inner.jpg", defaults), skip::kCouldntAccess);
}

TEST_F(PathFilterTest, LinksOfEveryKindAreAliases) {
    writeFile(tmp / "target.jpg", "x");
    std::filesystem::create_directory(tmp / "folder");
    ASSERT_EQ(symlink("target.jpg", (tmp / "toFile").c_str()), 0);
    ASSERT_EQ(symlink("folder", (tmp / "toFolder").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (tmp / "broken").c_str()), 0);
    ASSERT_EQ(symlink("loop", (tmp / "loop").c_str()), 0);
    test::LogCapture log;
    for (const char* name : {"toFile", "toFolder", "broken", "loop"})
        EXPECT_STREQ(shouldSkipPath(tmp / name, defaults), skip::kAlias) << name;
    EXPECT_TRUE(
        log.contains("DEBUG: Skipping file '" + (tmp / "broken") + "' because it is a symlink"));
    EXPECT_EQ(shouldSkipPath(tmp / "target.jpg", defaults), nullptr);
    EXPECT_EQ(shouldSkipPath(tmp / "folder", defaults), nullptr);
}

TEST_F(PathFilterTest, SpecialFilesAreNeitherFileNorFolder) {
    const std::string fifo = tmp / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string socketPath = tmp / "sock";
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    test::LogCapture log;
    EXPECT_STREQ(shouldSkipPath(fifo, defaults), skip::kNotFileOrFolder);
    EXPECT_STREQ(shouldSkipPath(socketPath, defaults), skip::kNotFileOrFolder);
    EXPECT_STREQ(shouldSkipPath("/dev/null", defaults), skip::kNotFileOrFolder);
    close(fd);
    EXPECT_TRUE(log.contains("Skipping file '" + fifo +
                             "' because it is type 10000, not a file or folder"));
    EXPECT_TRUE(log.contains("because it is type 140000, not a file or folder"));
    EXPECT_TRUE(
        log.contains("Skipping file '/dev/null' because it is type 20000, not a file or folder"));
}

TEST_F(PathFilterTest, PackagesAreKeptWholeWithoutPatterns) {
    auto none = compile({});
    test::LogCapture log;
    EXPECT_TRUE(shouldPreserveDirectory(tmp / "X.app", *none));
    EXPECT_TRUE(shouldPreserveDirectory(tmp / "Library.PhotosLibrary", *none));
    EXPECT_TRUE(shouldPreserveDirectory(tmp / "Report.rtfd", *none));
    EXPECT_EQ(log.text().find("Matching"), std::string::npos) << "packages need no match";
    EXPECT_FALSE(shouldPreserveDirectory(tmp / "X.apps", *none));
    EXPECT_FALSE(shouldPreserveDirectory(tmp / "app", *none));
}

TEST_F(PathFilterTest, IntactFolderPatterns) {
    auto regex = compile({"Album*", "/[0-9]{4}/"});
    test::LogCapture log;
    EXPECT_TRUE(shouldPreserveDirectory(tmp / "ALBUM 2004", *regex));
    EXPECT_TRUE(shouldPreserveDirectory(tmp / "2004", *regex));
    EXPECT_FALSE(shouldPreserveDirectory(tmp / "Albu", *regex));
    EXPECT_FALSE(shouldPreserveDirectory(tmp / "Album/inner", *regex))
        << "a parent's name never counts";
    EXPECT_TRUE(log.contains("DEBUG: Preserving folder '" + (tmp / "ALBUM 2004") +
                             "' due to pattern matching rules"));
    EXPECT_FALSE(log.contains("Preserving folder '" + (tmp / "Albu") + "'"));
}

TEST_F(PathFilterTest, EmptyCopyListByMode) {
    auto none = compile({});
    setMode(kOnlyMatching);
    test::LogCapture log;
    EXPECT_FALSE(shouldIncludeFile(tmp / "a.jpg", *none, defaults));
    EXPECT_TRUE(
        log.contains("DEBUG: File '" + (tmp / "a.jpg") + "' eliminated by pattern matching rules"));
    setMode(kAllExceptMatching);
    EXPECT_TRUE(shouldIncludeFile(tmp / "a.jpg", *none, defaults));
}

TEST_F(PathFilterTest, CopyPatternAgreesWithTheMode) {
    auto jpg = compile({"*.jpg"});
    setMode(kOnlyMatching);
    EXPECT_TRUE(shouldIncludeFile(tmp / "a.JPG", *jpg, defaults));
    EXPECT_FALSE(shouldIncludeFile(tmp / "a.png", *jpg, defaults));
    setMode(kAllExceptMatching);
    EXPECT_FALSE(shouldIncludeFile(tmp / "a.JPG", *jpg, defaults));
    EXPECT_TRUE(shouldIncludeFile(tmp / "a.png", *jpg, defaults));
}

TEST_F(PathFilterTest, MatcherErrorsCountAsNoMatch) {
    auto runaway = compile({"/(a+)+/"});
    const std::string name = std::string(40, 'a') + "X";
    test::LogCapture log;
    setMode(kOnlyMatching);
    EXPECT_FALSE(shouldIncludeFile(tmp / name, *runaway, defaults)) << "never copied by accident";
    setMode(kAllExceptMatching);
    EXPECT_TRUE(shouldIncludeFile(tmp / name, *runaway, defaults));
    EXPECT_FALSE(shouldPreserveDirectory(tmp / name, *runaway));
}

TEST(FileKinds, PackageExtensionsIgnoreAsciiCase) {
    for (std::string_view extension : packageExtensions()) {
        EXPECT_TRUE(isFilePackageAtPath("x." + std::string(extension)));
        std::string upper = "X." + std::string(extension);
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_TRUE(isFilePackageAtPath(upper)) << upper;
    }
    EXPECT_GE(packageExtensions().size(), 14u);
    EXPECT_FALSE(isFilePackageAtPath(".app"));
    EXPECT_FALSE(isFilePackageAtPath("app"));
    EXPECT_FALSE(isFilePackageAtPath("x.app.old"));
    EXPECT_FALSE(isFilePackageAtPath("x.\xC3\xA1pp"));
    EXPECT_FALSE(isAliasFile("/"));
}

} // namespace
} // namespace orvane
