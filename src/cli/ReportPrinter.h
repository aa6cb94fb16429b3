#pragma once

#include "base/RunResult.h"

#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>
#include <string>

namespace orvane::cli {

// A path for the terminal: as it is when it is valid UTF-8 without control characters, else
// in double quotes with control characters, invalid bytes, backslashes and quotes escaped.
std::string displayPath(const std::string& path);

// A name or path as a JSON string's value: valid UTF-8 as it is, each byte that is no UTF-8 as
// \xNN, and a backslash doubled, so that a name holding the byte 0xFF and one holding the text
// "\xFF" stay apart.
std::string jsonText(const std::string& text);

// A time for the terminal, in local time: "2026-12-08 01:36:45".
std::string localDateText(time_t seconds);

// The time settings a run applied: "shifted_by" ("+07:00", or null), "zone" (the IANA name, or
// null for this computer's), "video_clock" ("utc" or "local"), "day_starts_at" ("04:00").
void addTimeSettingsJson(nlohmann::ordered_json& report, const TimeSettings& settings);

void printReportText(std::FILE* out, const RunResult& result, bool cancelled);
// {"copied": [{"path", "folder"}], "skipped": [{"path", "reason"}], "errors": [{"path",
// "error"}], "cancelled": bool, the time settings, "notes": [text]}; a copy whose capture date
// was shifted carries "shifted_by"; a copy under a numbered name and a file
// skipped as already in the destination also carry "destination", the full path of the item
// there.
void printReportJson(std::FILE* out, const RunResult& result, bool cancelled);

} // namespace orvane::cli
