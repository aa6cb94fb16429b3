#include "dates/WallClock.h"

#include <algorithm>
#include <chrono>
#include <date/tz.h>
#include <stdexcept>

namespace orvane {
namespace {

// The date that renders in this computer's zone as the wall-clock time `tm` holds (its
// fields may be out of range: mktime carries them over).
time_t fromLocalFields(struct tm tm) {
    tm.tm_isdst = -1;
    return mktime(&tm);
}

} // namespace

std::optional<ShootZone> ShootZone::named(const std::string& name) {
    try {
        return ShootZone(name, date::locate_zone(name));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::vector<std::string> timeZoneNames() {
    std::vector<std::string> names;
    try {
        for (const date::time_zone& zone : date::get_tzdb().zones)
            names.push_back(zone.name());
    } catch (const std::exception&) {
        return {};
    }
    std::sort(names.begin(), names.end());
    return names;
}

time_t ShootZone::wallClockAt(time_t instant) const {
    const auto* zone = static_cast<const date::time_zone*>(zone_);
    const date::local_seconds local =
        zone->to_local(date::sys_seconds(std::chrono::seconds(instant)));
    return wallClockOfFields(static_cast<time_t>(local.time_since_epoch().count()));
}

time_t shiftedWallClock(time_t date, long seconds) {
    struct tm tm;
    if (seconds == 0 || !localtime_r(&date, &tm))
        return date;
    tm.tm_sec += static_cast<int>(seconds);
    const time_t shifted = fromLocalFields(tm);
    return shifted == -1 ? date + seconds : shifted;
}

time_t wallClockOfFields(time_t fields) {
    struct tm tm;
    if (!gmtime_r(&fields, &tm))
        return fields;
    const time_t date = fromLocalFields(tm);
    return date == -1 ? fields : date;
}

time_t dayOf(time_t date, long dayStartsAt) {
    struct tm tm;
    if (dayStartsAt <= 0 || !localtime_r(&date, &tm) ||
        tm.tm_hour * 3600L + tm.tm_min * 60L + tm.tm_sec >= dayStartsAt)
        return date;
    tm.tm_mday -= 1;
    tm.tm_hour = 12;
    tm.tm_min = tm.tm_sec = 0;
    const time_t day = fromLocalFields(tm);
    return day == -1 ? date : day;
}

} // namespace orvane
