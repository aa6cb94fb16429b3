#pragma once

// The time settings of a run: how the capture dates read from files are corrected, and which
// day a capture belongs to. Parsed from what the user typed; each parser answers none for
// text it does not take, so that the caller can name the value.

#include <optional>
#include <string>
#include <string_view>

namespace orvane {

struct TimeSettings {
    // Seconds added to every capture date read from a file (not to modification times): the
    // camera's clock was off by this much.
    long shift = 0;
    // The IANA name of the zone in which dates stored as UTC instants (movie headers) are
    // shown; empty: this computer's.
    std::string zone;
    // Movie headers hold the camera's wall-clock time (some action cameras), not UTC.
    bool videoClockLocal = false;
    // Seconds after midnight; a capture before it belongs to the previous day's folder.
    long dayStartsAt = 0;

    bool operator==(const TimeSettings&) const = default;
};

// "[+|-]H:MM[:SS]" (hours below 24, minutes and seconds below 60) in seconds.
std::optional<long> parseClockShift(std::string_view text);
// "HH:MM" (hours below 24, minutes below 60) in seconds after midnight.
std::optional<long> parseDayStart(std::string_view text);
// "utc" (false) or "local" (true).
std::optional<bool> parseVideoClock(std::string_view text);

// "+07:00", "-00:30", "+01:00:15": what parseClockShift takes back.
std::string clockShiftText(long seconds);
// "04:00".
std::string dayStartText(long seconds);
inline const char* videoClockText(bool local) {
    return local ? "local" : "utc";
}

// What the settings change, for a report: "capture dates moved by +07:00 · movie times in
// Asia/Bangkok · days start at 04:00"; empty when every setting is at its default.
std::string timeSettingsSummary(const TimeSettings& settings);

} // namespace orvane
