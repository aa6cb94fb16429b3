#pragma once

// Dates are kept as seconds since 1970 that this computer's zone renders as the wall-clock
// time a file was taken at (an EXIF date is read that way). These helpers move such dates by
// wall-clock time, and bring UTC instants into that form for a zone of the tz database.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// A zone of the system's tz database, looked up once (per run) and then used from any thread.
class ShootZone {
  public:
    // None when the database knows no zone of that name.
    static std::optional<ShootZone> named(const std::string& name);

    const std::string& name() const { return name_; }
    // The date that renders, in this computer's zone, as the wall-clock time in this zone at
    // the UTC instant `instant`.
    time_t wallClockAt(time_t instant) const;

  private:
    ShootZone(std::string name, const void* zone) : name_(std::move(name)), zone_(zone) {}
    std::string name_;
    const void* zone_; // the database's time_zone, which lives as long as the process
};

// The names of the zones of the system's tz database, sorted; empty when it has none.
std::vector<std::string> timeZoneNames();

// The date whose wall-clock time is that of `date` moved by `seconds`.
time_t shiftedWallClock(time_t date, long seconds);

// The date that renders as the wall-clock time written as `fields` seconds since 1970 read
// as UTC (a movie header written in the camera's local time).
time_t wallClockOfFields(time_t fields);

// The day `date` belongs to when a day starts `dayStartsAt` seconds after midnight: a date
// whose time of day is earlier renders as the day before (at noon, clear of clock changes).
time_t dayOf(time_t date, long dayStartsAt);

} // namespace orvane
