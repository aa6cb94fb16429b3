#pragma once

#include <ctime>
#include <sys/stat.h>

namespace orvane {

// The capture date of a JPEG or TIFF file from its EXIF data, in seconds since 1970 read as
// local time, or -1 when the file has none. `status` is the file's stat result.
time_t exifDateForPath(const char* path, const struct stat& status);

} // namespace orvane
