#pragma once

// Requests to stop by signal: Ctrl-C (SIGINT), SIGTERM and SIGHUP are all taken as the user's
// request to stop the run. The first lets the entry under way finish and the report be
// printed; the second asks to stop at once; a third ends the process on the spot.
//
// SIGTERM is sent by whoever wants the process gone (a shutdown gives it seconds): after it
// the process ends within kTermDeadlineSeconds whatever it is waiting for, on the spot and
// with its status, like a third signal. What a run made durable before stays; what it had
// not is found by the next start as after a crash.
namespace orvane::cli::stop_signals {

// How long the run may round off after SIGTERM: the run control stops at once after
// kTermGraceSeconds, and the process ends on its own after kTermDeadlineSeconds, even when
// the run control itself is held up.
inline constexpr int kTermGraceSeconds = 3;
inline constexpr int kTermDeadlineSeconds = 6;

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
