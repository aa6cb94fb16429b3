#include "cli/ReportPrinter.h"

#include "base/StringHelpers.h"

#include <nlohmann/json.hpp>

namespace orvane::cli {

std::string displayPath(const std::string& path) {
    std::string out;
    for (char c : safeCString(path)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else
            out += c;
    }
    return out;
}

namespace {

const std::string& valueOrEmpty(const PathDict& dict, const std::string& key) {
    static const std::string empty;
    auto it = dict.find(key);
    return it == dict.end() ? empty : it->second;
}

void printSection(std::FILE* out, const char* title, const PathList& paths, const PathDict& dict,
                  const char* separator) {
    if (paths.empty())
        return;
    std::fprintf(out, "%s (%zu):\n", title, paths.size());
    for (const std::string& path : paths)
        std::fprintf(out, "  %s%s%s\n", displayPath(path).c_str(), separator,
                     displayPath(valueOrEmpty(dict, path)).c_str());
}

} // namespace

void printReportText(std::FILE* out, const RunResult& result, bool cancelled) {
    printSection(out, "Copied", result.resCopiedFiles, result.resCopiedDict, "  ->  ");
    printSection(out, "Skipped", result.resSkippedFiles, result.resSkippedDict, ": ");
    printSection(out, "Errors", result.resErrorFiles, result.resErrorDict, ": ");
    std::fprintf(out, "%zu copied, %zu skipped, %zu errors", result.resCopiedFiles.size(),
                 result.resSkippedFiles.size(), result.resErrorFiles.size());
    if (const size_t unreadable = countUnreadable(result))
        std::fprintf(out, ", %zu couldn't be read", unreadable);
    std::fprintf(out, "%s\n", cancelled ? " (cancelled)" : "");
}

void printReportJson(std::FILE* out, const RunResult& result, bool cancelled) {
    using nlohmann::ordered_json;
    auto list = [&](const PathList& paths, const PathDict& dict, const char* field) {
        ordered_json items = ordered_json::array();
        for (const std::string& path : paths)
            items.push_back(
                {{"path", safeCString(path)}, {field, safeCString(valueOrEmpty(dict, path))}});
        return items;
    };
    ordered_json report;
    report["copied"] = list(result.resCopiedFiles, result.resCopiedDict, "folder");
    report["skipped"] = list(result.resSkippedFiles, result.resSkippedDict, "reason");
    report["errors"] = list(result.resErrorFiles, result.resErrorDict, "error");
    report["cancelled"] = cancelled;
    std::fprintf(out, "%s\n", report.dump(2).c_str());
}

} // namespace orvane::cli
