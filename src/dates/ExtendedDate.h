#pragma once

#include <cstddef>
#include <ctime>
#include <sys/stat.h>

namespace orvane {

// The capture date of a photo or video that the EXIF reader does not read (its first bytes
// are not JPEG or TIFF magic), chosen by content: exiv2 for still images in other containers,
// the movie or AVI headers for videos, the stream's own recording date for AVCHD. Seconds since
// 1970 or -1; never throws, never reads a whole video. JPEG and TIFF files answer -1 at once.
// `utcInstant`, when given, tells whether the date is a UTC instant (a movie header's time)
// rather than a wall-clock time.
time_t extendedDateForPath(const char* path, const struct stat& status, bool* utcInstant = nullptr);

// The same for the whole contents of a file held in memory.
time_t extendedDateForBytes(const unsigned char* bytes, size_t length);

} // namespace orvane
