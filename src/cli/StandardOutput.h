#pragma once

// The report goes to standard output; a report that could not be written in full (a full
// disk, a closed pipe) must not pass for a good one.
namespace orvane::cli {

// Flushes and closes standard output. Answers `status` when everything written reached it;
// otherwise says so in one line on standard error and answers 1 (or `status` when that
// already tells a failure).
int closeStandardOutput(int status);

} // namespace orvane::cli
