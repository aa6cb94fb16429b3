// What the window benchmarks share: wall time, the settings both the window and the command
// line run with, the command line run in a child process, and the event loop turned until a
// condition holds.
#pragma once

#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace orvane::bench {

using Clock = std::chrono::steady_clock;

inline double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Three levels of "%Y/%m/%d", every file copied, no remembered paths, no welcome or
// donation prompts; dated by EXIF or by modification time.
inline void writeSettings(UserDefaults& defaults, bool exif) {
    registerDefaults(defaults);
    defaults.setBool(keys::kUseExifData, exif);
    defaults.setInteger(keys::kDirLevels, 3);
    defaults.setObject(keys::kThreeLevelDateFormat, std::string("%Y/%m/%d"));
    defaults.setObject(keys::kMatchingMode, std::string(kAllExceptMatching));
    defaults.setBool(keys::kRememberPaths, false);
    defaults.setInteger(keys::kPreviousRuns, 7);
    defaults.synchronize();
}

// `orvane ARGS…` with the settings in `config` and its output dropped; answers its wall
// time, and says so on standard error when it failed (exit status 0 and 1 are outcomes).
inline double runCommandLine(const std::string& orvane, const std::filesystem::path& config,
                             const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(orvane.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("ORVANE_CONFIG_DIR", config.c_str(), 1);
        if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr))
            _exit(127);
        execv(orvane.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double elapsed = seconds(Clock::now() - start);
    if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 1))
        std::fprintf(stderr, "the command line failed (status %d)\n", status);
    return elapsed;
}

// Runs the event loop, as the application does, until `done` holds; asked every 5 ms.
inline void waitUntil(const std::function<bool()>& done) {
    if (done())
        return;
    QEventLoop loop;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    timer.start();
    loop.exec();
}

} // namespace orvane::bench
