#include "cli/ConsoleProgress.h"

#include "cli/ReportPrinter.h"

namespace orvane::cli {

void ConsoleProgress::setProgressMaximum(double maximum) {
    maximum_ = maximum;
    start_ = std::chrono::steady_clock::now();
}

void ConsoleProgress::setProgressValue(double value) {
    if (!enabled_ || maximum_ <= 0 || value <= 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - lastDraw_ < std::chrono::milliseconds(200))
        return;
    lastDraw_ = now;
    drawn_ = true;
    const long total = static_cast<long>(maximum_) - 1;
    const long done = std::min(static_cast<long>(value), total);
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? done / seconds : 0;
    std::string name = displayPath(currentPath_);
    if (name.size() > 40)
        name = "..." + name.substr(name.size() - 37);
    std::fprintf(stderr, "\r\033[K%ld / %ld entries  %.0f/s  %s", done, total, rate, name.c_str());
    std::fflush(stderr);
}

void ConsoleProgress::finish() {
    if (drawn_) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
    }
    drawn_ = false;
}

} // namespace orvane::cli
