#pragma once

namespace orvane::cli {

// `orvane history [--json] [PATH...]` and `orvane history --forget RUN|PATH`: when and where
// files were imported, from the import history, or forgetting some of them. `args` excludes
// the program name and the word "history". Answers the exit status (1: the history can't be
// read; 2: bad usage).
int runHistory(int argc, char** argv);

} // namespace orvane::cli
