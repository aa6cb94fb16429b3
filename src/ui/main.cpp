#include "cli/Organize.h"
#include "cli/Runs.h"
#include "ui/DesktopApp.h"

#include <cstring>

int main(int argc, char** argv) {
    // The command line needs no display and never starts the GUI.
    if (argc >= 2 && std::strcmp(argv[1], "organize") == 0)
        return orvane::cli::runOrganize(argc - 1, argv + 1);
    if (argc >= 2 && std::strcmp(argv[1], "runs") == 0)
        return orvane::cli::runRuns(argc - 1, argv + 1);
    if (argc >= 2 && std::strcmp(argv[1], "undo") == 0)
        return orvane::cli::runUndo(argc - 1, argv + 1);
    return orvane::runDesktop(argc, argv);
}
