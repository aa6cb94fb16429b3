#include "platform/DirectoryWalker.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace orvane {
namespace {

using test::writeFile;

std::vector<std::string> walk(const std::string& root,
                              std::function<bool(DirectoryWalker&)> skip = {},
                              std::vector<std::pair<std::string, int>>* unreadable = nullptr) {
    DirectoryWalker walker(root, {}, [&](const std::string& path, int error) {
        if (unreadable)
            unreadable->emplace_back(path, error);
    });
    std::vector<std::string> seen;
    while (walker.next()) {
        EXPECT_EQ(walker.path(), root + "/" + std::string(walker.relativePath()));
        seen.emplace_back(walker.relativePath());
        if (skip && skip(walker))
            walker.skipDescendants();
    }
    EXPECT_FALSE(walker.next()) << "the end stays the end";
    return seen;
}

TEST(DirectoryWalker, FoldersComeBeforeTheirContentsInByteOrder) {
    test::TempDir tmp;
    writeFile(tmp / "b/2", "");
    writeFile(tmp / "b/1/x", "");
    writeFile(tmp / "a", "");
    writeFile(tmp / ".dot/y", "");
    writeFile(tmp / "C", "");
    EXPECT_EQ(walk(tmp.path()),
              (std::vector<std::string>{".dot", ".dot/y", "C", "a", "b", "b/1", "b/1/x", "b/2"}));
}

TEST(DirectoryWalker, SkippedFoldersAreNotEntered) {
    test::TempDir tmp;
    writeFile(tmp / "a/inner", "");
    writeFile(tmp / "b/inner", "");
    EXPECT_EQ(walk(tmp.path(), [](DirectoryWalker& w) { return w.name() == "a"; }),
              (std::vector<std::string>{"a", "b", "b/inner"}));
}

TEST(DirectoryWalker, LinksAreListedButNotEntered) {
    test::TempDir tmp;
    writeFile(tmp / "real/file", "");
    ASSERT_EQ(symlink("real", (tmp / "link").c_str()), 0);
    ASSERT_EQ(symlink(".", (tmp / "self").c_str()), 0);
    std::vector<std::pair<std::string, int>> unreadable;
    EXPECT_EQ(walk(tmp.path(), {}, &unreadable),
              (std::vector<std::string>{"link", "real", "real/file", "self"}));
    EXPECT_TRUE(unreadable.empty());
}

TEST(DirectoryWalker, StatusAndKindOfTheCurrentEntry) {
    test::TempDir tmp;
    writeFile(tmp / "dir/file", "abc");
    ASSERT_EQ(symlink("dir", (tmp / "link").c_str()), 0);
    DirectoryWalker walker(tmp.path());
    const struct stat* status;
    ASSERT_TRUE(walker.next());
    EXPECT_EQ(walker.name(), "dir");
    EXPECT_TRUE(walker.isDirectory());
    ASSERT_TRUE(walker.next());
    EXPECT_EQ(walker.relativePath(), "dir/file");
    EXPECT_FALSE(walker.isDirectory());
    ASSERT_EQ(walker.linkStatus(status), 0);
    EXPECT_EQ(status->st_size, 3);
    ASSERT_TRUE(walker.next());
    EXPECT_EQ(walker.name(), "link");
    EXPECT_FALSE(walker.isDirectory());
    ASSERT_EQ(walker.linkStatus(status), 0);
    EXPECT_TRUE(S_ISLNK(status->st_mode));
    EXPECT_FALSE(walker.next());
}

TEST(DirectoryWalker, VanishedEntryGivesTheErrno) {
    test::TempDir tmp;
    writeFile(tmp / "gone", "");
    DirectoryWalker walker(tmp.path());
    ASSERT_TRUE(walker.next());
    ASSERT_EQ(unlink((tmp / "gone").c_str()), 0);
    const struct stat* status;
    EXPECT_EQ(walker.linkStatus(status), ENOENT);
}

TEST(DirectoryWalker, RootsThatCannotBeListed) {
    test::TempDir tmp;
    writeFile(tmp / "file", "");
    ASSERT_EQ(symlink(tmp.path().c_str(), (tmp / "link").c_str()), 0);
    std::vector<std::pair<std::string, int>> unreadable;
    EXPECT_TRUE(walk(tmp / "file", {}, &unreadable).empty());
    EXPECT_TRUE(walk(tmp / "link", {}, &unreadable).empty());
    EXPECT_TRUE(walk(tmp / "missing", {}, &unreadable).empty());
    EXPECT_EQ(unreadable,
              (std::vector<std::pair<std::string, int>>{
                  {tmp / "file", ENOTDIR}, {tmp / "link", ENOTDIR}, {tmp / "missing", ENOENT}}));
    std::filesystem::create_directory(tmp / "empty");
    EXPECT_TRUE(walk(tmp / "empty", {}, &unreadable).empty());
    EXPECT_EQ(unreadable.size(), 3u);
}

TEST(DirectoryWalker, LargeFolderIsListedWhole) {
    test::TempDir tmp;
    // Several buffers of the listing.
    const std::string stem(200, 'n');
    for (int i = 0; i < 600; ++i)
        close(open((tmp / (stem + std::to_string(i))).c_str(), O_CREAT | O_WRONLY, 0644));
    const std::vector<std::string> seen = walk(tmp.path());
    ASSERT_EQ(seen.size(), 600u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

} // namespace
} // namespace orvane
