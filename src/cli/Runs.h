#pragma once

#include <string>

namespace CLI {
class App;
}

namespace orvane::cli {

struct UndoArguments {
    std::string id; // a run id or its beginning; empty: the latest run that copied something
    bool dryRun = false;
    bool json = false;
};

// The options of "runs" and "undo", for the parsers and the shell completion.
void addRunsOptions(CLI::App& app, bool& json);
void addUndoOptions(CLI::App& app, UndoArguments& arguments);

// `orvane runs [--json]`: the recorded runs, latest first, after cleaning up behind runs that
// were killed. `args` excludes the program name and the word "runs". Answers the exit status.
int runRuns(int argc, char** argv);

// `orvane undo [RUN] [--dry-run] [--json]`: takes back the copies of a run (by default the
// latest that has ended). Answers 0 when done, 1 when the run was undone before, has not
// ended, or a copy could not be removed, 2 for bad usage or no such run.
int runUndo(int argc, char** argv);

} // namespace orvane::cli
