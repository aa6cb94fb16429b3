#include "base/TimeSettings.h"

#include <cstdio>
#include <cstdlib>

namespace orvane {
namespace {

// One or two digits (`width` 0) or exactly `width` digits at `at`, below `limit`.
std::optional<long> number(std::string_view text, size_t& at, size_t width, long limit) {
    size_t end = at;
    while (end < text.size() && end - at < 2 && text[end] >= '0' && text[end] <= '9')
        ++end;
    const size_t digits = end - at;
    if (digits == 0 || (width != 0 && digits != width))
        return std::nullopt;
    long value = 0;
    for (size_t i = at; i < end; ++i)
        value = value * 10 + (text[i] - '0');
    if (value >= limit)
        return std::nullopt;
    at = end;
    return value;
}

bool colon(std::string_view text, size_t& at) {
    if (at >= text.size() || text[at] != ':')
        return false;
    ++at;
    return true;
}

} // namespace

std::optional<long> parseClockShift(std::string_view text) {
    size_t at = 0;
    long sign = 1;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        sign = text[0] == '-' ? -1 : 1;
        ++at;
    }
    const std::optional<long> hours = number(text, at, 0, 24);
    if (!hours || !colon(text, at))
        return std::nullopt;
    const std::optional<long> minutes = number(text, at, 2, 60);
    if (!minutes)
        return std::nullopt;
    long seconds = 0;
    if (at < text.size()) {
        std::optional<long> given;
        if (!colon(text, at) || !(given = number(text, at, 2, 60)))
            return std::nullopt;
        seconds = *given;
    }
    if (at != text.size())
        return std::nullopt;
    return sign * (*hours * 3600 + *minutes * 60 + seconds);
}

std::optional<long> parseDayStart(std::string_view text) {
    size_t at = 0;
    const std::optional<long> hours = number(text, at, 2, 24);
    if (!hours || !colon(text, at))
        return std::nullopt;
    const std::optional<long> minutes = number(text, at, 2, 60);
    if (!minutes || at != text.size())
        return std::nullopt;
    return *hours * 3600 + *minutes * 60;
}

std::optional<bool> parseVideoClock(std::string_view text) {
    if (text == "utc")
        return false;
    if (text == "local")
        return true;
    return std::nullopt;
}

std::string clockShiftText(long seconds) {
    const long magnitude = std::labs(seconds);
    char text[32];
    if (magnitude % 60 != 0)
        std::snprintf(text, sizeof text, "%c%02ld:%02ld:%02ld", seconds < 0 ? '-' : '+',
                      magnitude / 3600, magnitude / 60 % 60, magnitude % 60);
    else
        std::snprintf(text, sizeof text, "%c%02ld:%02ld", seconds < 0 ? '-' : '+', magnitude / 3600,
                      magnitude / 60 % 60);
    return text;
}

std::string dayStartText(long seconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%02ld:%02ld", seconds / 3600 % 24, seconds / 60 % 60);
    return text;
}

std::string timeSettingsSummary(const TimeSettings& settings) {
    std::string text;
    auto add = [&](const std::string& part) { text += (text.empty() ? "" : " · ") + part; };
    if (settings.shift != 0)
        add("capture dates moved by " + clockShiftText(settings.shift));
    if (settings.videoClockLocal)
        add("movie times read as the camera's local time");
    else if (!settings.zone.empty())
        add("movie times in " + settings.zone);
    if (settings.dayStartsAt != 0)
        add("days start at " + dayStartText(settings.dayStartsAt));
    return text;
}

} // namespace orvane
