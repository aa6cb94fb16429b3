#include "platform/FileCopier.h"
#include "support/TestSupport.h"

#include <cerrno>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
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

} // namespace
} // namespace orvane
