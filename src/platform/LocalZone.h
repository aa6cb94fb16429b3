#pragma once

namespace orvane {

// Makes the C library load the local time zone once for the whole process. With TZ unset,
// glibc looks at /etc/localtime again on every mktime and strftime (a stat each, so one or
// more a file in a run); naming that same file in TZ lets it keep what it loaded. Call at
// the start of main, before any thread runs: it may set an environment variable.
void keepLocalZoneLoaded();

} // namespace orvane
