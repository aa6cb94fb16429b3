#pragma once

#include "base/RunResult.h"

#include <cstdio>
#include <string>

namespace orvane::cli {

// A path for the terminal: valid UTF-8 with control characters and invalid bytes escaped.
std::string displayPath(const std::string& path);

void printReportText(std::FILE* out, const RunResult& result, bool cancelled);
// {"copied": [{"path", "folder"}], "skipped": [{"path", "reason"}], "errors": [{"path",
// "error"}], "cancelled": bool}
void printReportJson(std::FILE* out, const RunResult& result, bool cancelled);

} // namespace orvane::cli
