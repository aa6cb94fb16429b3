#include "cli/CommandLine.h"

// The command line alone, for builds without the window.
int main(int argc, char** argv) {
    return orvane::cli::runCommandLine(argc, argv, false);
}
