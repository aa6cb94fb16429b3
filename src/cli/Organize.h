#pragma once

namespace orvane::cli {

// `orvane organize [options] SOURCE... DEST`; `args` excludes the program name and the
// word "organize". Answers the exit status: 0 when nothing failed, 1 when an entry failed or
// a source could not be read, 2 for bad usage or a pattern that does not compile, 128 + the
// signal's number when stopped by SIGINT, SIGTERM or SIGHUP. With --dry-run: 0 when every
// entry could be planned and every source read, else 1. Standard output is left for the
// caller to close.
int runOrganize(int argc, char** argv);

} // namespace orvane::cli
