#include "report/RunProgress.h"

#include "base/NumberText.h"
#include "base/Paths.h"
#include "base/WindowText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace orvane {

namespace {

constexpr const char* kDot = " \u00b7 ";
constexpr const char* kEllipsis = "\u2026";

// Code points of UTF-8 text; continuation bytes do not start a character.
std::vector<size_t> characterStarts(const std::string& text) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    return starts;
}

size_t characterCount(const std::string& text) {
    return characterStarts(text).size();
}

std::string percentText(long done, long total) {
    char text[32];
    const double percent = total > 0 ? 100.0 * static_cast<double>(done) / total : 100.0;
    std::snprintf(text, sizeof text, percent < 10 ? "%.1f%%" : "%.0f%%", percent);
    return text;
}

} // namespace

void RateEstimator::start(double now) {
    start_ = now;
    samples_.clear();
    samples_.push_back({now, 0, 0});
}

ProgressStatus RateEstimator::sample(long done, long total, double now, uint64_t bytes) {
    // Samples closer than a tenth of a second add nothing but memory.
    if (samples_.empty() || now - samples_.back().time >= 0.1)
        samples_.push_back({now, done, bytes});
    while (samples_.size() > 2 && now - samples_[1].time >= kWindowSeconds)
        samples_.pop_front();

    ProgressStatus status;
    status.done = done;
    status.total = total;
    status.bytesDone = bytes;
    status.elapsed = now - start_;
    const Sample& oldest = samples_.front();
    const double span = now - oldest.time;
    if (status.elapsed >= kFirstEstimateAfter && span > 0) {
        status.rate = static_cast<double>(done - oldest.done) / span;
        if (bytes > oldest.bytes)
            status.byteRate = static_cast<double>(bytes - oldest.bytes) / span;
        if (*status.rate > 0)
            status.secondsLeft = static_cast<double>(total - done) / *status.rate;
    }
    return status;
}

std::string groupedCount(long value) {
    // Negated in unsigned arithmetic, so that the lowest long has a magnitude too.
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : value;
    return (value < 0 ? "-" : "") + groupedNumber(magnitude);
}

std::string timeLeftText(double seconds) {
    const long whole = std::max(1L, std::lround(seconds));
    if (whole < 60)
        return fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "about %1 s left"),
                          {std::to_string(whole)});
    const long minutes = std::lround(seconds / 60);
    if (minutes < 60)
        return fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "about %1 min left"),
                          {std::to_string(minutes)});
    return fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "about %1 h %2 min left"),
                      {std::to_string(minutes / 60), std::to_string(minutes % 60)});
}

std::string durationText(double seconds) {
    char text[64];
    if (seconds < 60) {
        std::snprintf(text, sizeof text, "%.1f s", seconds);
        return text;
    }
    const long whole = std::lround(seconds);
    if (whole < 3600)
        std::snprintf(text, sizeof text, "%ld min %ld s", whole / 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld h %ld min", whole / 3600, whole / 60 % 60);
    return text;
}

std::string speedText(const ProgressStatus& status) {
    std::string text;
    if (status.rate)
        text = groupedCount(std::lround(*status.rate)) + " files/s";
    if (status.byteRate)
        text += (text.empty() ? "" : kDot) +
                byteCountText(static_cast<uint64_t>(std::llround(*status.byteRate))) + "/s";
    return text;
}

std::string windowProgressText(const ProgressStatus& status) {
    std::string text = fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "%1 of %2"),
                                  {groupedCount(status.done), groupedCount(status.total)});
    if (const std::string speed = speedText(status); !speed.empty())
        text += kDot + speed;
    if (status.secondsLeft)
        text += kDot + timeLeftText(*status.secondsLeft);
    if (!status.currentPath.empty())
        text += kDot + lastPathComponent(status.currentPath);
    return text;
}

std::string consoleProgressText(const ProgressStatus& status, size_t columns) {
    std::string text = groupedCount(status.done) + " / " + groupedCount(status.total) + kDot +
                       percentText(status.done, status.total);
    if (const std::string speed = speedText(status); !speed.empty())
        text += kDot + speed;
    if (status.secondsLeft)
        text += kDot + timeLeftText(*status.secondsLeft);
    if (status.currentPath.empty())
        return columns ? elideMiddle(text, columns) : text;
    text += kDot;
    const std::string name = lastPathComponent(status.currentPath);
    const size_t used = characterCount(text);
    if (!columns)
        return text + name;
    if (used + 4 > columns) // no room for a useful part of the name
        return elideMiddle(text.substr(0, text.size() - std::string(kDot).size()), columns);
    return text + elideMiddle(name, columns - used);
}

std::string consoleFinishedText(const ProgressStatus& status) {
    std::string text = groupedCount(status.done) + " / " + groupedCount(status.total);
    if (status.elapsed > 0 && status.done > 0)
        text += kDot + groupedCount(std::lround(status.done / status.elapsed)) + " files/s";
    return text + kDot + "done in " + durationText(status.elapsed);
}

std::string elideMiddle(const std::string& text, size_t columns) {
    const std::vector<size_t> starts = characterStarts(text);
    if (starts.size() <= columns)
        return text;
    if (columns == 0)
        return "";
    const size_t keep = columns - 1; // one column for the ellipsis
    const size_t head = (keep + 1) / 2;
    const size_t tail = keep - head;
    return text.substr(0, starts[head]) + kEllipsis + text.substr(starts[starts.size() - tail]);
}

} // namespace orvane
