#pragma once

// The report goes to standard output; a report that could not be written in full (a full
// disk, a closed pipe) must not pass for a good one.
namespace orvane::cli {

// Flushes and closes standard output. Answers `status` when everything written reached it;
// otherwise says so in one line on standard error and answers 1 (or `status` when that
// already tells a failure).
int closeStandardOutput(int status);

// Gives standard output, when it is not a terminal, a buffer that holds a usual report or
// help text whole: its one write then fails, if at all, in closeStandardOutput's flush, which
// can tell why; a smaller buffer's failed write inside printing loses the reason.
void holdStandardOutput();

} // namespace orvane::cli
