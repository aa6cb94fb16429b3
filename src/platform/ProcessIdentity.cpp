#include "platform/ProcessIdentity.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace orvane {
namespace {

// The start time of a process from /proc/PID/stat (field 22), or 0 when unreadable. The
// command name (field 2) may hold spaces and parentheses: the fields after it follow the
// last ')'.
unsigned long long startTicksOf(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line))
        return 0;
    const size_t close = line.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    // Field 3 (state) is the first after the name; the start time is field 22.
    for (int index = 3; index < 22; ++index)
        if (!(fields >> field))
            return 0;
    unsigned long long ticks = 0;
    if (!(fields >> ticks))
        return 0;
    return ticks;
}

std::string currentBootId() {
    std::ifstream in("/proc/sys/kernel/random/boot_id");
    std::string id;
    std::getline(in, id);
    return id;
}

} // namespace

ProcessIdentity currentProcess() {
    static const ProcessIdentity self = [] {
        ProcessIdentity process;
        process.pid = static_cast<long>(getpid());
        process.startTicks = startTicksOf(process.pid);
        process.bootId = currentBootId();
        return process;
    }();
    return self;
}

bool processIsGone(const ProcessIdentity& process) {
    if (process.pid <= 0)
        return false;
    // The boot id cannot change while this process runs.
    const std::string boot = currentProcess().bootId;
    if (!process.bootId.empty() && !boot.empty() && process.bootId != boot)
        return true;
    if (::kill(static_cast<pid_t>(process.pid), 0) != 0 && errno == ESRCH)
        return true;
    const unsigned long long ticks = startTicksOf(process.pid);
    if (ticks == 0)
        return false; // exists, but /proc does not say when it started
    return process.startTicks != 0 && ticks != process.startTicks;
}

} // namespace orvane
