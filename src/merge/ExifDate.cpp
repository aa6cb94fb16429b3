#include "merge/ExifDate.h"

namespace orvane {

time_t exifDateForPath(const char*, const struct stat&) {
    return -1;
}

} // namespace orvane
