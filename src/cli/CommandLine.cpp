#include "cli/CommandLine.h"

#include "app/BuildInfo.h"
#include "cli/Cameras.h"
#include "cli/History.h"
#include "cli/Organize.h"
#include "cli/Runs.h"
#include "cli/ShellCompletion.h"
#include "cli/Signals.h"
#include "cli/StandardOutput.h"
#include "platform/LocalZone.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orvane::cli {
namespace {

bool is(const char* arg, const char* word) {
    return std::strcmp(arg, word) == 0;
}

void printUsage(std::FILE* out, bool withDesktop) {
    if (withDesktop)
        std::fprintf(out, "usage: orvane [PATH...]\n"
                          "         open the window, with PATH... as the sources\n"
                          "       orvane organize [options] SOURCE... DEST\n");
    else
        std::fprintf(out, "usage: orvane organize [options] SOURCE... DEST\n");
    std::fprintf(out, "         copy SOURCE... into date folders under DEST, without a window\n"
                      "       orvane organize --help\n"
                      "         the options of organize\n"
                      "       orvane runs [--json]\n"
                      "         the recorded runs, latest first\n"
                      "       orvane undo [RUN] [--dry-run] [--json]\n"
                      "         take back a run (by default the latest)\n"
                      "       orvane history [--json] [PATH...]\n"
                      "         when and where files were imported\n"
                      "       orvane history --forget RUN|PATH\n"
                      "         forget imports, so that a later run copies them again\n"
                      "       orvane cameras [--json]\n"
                      "         the cameras and phones connected by cable\n"
                      "       orvane completion bash|fish|zsh\n"
                      "         the shell completion script\n"
                      "       orvane --version\n");
}

bool hasEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Whether the window system can be reached, judged as the windowing library judges it, so
// that it is never started where it would abort.
bool displayAvailable(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (is(argv[i], "-platform") || is(argv[i], "--platform"))
            return true;
    if (hasEnv("QT_QPA_PLATFORM") || hasEnv("DISPLAY") || hasEnv("WAYLAND_DISPLAY"))
        return true;
    const char* session = std::getenv("XDG_SESSION_TYPE");
    return session && is(session, "wayland");
}

} // namespace

int runCommandLine(int argc, char** argv, bool withDesktop) {
    keepLocalZoneLoaded();
    holdStandardOutput();
    if (argc >= 2 && is(argv[1], "organize"))
        return stop_signals::finalStatus(closeStandardOutput(runOrganize(argc - 1, argv + 1)));
    if (argc >= 2 && is(argv[1], "runs"))
        return closeStandardOutput(runRuns(argc - 1, argv + 1));
    if (argc >= 2 && is(argv[1], "undo"))
        return closeStandardOutput(runUndo(argc - 1, argv + 1));
    if (argc >= 2 && is(argv[1], "history"))
        return closeStandardOutput(runHistory(argc - 1, argv + 1));
    if (argc >= 2 && is(argv[1], "cameras"))
        return closeStandardOutput(runCameras(argc - 1, argv + 1));
    if (argc >= 2 && is(argv[1], "completion"))
        return closeStandardOutput(runCompletion(argc - 1, argv + 1));
    if (argc == 2 && (is(argv[1], "--help") || is(argv[1], "-h"))) {
        printUsage(stdout, withDesktop);
        return closeStandardOutput(0);
    }
    if (argc == 2 && is(argv[1], "--version")) {
        std::printf("orvane %s\n", build::kVersion);
        return closeStandardOutput(0);
    }
    if (!withDesktop) {
        printUsage(stderr, false);
        return 2;
    }
    if (!displayAvailable(argc, argv)) {
        std::fprintf(stderr, "orvane: no display was found, so the window cannot open. Without a "
                             "window, use: orvane organize [options] SOURCE... DEST (see orvane "
                             "organize --help)\n");
        return 2;
    }
    return -1;
}

} // namespace orvane::cli
