#include "cli/StandardOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace orvane::cli {

int closeStandardOutput(int status) {
    int error = 0;
    if (std::fflush(stdout) != 0)
        error = errno;
    // An earlier write may have failed without flushing ever being asked for.
    const bool failedBefore = std::ferror(stdout) != 0;
    if (std::fclose(stdout) != 0 && error == 0)
        error = errno;
    if (error == 0 && !failedBefore)
        return status;
    if (error == EBADF && !failedBefore)
        return status; // there was no standard output to write to
    std::fprintf(stderr, "orvane: couldn't write to standard output: %s\n",
                 error ? std::strerror(error) : "write error");
    return status == 0 ? 1 : status;
}

void holdStandardOutput() {
    static char buffer[64 * 1024];
    if (!::isatty(STDOUT_FILENO))
        std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
}

} // namespace orvane::cli
