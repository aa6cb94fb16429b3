#include "platform/PartialCopies.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(PartialCopies, StoppingAtOnceRemovesWhatIsUnderWayAndNothingElse) {
    test::TempDir tmp;
    const std::string file = tmp / ".orvane-partial-1-00000000-1";
    const std::string folder = tmp / ".orvane-partial-1-00000000-2";
    const std::string published = tmp / "done.jpg";
    test::writeFile(file, "half");
    test::writeFile(folder + "/deep/a.jpg", "a");
    test::writeFile(published, "whole");
    partial_copies::remember(published);
    partial_copies::forget(published); // renamed into place: no longer ours to remove
    partial_copies::Scope fileUnderWay(file);
    partial_copies::Scope folderUnderWay(folder);

    EXPECT_EQ(partial_copies::discardAll(), 2u);
    EXPECT_FALSE(test::exists(file));
    EXPECT_FALSE(test::exists(folder));
    EXPECT_EQ(test::readFile(published), "whole");
    EXPECT_TRUE(isPartialCopyName(".orvane-partial-9"));
    EXPECT_FALSE(isPartialCopyName("orvane-partial-9"));
}

} // namespace
} // namespace orvane
