// The progress of a run as people read it: counts with thousands separators, a rate
// smoothed over the last few seconds and the time left, for the window and the terminal.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace orvane {

// One reading of a running merge, as the status tick sees it.
struct ProgressStatus {
    long done = 0;                  // entries begun
    long total = 0;                 // entries of the file list
    std::string currentPath;        // the entry being handled, or ""
    double elapsed = 0;             // seconds since the run started
    std::optional<double> rate;     // entries a second, none until the pace is known
    std::optional<double> byteRate; // bytes of the files begun a second, likewise
    uint64_t bytesDone = 0;
    std::optional<double> secondsLeft; // none while there is no rate
};

// Smooths the rate over a sliding window of recent samples, so that one slow file (a
// large video) does not swing the estimate, while a change of pace shows within seconds.
class RateEstimator {
  public:
    static constexpr double kWindowSeconds = 5.0;
    // The first seconds of a run (folders made, the first dates read) say little of its pace.
    static constexpr double kFirstEstimateAfter = 3.0;

    // Forgets earlier samples; `now` is the run's start in seconds of a steady clock.
    void start(double now);
    // Records that `done` entries were begun at `now` and answers the status.
    ProgressStatus sample(long done, long total, double now, uint64_t bytes = 0);

  private:
    struct Sample {
        double time;
        long done;
        uint64_t bytes;
    };
    double start_ = 0;
    std::deque<Sample> samples_;
};

// 1234567 -> "1,234,567".
std::string groupedCount(long value);

// "about 12 s left", "about 4 min left", "about 2 h 5 min left".
std::string timeLeftText(double seconds);

// "6.5 s", "3 min 20 s", "1 h 2 min".
std::string durationText(double seconds);

// "3,070 files/s · 41.2 MB/s": the speeds known so far, or "".
std::string speedText(const ProgressStatus& status);

// The window's line: "1,234 of 20,000 · 3,070 files/s · 41.2 MB/s · about 12 s left ·
// IMG_0042.JPG"; the window shortens the name to fit.
std::string windowProgressText(const ProgressStatus& status);

// The terminal's line, at most `columns` characters wide (0: no limit):
// "1,234 / 20,000 · 6.2% · 3,070 files/s · about 5 s left · IMG_0042.JPG", the name
// shortened in its middle to fit.
std::string consoleProgressText(const ProgressStatus& status, size_t columns);

// The terminal's last line: "20,000 / 20,000 · 3,070 files/s · done in 6.5 s".
std::string consoleFinishedText(const ProgressStatus& status);

// `text` shortened to `columns` characters (UTF-8 aware) by putting "…" in its middle.
std::string elideMiddle(const std::string& text, size_t columns);

} // namespace orvane
