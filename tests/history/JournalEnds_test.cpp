// Journals whose last line is damaged or longer than any line is read, left by a run that was
// killed: the clean-up marks them interrupted once, and they are never listed as running.
#include "history/JournalFile.h"
#include "history/JournalFormat.h"
#include "history/RunHistory.h"
#include "platform/ProcessIdentity.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;
using journal::json;

// A process that has ended, as a killed run's start line names it.
ProcessIdentity goneProcess() {
    ProcessIdentity gone = currentProcess();
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    gone.pid = child;
    return gone;
}

// Writes a journal: the start line of a gone process, `tail`, then `zeros` bytes of NUL (a
// sparse stretch, so that a line over the limit costs no disk) and `end`.
std::string writeJournal(const std::string& folder, const std::string& tail, off_t zeros,
                         const std::string& end) {
    fs::create_directories(folder);
    const std::string path = folder + "/20261208T000001.000Z-1" + journal::kExtension;
    const ProcessIdentity gone = goneProcess();
    const json start = {{"type", "start"},
                        {"pid", gone.pid},
                        {"processStart", gone.startTicks},
                        {"boot", gone.bootId},
                        {"started", "2026-12-08T00:00:01Z"},
                        {"sources", json::array({"/card"})},
                        {"destination", "/dest"}};
    test::writeFile(path, journal::lineText(start) + tail);
    if (zeros > 0) {
        const int fd = ::open(path.c_str(), O_WRONLY);
        EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(fs::file_size(path)) + zeros), 0);
        ::close(fd);
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
    EXPECT_EQ(::write(fd, end.data(), end.size()), static_cast<ssize_t>(end.size()));
    ::close(fd);
    return path;
}

TEST(JournalEnds, ARunWhoseLastLineIsDamagedOrTooLongIsInterruptedNotRunning) {
    struct Case {
        const char* name;
        std::string tail;
        off_t zeros;
        std::string end;
    };
    const off_t overTheLimit = static_cast<off_t>(journal::kMaxLine) + 1;
    const Case cases[] = {
        {"a line over the limit without its end", "{\"type\":\"intent\",\"source\":\"",
         overTheLimit, ""},
        {"a line over the limit with its end", "", overTheLimit, "\n"},
        {"a damaged line without its end", "{\"type\":\"intent\",\"entry\":", 0, ""},
        {"a damaged line with its end", "{\"type\":", 0, "\n"},
        {"an end line cut short", "{\"type\":\"end\",\"outc", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir tmp;
        const std::string state = tmp / "runs";
        writeJournal(state, c.tail, c.zeros, c.end);
        ASSERT_EQ(listRuns(state).size(), 1u);
        EXPECT_EQ(listRuns(state).front().state, RunRecord::State::kRunning);

        EXPECT_EQ(cleanUpInterruptedRuns(state).runs, 1u);
        const std::vector<RunRecord> runs = listRuns(state);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs.front().state, RunRecord::State::kInterrupted);
        EXPECT_EQ(cleanUpInterruptedRuns(state).runs, 0u) << "marked once";
    }
}

} // namespace
} // namespace orvane
