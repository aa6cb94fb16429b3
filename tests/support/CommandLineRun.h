#pragma once

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace orvane::test {

struct CommandLineOutcome {
    int status = -1;
    std::string out; // standard output, then standard error
};

// Runs the built `orvane` with the settings and run records below `home` and its import
// history in `data` (another folder is another computer's history), waiting for it to end.
inline CommandLineOutcome runCommandLine(const std::string& home, const std::string& data,
                                         const std::vector<std::string>& args) {
    std::string command = "ORVANE_CONFIG_DIR='" + home + "/config' ORVANE_STATE_DIR='" + home +
                          "/state' ORVANE_DATA_DIR='" + data + "' TZ=UTC '" + ORVANE_BINARY + "'";
    for (const std::string& arg : args)
        command += " '" + arg + "'";
    CommandLineOutcome run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace orvane::test
