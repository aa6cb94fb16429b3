#include "cli/CommandLine.h"

#ifdef ORVANE_WITH_DESKTOP
#include "app/Resources.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// The window is another program, so that the command line loads none of its libraries. It
// takes over this process with the same arguments, argv[0] among them: Qt names the window's
// X11 class after it, and messages keep saying "orvane".
int startDesktop(char** argv) {
    const std::filesystem::path program = orvane::desktopProgram();
    if (program.empty()) {
        std::fprintf(stderr, "orvane: cannot start the window: the location of orvane itself "
                             "is unknown (/proc/self/exe)\n");
        return 1;
    }
    std::fflush(nullptr);
    ::execv(program.c_str(), argv);
    std::fprintf(stderr, "orvane: cannot start the window: %s: %s\n", program.c_str(),
                 std::strerror(errno));
    return 1;
}

} // namespace
#endif

int main(int argc, char** argv) {
#ifdef ORVANE_WITH_DESKTOP
    // The command line, help and version need no display and never start the window.
    if (const int status = orvane::cli::runCommandLine(argc, argv, true); status >= 0)
        return status;
    return startDesktop(argv);
#else
    // The command line alone, for builds without the window.
    return orvane::cli::runCommandLine(argc, argv, false);
#endif
}
