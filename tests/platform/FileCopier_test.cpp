#include "platform/ContentHash.h"
#include "platform/FileCopier.h"
#include "platform/FileDescriptor.h"
#include "platform/StoredReads.h"
#include "support/TestSupport.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;

// Where the file system refuses both the no-replace rename and hard links (vfat and exFAT
// through FUSE, gvfs, sshfs), a move goes through a placeholder the caller hears of, and
// still never replaces anything.
TEST(RenameNoReplace, WithoutNoReplaceRenameOrHardLinks) {
    copier_faults::setNoRenameFlagsOrLinks(true);
    struct Restore {
        ~Restore() { copier_faults::setNoRenameFlagsOrLinks(false); }
    } restore;
    struct Case {
        const char* name;
        bool folder;
        // Acts before the move (`to` given), or as the recorder does (answering like it).
        std::function<void(const std::string&)> before;
        std::function<bool(const std::string&)> record;
        int error;        // 0: moved
        const char* left; // what `to` holds after: "ours", "theirs", or nothing
    };
    auto theirs = [](const std::string& to) { test::writeFile(to, "theirs"); };
    auto accept = [](const std::string&) { return true; };
    auto refuse = [](const std::string&) { return false; };
    // Recorders during whose turn another process takes the name after all.
    auto replaced = [&](const std::string& to) { return fs::remove(to), theirs(to), true; };
    auto writtenTo = [&](const std::string& to) { return theirs(to), true; };
    auto filled = [&](const std::string& to) {
        return fs::remove(to), theirs(to + "/a.jpg"), true;
    };
    const Case cases[] = {
        {"file", false, {}, accept, 0, "ours"},
        {"folder", true, {}, accept, 0, "ours"},
        {"taken", false, theirs, accept, EEXIST, "theirs"},
        {"folder onto a file", true, theirs, accept, EEXIST, "theirs"},
        {"placeholder replaced", false, {}, replaced, EEXIST, "theirs"},
        {"placeholder written to", false, {}, writtenTo, EEXIST, "theirs"},
        {"folder placeholder replaced", true, {}, filled, EEXIST, "theirs"},
        {"not recorded", false, {}, refuse, ECANCELED, nullptr},
        {"folder not recorded", true, {}, refuse, ECANCELED, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir tmp;
        const std::string from = tmp / "partial";
        const std::string to = tmp / "a.jpg";
        test::writeFile(c.folder ? from + "/a.jpg" : from, "ours");
        if (c.before)
            c.before(to);
        int recorded = 0;
        const auto failure =
            renameNoReplace(from, to, [&](const std::string& placeholder, const struct stat& st) {
                ++recorded;
                EXPECT_EQ(placeholder, to);
                EXPECT_EQ(S_ISDIR(st.st_mode), c.folder);
                EXPECT_EQ(test::statOf(to).st_ino, st.st_ino);
                return c.record(to);
            });

        EXPECT_EQ(failure ? failure->error : 0, c.error);
        EXPECT_EQ(recorded, c.before ? 0 : 1);
        EXPECT_EQ(test::exists(from), c.error != 0) << "the item moved, or kept when not";
        if (c.left == nullptr)
            EXPECT_FALSE(test::exists(to));
        else
            EXPECT_EQ(test::readFile(fs::is_directory(to) ? to + "/a.jpg" : to), c.left);
    }
}

// A copy that hashes what it reads gives the hashes a reading of the file gives: of all of it
// and of its edges, holes of a sparse file read as zeros; so does reading the copy back.
TEST(CopyHash, MatchesAReadingOfTheFile) {
    test::TempDir tmp;
    std::vector<StoredReads::File> copies;
    std::vector<std::optional<ContentHash>> expected;
    struct Case {
        const char* name;
        off_t size;
        off_t hole; // a hole from here to the last 4 KiB (0: none)
    };
    for (const Case& c :
         {Case{"empty", 0, 0}, Case{"small", 1000, 0}, Case{"two edges", 3 * kEdgeBytes + 17, 0},
          Case{"sparse", 64 << 20, 4096}}) {
        const std::string from = tmp.path() + "/" + c.name, to = from + ".copy";
        {
            UniqueFd fd(::open(from.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
            std::string data(static_cast<size_t>(c.hole ? 4096 : c.size), '\0');
            for (size_t i = 0; i < data.size(); ++i)
                data[i] = static_cast<char>(i * 7 + 3);
            ASSERT_EQ(::pwrite(fd.get(), data.data(), data.size(), 0), ssize_t(data.size()));
            if (c.hole) {
                ASSERT_EQ(::pwrite(fd.get(), data.data(), data.size(), c.size - 4096), 4096);
            }
        }
        const struct stat status = test::statOf(from);
        StreamingHash hash(status.st_size);
        CopyObserver observer;
        observer.hash = &hash;
        ASSERT_FALSE(copyPath(from, status, to, &observer)) << c.name;
        UniqueFd read(::open(from.c_str(), O_RDONLY));
        EXPECT_EQ(hash.full(), fullHashOf(read.get(), status.st_size)) << c.name;
        EXPECT_EQ(hash.edges(), edgeHashOf(read.get(), status.st_size)) << c.name;
        EXPECT_TRUE(hash.full()) << c.name;
        copies.push_back({to, status.st_size});
        expected.push_back(hash.full());
    }
    // Read back with the files ahead queued, by two readers at once, and a copy gone missing.
    copies.push_back({tmp.path() + "/missing", 1});
    expected.push_back(std::nullopt);
    StoredReads reads(copies);
    std::vector<std::optional<ContentHash>> stored(copies.size());
    std::thread other([&] {
        for (size_t at = 1; at < copies.size(); at += 2)
            stored[at] = reads.hashOf(at);
    });
    for (size_t at = 0; at < copies.size(); at += 2)
        stored[at] = reads.hashOf(at);
    other.join();
    EXPECT_EQ(stored, expected);
}

} // namespace
} // namespace orvane
