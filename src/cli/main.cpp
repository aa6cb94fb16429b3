#include "cli/Organize.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "organize") == 0)
        return orvane::cli::runOrganize(argc - 1, argv + 1);
    std::fprintf(stderr, "usage: orvane organize [options] SOURCE... DEST\n"
                         "       orvane organize --help\n");
    return 2;
}
