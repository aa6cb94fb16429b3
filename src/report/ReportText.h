#pragma once

#include "report/ReportController.h"

#include <optional>
#include <string>

namespace orvane {

// The report as plain text for printing: one list (or all three), a heading with its count
// and one "path<TAB>what happened" line per entry, as the tables show them.
std::string reportText(const ReportController& report, std::optional<ReportTable> only);

} // namespace orvane
