#include "cli/ConsoleProgress.h"

#include "cli/ReportPrinter.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace orvane::cli {

namespace {

size_t terminalColumns() {
    struct winsize size {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

} // namespace

void ConsoleProgress::setProgressStatus(const ProgressStatus& status) {
    last_ = status;
    // Control characters in a name would move the cursor.
    last_.currentPath = displayPath(status.currentPath);
    if (!enabled_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - lastDraw_ < std::chrono::milliseconds(200))
        return;
    lastDraw_ = now;
    drawn_ = true;
    // One column is left free: a line that fills the last one wraps on some terminals.
    const std::string line = consoleProgressText(last_, terminalColumns() - 1);
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
}

void ConsoleProgress::finish() {
    if (!enabled_)
        return;
    std::fprintf(stderr, "\r\033[K%s\n", consoleFinishedText(last_).c_str());
    std::fflush(stderr);
    drawn_ = false;
}

} // namespace orvane::cli
