#include "report/ReportText.h"

#include "base/WindowText.h"

namespace orvane {

namespace {

const char* headingOf(ReportTable table) {
    switch (table) {
    case ReportTable::Copied:
        return ORVANE_TRANSLATE_NOOP("Orvane", "Copied");
    case ReportTable::Skipped:
        return ORVANE_TRANSLATE_NOOP("Orvane", "Skipped");
    case ReportTable::ImportedBefore:
        return ORVANE_TRANSLATE_NOOP("Orvane", "Imported Before");
    case ReportTable::Errors:
        break;
    }
    return ORVANE_TRANSLATE_NOOP("Orvane", "Errors");
}

} // namespace

std::string reportText(const ReportController& report, std::optional<ReportTable> only) {
    std::string text;
    for (ReportTable table : {ReportTable::Copied, ReportTable::ImportedBefore,
                              ReportTable::Skipped, ReportTable::Errors}) {
        if (only && *only != table)
            continue;
        const long rows = report.numberOfRowsInTableView(table);
        // A list that is there only when it has files.
        if (rows == 0 && table == ReportTable::ImportedBefore && !only)
            continue;
        if (!text.empty())
            text += "\n";
        text += std::string(headingOf(table)) + " (" + std::to_string(rows) + ")\n";
        for (long row = 0; row < rows; ++row)
            text += report.tableView(table, kKeyColumn, row) + "\t" +
                    report.tableView(table, kValueColumn, row) + "\n";
    }
    return text;
}

} // namespace orvane
