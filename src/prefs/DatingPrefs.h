#pragma once

#include "base/TimeSettings.h"
#include "dates/Dater.h"

namespace orvane {

class UserDefaults;

// The time settings in force: the preferences' lasting defaults (the zone of the shoot, when
// a day starts) under what the command line or the preview set for one run (the camera
// clock's shift, the video clock). A stored value that does not parse is left at its default,
// with a warning in the log: the store is read as untrusted input.
TimeSettings timeSettingsOf(const UserDefaults& defaults);

// Everything a run dates files by, the zone of the shoot looked up once. A zone the database
// does not know is this computer's, with a warning in the log.
DatingRules datingRulesOf(const UserDefaults& defaults);

} // namespace orvane
