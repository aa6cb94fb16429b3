#pragma once

#include <cstdint>

namespace orvane {

// The system's power messages, by the values the power-management protocol gives them.
enum PowerMessage : uint32_t {
    kIOMessageCanSystemSleep = 0xE0000270,
    kIOMessageSystemWillSleep = 0xE0000280,
    kIOMessageSystemHasPoweredOn = 0xE0000300,
};

enum class PowerAnswer {
    kAllow,  // let the change happen
    kCancel, // hold off the sleep
    kNone,   // no answer is due
};

} // namespace orvane
