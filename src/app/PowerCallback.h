#pragma once

#include "platform/PowerMessages.h"

#include <cstdint>

namespace orvane {

// The answer to one power message, given the run state at that moment, logging what it
// decides. Sleep is held off while a run is in any state but idle.
PowerAnswer powerCallback(uint32_t messageType, int mergeState);

} // namespace orvane
