#pragma once

namespace orvane::cli {

// `orvane organize [options] SOURCE... DEST`; `args` excludes the program name and the
// word "organize". Answers the exit status: 0 when nothing failed, 1 when an entry failed,
// 2 for bad usage or a pattern that does not compile, 130 when interrupted. With --dry-run:
// 0 when every entry could be planned, 1 when one could not.
int runOrganize(int argc, char** argv);

} // namespace orvane::cli
