#include "platform/LocalZone.h"

#include <cstdlib>
#include <ctime>

namespace orvane {

void keepLocalZoneLoaded() {
    // The file glibc reads when TZ is unset; the leading colon names a file, not a rule.
    // Qt reads this value as "the system's zone" too.
    if (!std::getenv("TZ"))
        ::setenv("TZ", ":/etc/localtime", 0);
    ::tzset();
}

} // namespace orvane
