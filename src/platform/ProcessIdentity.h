#pragma once

#include <string>

namespace orvane {

// Names one process for as long as the machine runs: a pid alone is reused, so the
// kernel's start time of the process (clock ticks since boot) and the boot's id go with it.
struct ProcessIdentity {
    long pid = 0;
    unsigned long long startTicks = 0;
    std::string bootId;
};

// This process.
ProcessIdentity currentProcess();

// Whether the process is certainly gone: its pid is free, taken by a process that started
// at another time, or it ran before the last boot. Answers false when it cannot tell.
bool processIsGone(const ProcessIdentity& process);

} // namespace orvane
