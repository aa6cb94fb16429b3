#include "cli/Organize.h"
#include "ui/DesktopApp.h"

#include <cstring>

int main(int argc, char** argv) {
    // The command line needs no display and never starts the GUI.
    if (argc >= 2 && std::strcmp(argv[1], "organize") == 0)
        return orvane::cli::runOrganize(argc - 1, argv + 1);
    return orvane::runDesktop(argc, argv);
}
