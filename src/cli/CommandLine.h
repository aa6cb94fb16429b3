#pragma once

// What the program does before, or instead of, opening its window: `orvane organize`,
// `orvane --help` and `orvane --version`, none of which needs a display.
namespace orvane::cli {

// Answers the exit status when the arguments ask for one of these, or when the window cannot
// open (no display, or a build without one); answers -1 when the desktop application should
// start. `withDesktop` tells whether this build has the window.
int runCommandLine(int argc, char** argv, bool withDesktop);

} // namespace orvane::cli
