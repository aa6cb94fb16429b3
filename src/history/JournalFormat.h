#pragma once

// The lines of a run journal, shared by the writer, the reader and undo. One JSON object a
// line, told apart by "type":
// A journal is named "<start time>-<pid>.jsonl"; that name without ".jsonl" is the run's id.
//   start        the run: "pid", "processStart", "boot", "started", "sources",
//                "destination", "destinationStamp", "roots" (the other folders the run
//                copies below: [{"path", "stamp"}]), "options" (with the time settings:
//                "shiftedBy", "zone", "videoClock", "dayStartsAt", and "move" for a run that
//                frees its sources)
//   folder       a folder the run created: "path", "stamp"
//   intent       before an entry's copy begins: "entry", "source", "temporary", "destination";
//                repeated with the new "destination" and "made" when the name is decided again
//   made         the entry's temporary as created, and for a file the size and modification
//                time the finished copy will have: "entry", "made" {"dev", "ino", "type",
//                "size", "mtime"}
//   placeholder  an empty item made to hold a final name where the file system cannot rename
//                without replacing: "entry", "path", "made"
//   copied       after the copy got its final name: "entry", "destination", "stamp", and
//                for a folder copied whole "tree" ([{"path", "stamp"}])
//   skipped      "entry", "source", "reason";  failed: "entry", "source", "error"
//   An entry copied to backups too has an intent, made and copied line for each copy; those
//   of the backups' copies carry "copy": 1, 2 … in the order of the start line's backups.
//   removing     before an original is removed (a run that frees its sources), durable before
//                it goes: "entry", "source", "sourceStamp" (with "ctime"), "mode", "atime",
//                "copy" (the intact copy that stands for it: the run's own, or one an earlier
//                run made that held the same bytes), "copyStamp"
//   removed      after it went: "entry"
//   end          "outcome" ("finished" or "cancelled"), "copied", "skipped", "errors",
//                "removed" (originals), "ended"
//   interrupted  added by the clean-up after a crash: "temporariesRemoved", the counts of
//                "end", "at"
//   undo         added by undo: "at", "removed", "kept", "foldersRemoved", "restored"
// Paths are strings when they are valid UTF-8 without control characters, else {"hex": their
// bytes}. A journal is read as untrusted input: a path holding a NUL, or a text path holding
// a control character, reads as no path.

#include "merge/FileStamp.h"
#include "merge/OriginalRemoval.h"

#include <ctime>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace orvane::journal {

using nlohmann::json;

inline constexpr const char* kExtension = ".jsonl";

nlohmann::json pathJson(const std::string& path);
// The path a value holds, or none when it holds none.
std::optional<std::string> pathFrom(const nlohmann::json& value);

nlohmann::json stampJson(const FileStamp& stamp);
std::optional<FileStamp> stampFrom(const nlohmann::json& value);

// An item as made, without its change time (which the rename to its final name changes).
nlohmann::json madeJson(const FileStamp& stamp);
std::optional<FileStamp> madeFrom(const nlohmann::json& value);

// The "removing" line of an original, and the removal it records (none when damaged).
nlohmann::json removingJson(const OriginalRemoval& removal);
std::optional<OriginalRemoval> removingFrom(const nlohmann::json& line);

// "2026-12-08T00:36:45Z"
std::string timeText(time_t seconds);

// The text of one line, ending with a line end.
std::string lineText(const nlohmann::json& line);

} // namespace orvane::journal
