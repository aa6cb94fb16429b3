// The set-up every fuzz target shares: dates in UTC, so that answers do not depend on the
// machine, and every log line formatted, as a user with debug logging would have them, but
// written nowhere.
#pragma once

#include "base/Log.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "UTC", 1);
    tzset();
    orvane::configureLogging(2);
    orvane::setLogStream(std::fopen("/dev/null", "w"));
    return 0;
}
