#include "cli/CommandLine.h"
#include "ui/DesktopApp.h"

// The window's program, which `orvane` starts with its own arguments. Started directly, it
// answers the command line as `orvane` does, so that either behaves the same.
int main(int argc, char** argv) {
    // The command line, help and version need no display and never start the GUI.
    if (const int status = orvane::cli::runCommandLine(argc, argv, true); status >= 0)
        return status;
    return orvane::runDesktop(argc, argv);
}
