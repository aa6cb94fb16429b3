// --skip-copies-anywhere finds the destination's copies however the history is kept: also
// with --no-history, where nothing is written to it nor read from it.
#include "support/CommandLineRun.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;
using test::writeFile;

using RunOutcome = test::CommandLineOutcome;

RunOutcome organize(const std::string& home, const std::vector<std::string>& args) {
    std::vector<std::string> words{"organize", "-q", "--no-exif", "--json"};
    words.insert(words.end(), args.begin(), args.end());
    return test::runCommandLine(home, home + "/data", words);
}

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(CopiesAnywhere, AreFoundWhateverTheHistoryOptions) {
    struct Row {
        std::vector<std::string> options; // of both runs
        bool historyKept;
    };
    const Row rows[] = {
        {{"--no-history"}, false},
        {{"--ignore-history"}, true},
        {{"--no-history", "--checksum"}, false},
    };
    for (const Row& row : rows) {
        test::TempDir tmp;
        writeFile(tmp / "config/preferences.json",
                  "{\"OVMatchingMode\": \"all files except those that match:\"}\n");
        const std::string card = tmp / "card", dest = tmp / "dest";
        const std::string what = row.options.back();
        writeFile(card + "/DCIM/a.jpg", "photo a", test::localTime(2020, 5, 1));
        writeFile(card + "/DCIM/b.jpg", "photo b", test::localTime(2020, 5, 2));
        fs::create_directories(dest);
        auto with = [&](std::vector<std::string> args) {
            args.insert(args.begin(), row.options.begin(), row.options.end());
            return args;
        };
        // Copied under other names, which the history would not point to by the names alone.
        ASSERT_EQ(organize(tmp.path(), with({"--rename", "x-{name}", card, dest})).status, 0)
            << what;
        const RunOutcome planned =
            organize(tmp.path(), with({"--dry-run", "--skip-copies-anywhere", card, dest}));
        const RunOutcome run = organize(tmp.path(), with({"--skip-copies-anywhere", card, dest}));
        EXPECT_EQ(run.status, 0) << what << ": " << run.out;
        for (const RunOutcome* outcome : {&planned, &run})
            EXPECT_EQ(occurrences(outcome->out, "Already in destination as "), 2u)
                << what << ": " << outcome->out;
        EXPECT_FALSE(test::exists(dest + "/2020-05-01/a.jpg")) << what;
        EXPECT_EQ(test::exists(tmp / "data/history.sqlite"), row.historyKept) << what;
    }
}

} // namespace
} // namespace orvane
