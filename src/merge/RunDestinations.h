#pragma once

#include "base/RunResult.h"

#include <string>

namespace orvane {

class UserDefaults;

// The folders one run copies into: the destination the user picked, a folder for videos when
// the preferences send them apart, and the backups that get the same tree again.
struct RunDestinations {
    std::string main;
    std::string videos; // empty: videos go with the rest
    PathList backups;   // the enabled ones, in the preferences' order

    // Every folder besides `main` the run may copy below, for the run's record.
    PathList others() const;
};

RunDestinations runDestinationsOf(const UserDefaults& defaults, const std::string& main);

} // namespace orvane
