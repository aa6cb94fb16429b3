#include "dates/ExifDateText.h"

#include "base/Log.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace orvane {
namespace {

struct FreeDeleter {
    void operator()(char* text) const { std::free(text); }
};

void logMissingField(int field, const char* text, const char* tagName) {
    switch (field) {
    case 0:
        logMessage(LOG_DEBUG, "Invalid date in EXIF data (month): '%s' from tag: %s", text,
                   tagName);
        break;
    case 1:
        logMessage(LOG_DEBUG, "Invalid date in EXIF data (day): '%s' from tag: %s", text, tagName);
        break;
    case 2:
        logMessage(LOG_DEBUG, "Invalid date in EXIF data (hour): '%s' from tag: %s", text, tagName);
        break;
    case 3:
        logMessage(LOG_DEBUG, "Invalid date in EXIF data (minute): '%s' from tag: %s", text,
                   tagName);
        break;
    default:
        logMessage(LOG_DEBUG, "Invalid date in EXIF data (second): '%s' from tag: %s", text,
                   tagName);
        break;
    }
}

} // namespace

time_t unixTimeFromExifDate(const char* text, const char* tagName) {
    // strtok_r cuts the copy; it keeps its place in `rest`, not in hidden shared state.
    std::unique_ptr<char, FreeDeleter> copy(strdup(text));
    if (!copy)
        return -1;

    struct tm brokenDown;
    std::memset(&brokenDown, 0, sizeof brokenDown);
    brokenDown.tm_isdst = -1;
    brokenDown.tm_gmtoff = 0;
    brokenDown.tm_zone = nullptr;

    char* rest = nullptr;
    const char* token = strtok_r(copy.get(), ":", &rest);
    if (!token) {
        logMessage(LOG_DEBUG, "No date in EXIF data: '%s' from tag: %s", text, tagName);
        return -1;
    }
    const int year = std::atoi(token);

    int fields[5]; // month, day, hour, minute, second
    for (int i = 0; i < 5; ++i) {
        token = strtok_r(nullptr, ": ", &rest);
        if (!token) {
            logMissingField(i, text, tagName);
            return -1;
        }
        fields[i] = std::atoi(token);
    }
    const int month = fields[0];
    const int day = fields[1];

    // A camera whose clock was never set writes 0000:00:00 00:00:00. mktime would turn it
    // into 30 November of the year before year 0; the photo has no date instead.
    if (year == 0 && month == 0 && day == 0) {
        logMessage(LOG_DEBUG, "No date in EXIF data: '%s' from tag: %s", text, tagName);
        return -1;
    }

    time_t seconds = -1;
    // A year or month that struct tm cannot hold is a date no clock can have.
    if (year >= INT_MIN + 1900 && month > INT_MIN) {
        brokenDown.tm_year = year - 1900;
        brokenDown.tm_mon = month - 1;
        brokenDown.tm_mday = day;
        brokenDown.tm_hour = fields[2];
        brokenDown.tm_min = fields[3];
        brokenDown.tm_sec = fields[4];
        seconds = mktime(&brokenDown);
        logMessage(
            LOG_DEBUG, "Parsed out %s date '%s' to: '%lld:%lld:%d %d:%d:%d' yielding UNIX time %ld",
            tagName, text, static_cast<long long>(brokenDown.tm_year) + 1900,
            static_cast<long long>(brokenDown.tm_mon) + 1, brokenDown.tm_mday, brokenDown.tm_hour,
            brokenDown.tm_min, brokenDown.tm_sec, static_cast<long>(seconds));
    } else {
        logMessage(LOG_DEBUG,
                   "Parsed out %s date '%s' to: '%d:%d:%d %d:%d:%d' yielding UNIX time %ld",
                   tagName, text, year, month, day, fields[2], fields[3], fields[4],
                   static_cast<long>(seconds));
    }
    return seconds;
}

} // namespace orvane
