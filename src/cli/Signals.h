#pragma once

// Requests to stop by signal: Ctrl-C (SIGINT), SIGTERM and SIGHUP are all taken as the user's
// request to stop the run. The first lets the entry under way finish and the report be
// printed; the second asks to stop at once; a third ends the process on the spot.
namespace orvane::cli::stop_signals {

void install();

// The first signal received, or 0.
int first();

// How many signals have been received.
int count();

// The conventional exit status after a signal: 128 + its number.
inline int exitStatus(int signal) {
    return 128 + signal;
}

// The status to exit with once nothing is left to do but exit: 128 + the first signal's
// number when one came, else `status`. A signal that comes after this ends the process by
// its default action, which its parent sees as the same status: none goes unreported.
int finalStatus(int status);

} // namespace orvane::cli::stop_signals
