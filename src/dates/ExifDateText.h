#pragma once

#include <ctime>

namespace orvane {

// Seconds since 1970 of an EXIF date text "YYYY:MM:DD HH:MM:SS" read as local time, or -1.
// Fields out of range are normalised by mktime (month 13 is January of the next year); a
// date whose year, month and day are all zero, as cameras with an unset clock write, is no
// date. `tagName` only names the tag in the log lines.
time_t unixTimeFromExifDate(const char* text, const char* tagName);

} // namespace orvane
