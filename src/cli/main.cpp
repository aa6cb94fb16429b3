#include "cli/Organize.h"
#include "cli/Runs.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "organize") == 0)
        return orvane::cli::runOrganize(argc - 1, argv + 1);
    if (argc >= 2 && std::strcmp(argv[1], "runs") == 0)
        return orvane::cli::runRuns(argc - 1, argv + 1);
    if (argc >= 2 && std::strcmp(argv[1], "undo") == 0)
        return orvane::cli::runUndo(argc - 1, argv + 1);
    std::fprintf(stderr, "usage: orvane organize [options] SOURCE... DEST\n"
                         "       orvane runs [--json]\n"
                         "       orvane undo [RUN] [--dry-run] [--json]\n"
                         "       orvane COMMAND --help\n");
    return 2;
}
