#pragma once

namespace orvane {

class UserDefaults;

// Takes the threshold and tracking mode from the "debug" preference, creates the log lock
// and, in tracking mode, writes the start-up lines with a dump of the preferences. Run once,
// before any other thread exists.
void setUpLogging(const UserDefaults& defaults, const char* version);

} // namespace orvane
