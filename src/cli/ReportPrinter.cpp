#include "cli/ReportPrinter.h"

#include "base/Paths.h"
#include "base/StringHelpers.h"

#include <nlohmann/json.hpp>

namespace orvane::cli {

std::string localDateText(time_t seconds) {
    struct tm local;
    localtime_r(&seconds, &local);
    char buffer[64];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    return buffer;
}

std::string displayPath(const std::string& path) {
    // A name with a control character or a byte that is no UTF-8 is shown escaped and in
    // double quotes, where a backslash and a quote are escaped too: the escaped form of a
    // newline can then never read like a name that holds a backslash and an "n". A name that
    // starts with a quote is quoted as well, so that only escaped names start with one.
    bool plain = path.empty() || path[0] != '"';
    for (size_t i = 0; plain && i < path.size();) {
        const size_t length = utf8SequenceLength(path, i);
        const auto byte = static_cast<unsigned char>(path[i]);
        plain = length != 0 && byte >= 0x20 && byte != 0x7F;
        i += length;
    }
    if (plain)
        return path;
    std::string out = "\"";
    for (size_t i = 0; i < path.size();) {
        const size_t length = utf8SequenceLength(path, i);
        const auto byte = static_cast<unsigned char>(path[i]);
        if (byte == '\\' || byte == '"') {
            out += '\\';
            out += path[i];
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (length == 0 || byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out.append(path, i, length);
            i += length;
            continue;
        }
        ++i;
    }
    return out + '"';
}

std::string jsonText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = utf8SequenceLength(text, i);
        if (length == 0) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(text[i]));
            out += escaped;
            ++i;
        } else {
            if (text[i] == '\\')
                out += '\\';
            out.append(text, i, length);
            i += length;
        }
    }
    return out;
}

namespace {

EntryDating datingOf(const RunResult& result, const std::string& path) {
    auto it = result.resDatingDict.find(path);
    return it == result.resDatingDict.end() ? EntryDating{} : it->second;
}

const std::string& valueOrEmpty(const PathDict& dict, const std::string& key) {
    static const std::string empty;
    auto it = dict.find(key);
    return it == dict.end() ? empty : it->second;
}

// The item at the destination that stands for a source, where it is not simply the date
// folder and the source's name: "" otherwise.
const std::string& destinationOf(const RunResult& result, const std::string& path) {
    return valueOrEmpty(result.resDestinationDict, path);
}

// A report line's value with the item at the destination that stands for the entry, when
// there is one: the numbered name of a copy, or the file that already held the same contents.
std::string withDestination(std::string value, const RunResult& result, const std::string& path,
                            bool copied) {
    if (const std::string& destination = destinationOf(result, path); !destination.empty())
        value += copied ? " (as " + displayPath(lastPathComponent(destination)) + ")"
                        : " (" + displayPath(destination) + ")";
    return value;
}

void printSection(std::FILE* out, const char* title, const PathList& paths, const PathDict& dict,
                  const char* separator, const RunResult& result) {
    if (paths.empty())
        return;
    std::fprintf(out, "%s (%zu):\n", title, paths.size());
    for (const std::string& path : paths)
        std::fprintf(
            out, "  %s%s%s\n", displayPath(path).c_str(), separator,
            withDestination(displayPath(valueOrEmpty(dict, path)), result, path, false).c_str());
}

// The copied entries, each with its date folder, how it was dated and whether to check it.
// The entry's copies below the run's backups, one line each under its own.
void printBackupCopies(std::FILE* out, const RunResult& result, const std::string& path) {
    if (auto backups = result.resBackupDict.find(path); backups != result.resBackupDict.end())
        for (const std::string& copy : backups->second)
            std::fprintf(out, "      also  ->  %s\n", displayPath(copy).c_str());
}

void printCopied(std::FILE* out, const RunResult& result) {
    if (result.resCopiedFiles.empty())
        return;
    std::fprintf(out, "Copied (%zu):\n", result.resCopiedFiles.size());
    for (const std::string& path : result.resCopiedFiles) {
        const EntryDating dating = datingOf(result, path);
        const std::string folder = withDestination(
            displayPath(valueOrEmpty(result.resCopiedDict, path)), result, path, true);
        std::fprintf(out, "  %s  ->  %s  (%s%s)\n", displayPath(path).c_str(), folder.c_str(),
                     datedByName(dating.datedBy), dating.checkDate ? ", check date" : "");
        printBackupCopies(out, result, path);
    }
}

} // namespace

void addTimeSettingsJson(nlohmann::ordered_json& report, const TimeSettings& settings) {
    using nlohmann::ordered_json;
    report["shifted_by"] =
        settings.shift != 0 ? ordered_json(clockShiftText(settings.shift)) : ordered_json(nullptr);
    report["zone"] = settings.zone.empty() ? ordered_json(nullptr) : ordered_json(settings.zone);
    report["video_clock"] = videoClockText(settings.videoClockLocal);
    report["day_starts_at"] = dayStartText(settings.dayStartsAt);
}

void printReportText(std::FILE* out, const RunResult& result, bool cancelled) {
    printCopied(out, result);
    // An entry the destination held already may still have been copied to a backup.
    size_t filledIn = 0;
    for (const std::string& path : result.resSkippedFiles)
        filledIn += result.resBackupDict.count(path);
    if (filledIn) {
        std::fprintf(out, "Copied to backups only (%zu):\n", filledIn);
        for (const std::string& path : result.resSkippedFiles)
            if (result.resBackupDict.count(path)) {
                std::fprintf(out, "  %s\n", displayPath(path).c_str());
                printBackupCopies(out, result, path);
            }
    }
    // Files the import history knew are a list of their own: a re-import is mostly those.
    const SkippedPaths skipped = splitSkipped(result);
    const PathList& imported = skipped.importedBefore;
    printSection(out, "Imported before", imported, result.resSkippedDict, ": ", result);
    printSection(out, "Skipped", skipped.others, result.resSkippedDict, ": ", result);
    printSection(out, "Errors", result.resErrorFiles, result.resErrorDict, ": ", result);
    printSection(out, "Originals kept", result.originalsKept, result.originalsKeptDict, ": ",
                 result);
    std::fprintf(out, "%zu copied, %zu skipped", result.resCopiedFiles.size(),
                 result.resSkippedFiles.size());
    if (!imported.empty())
        std::fprintf(out, " (%zu imported before)", imported.size());
    std::fprintf(out, ", %zu errors", result.resErrorFiles.size());
    if (const size_t unreadable = countUnreadable(result))
        std::fprintf(out, ", %zu couldn't be read", unreadable);
    if (const size_t toCheck = result.checkDateCount())
        std::fprintf(out, ", %zu to check date", toCheck);
    if (result.verifying)
        std::fprintf(out, ", %zu verified", result.verified);
    if (result.moving)
        std::fprintf(out, ", %zu originals removed", result.originalsRemoved);
    std::fprintf(out, "%s\n", cancelled ? " (cancelled)" : "");
    for (const std::string& note : result.notes)
        std::fprintf(out, "%s\n", note.c_str());
}

void printReportJson(std::FILE* out, const RunResult& result, bool cancelled) {
    using nlohmann::ordered_json;
    auto list = [&](const PathList& paths, const PathDict& dict, const char* field) {
        ordered_json items = ordered_json::array();
        for (const std::string& path : paths) {
            ordered_json item = {{"path", jsonText(path)},
                                 {field, jsonText(valueOrEmpty(dict, path))}};
            if (const std::string& destination = destinationOf(result, path); !destination.empty())
                item["destination"] = jsonText(destination);
            if (auto backups = result.resBackupDict.find(path);
                backups != result.resBackupDict.end()) {
                ordered_json copies = ordered_json::array();
                for (const std::string& copy : backups->second)
                    copies.push_back(jsonText(copy));
                item["backups"] = std::move(copies);
            }
            items.push_back(std::move(item));
        }
        return items;
    };
    ordered_json report;
    ordered_json copied = list(result.resCopiedFiles, result.resCopiedDict, "folder");
    for (size_t index = 0; index < copied.size(); ++index) {
        const EntryDating dating = datingOf(result, result.resCopiedFiles[index]);
        copied[index]["dated_by"] = datedByName(dating.datedBy);
        copied[index]["check_date"] = dating.checkDate;
        if (dating.datedBy != DatedBy::Modified && result.timeSettings.shift != 0)
            copied[index]["shifted_by"] = clockShiftText(result.timeSettings.shift);
    }
    report["copied"] = std::move(copied);
    report["check_date_count"] = result.checkDateCount();
    // None when the run did not read its copies back.
    report["verified"] = result.verifying ? ordered_json(result.verified) : ordered_json(nullptr);
    report["originals_removed"] =
        result.moving ? ordered_json(result.originalsRemoved) : ordered_json(nullptr);
    report["originals_kept"] = list(result.originalsKept, result.originalsKeptDict, "reason");
    report["skipped"] = list(result.resSkippedFiles, result.resSkippedDict, "reason");
    report["imported_before_count"] = splitSkipped(result).importedBefore.size();
    report["errors"] = list(result.resErrorFiles, result.resErrorDict, "error");
    report["cancelled"] = cancelled;
    addTimeSettingsJson(report, result.timeSettings);
    report["notes"] = result.notes;
    std::fprintf(out, "%s\n", report.dump(2).c_str());
}

} // namespace orvane::cli
