#pragma once

#include "base/TimeSettings.h"
#include "base/WindowText.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvane {

using PathList = std::vector<std::string>;
using PathDict = std::unordered_map<std::string, std::string>;

// How a copied entry was dated: its EXIF capture date (JPEG and TIFF), the capture date in
// another photo or video container, the date of a file it belongs with (a sidecar or the
// other half of a RAW+JPEG pair), or its modification time.
enum class DatedBy { Exif, Metadata, Paired, Modified };

inline const char* datedByName(DatedBy datedBy) {
    switch (datedBy) {
    case DatedBy::Exif:
        return "exif";
    case DatedBy::Metadata:
        return "metadata";
    case DatedBy::Paired:
        return "paired";
    default:
        return "modified";
    }
}

// What the report says about an entry's date. `checkDate`: the date is implausible (before
// 1980, or later than a day after the run began), as cameras with a reset clock write.
struct EntryDating {
    DatedBy datedBy = DatedBy::Modified;
    bool checkDate = false;
};

// The outcome of one run: what was copied (with its date folder), skipped (with the
// reason) and failed (with the error), in the order met. Written by the file-list builder
// and the merge worker; read by the report once the run has ended.
struct RunResult {
    PathList resCopiedFiles;
    // Source path → its date folder below `destination`, or the whole folder where it is
    // below another root (a video sent to the video destination).
    PathDict resCopiedDict;
    PathList resSkippedFiles;
    PathDict resSkippedDict;
    PathList resErrorFiles;
    PathDict resErrorDict;
    // Source path → the item at the destination that stands for it, where that is not simply
    // the date folder and the source's name: the file that already held the same contents
    // (skipped "Already in destination"), or the numbered name a copy was published under.
    PathDict resDestinationDict;
    // The folder the date folders were made in, for finding a copy from its date folder.
    std::string destination;
    // The backups that got the same tree, and source path → its copies made below them.
    PathList backups;
    std::unordered_map<std::string, PathList> resBackupDict;
    // What the user should know of the run beyond its entries, one sentence each.
    std::vector<std::string> notes;
    // Beside resCopiedDict: how each entry given a date folder was dated.
    std::unordered_map<std::string, EntryDating> resDatingDict;
    // The time settings the run applied to the dates, so that a later look can tell.
    TimeSettings timeSettings;
    // Whether the run read its copies back from the disk, and how many matched their originals.
    bool verifying = false;
    size_t verified = 0;
    // Whether the run removed the originals of what it copied safely, how many it removed, and
    // those it left in place though their copies are safe (with the reason).
    bool moving = false;
    size_t originalsRemoved = 0;
    PathList originalsKept;
    PathDict originalsKeptDict;
    // Where a stored {seq} counter goes on from after this run, when it used a number.
    std::optional<uint64_t> nextSequenceNumber;

    // The copied entries whose date is flagged for checking.
    size_t checkDateCount() const {
        size_t count = 0;
        for (const std::string& path : resCopiedFiles) {
            auto it = resDatingDict.find(path);
            count += it != resDatingDict.end() && it->second.checkDate ? 1 : 0;
        }
        return count;
    }

    void recordSkipped(const std::string& path, const std::string& reason) {
        resSkippedFiles.push_back(path);
        resSkippedDict[path] = reason;
    }
    void recordError(const std::string& path, const std::string& error) {
        resErrorFiles.push_back(path);
        resErrorDict[path] = error;
    }
};

// The skip reasons a run can record.
namespace skip {
inline constexpr const char* kHiddenFile = ORVANE_TRANSLATE_NOOP("Orvane", "Hidden file");
inline constexpr const char* kCouldntAccess =
    ORVANE_TRANSLATE_NOOP("Orvane", "Couldn't access file");
inline constexpr const char* kAlias = ORVANE_TRANSLATE_NOOP("Orvane", "Alias");
inline constexpr const char* kNotFileOrFolder =
    ORVANE_TRANSLATE_NOOP("Orvane", "Not file or folder");
inline constexpr const char* kPatternPreference =
    ORVANE_TRANSLATE_NOOP("Orvane", "Pattern preference");
inline constexpr const char* kMergeAborted =
    ORVANE_TRANSLATE_NOOP("Orvane", "Not copied: the run was stopped");
inline constexpr const char* kAlreadyInDestination =
    ORVANE_TRANSLATE_NOOP("Orvane", "Already in destination");
inline constexpr const char* kPartialCopy =
    ORVANE_TRANSLATE_NOOP("Orvane", "Temporary copy of an interrupted run");
inline constexpr const char* kDestinationFolder =
    ORVANE_TRANSLATE_NOOP("Orvane", "Destination folder");
// The beginning of the reason of a file the import history knows: "Imported before on 8 Dec
// 2026 into …/2026/12/08".
inline constexpr const char* kImportedBefore = ORVANE_TRANSLATE_NOOP("Orvane", "Imported before");
inline constexpr const char* kNotChosen =
    ORVANE_TRANSLATE_NOOP("Orvane", "Not chosen in the preview");

// Whether a skip's reason is the import history's: such files are shown as their own group.
inline bool isImportedBefore(const std::string& reason) {
    return reason.rfind(kImportedBefore, 0) == 0;
}
} // namespace skip

// The skipped paths in the order they were recorded, those the import history knew apart
// from the others: the report lists them apart.
struct SkippedPaths {
    PathList importedBefore;
    PathList others;
};
inline SkippedPaths splitSkipped(const RunResult& result) {
    SkippedPaths split;
    for (const std::string& path : result.resSkippedFiles) {
        auto reason = result.resSkippedDict.find(path);
        const bool known =
            reason != result.resSkippedDict.end() && skip::isImportedBefore(reason->second);
        (known ? split.importedBefore : split.others).push_back(path);
    }
    return split;
}

// Skipped paths that count as failures of the run: what could not be examined or listed, a
// missing source among them, since files may have been left behind.
inline size_t countUnreadable(const RunResult& result) {
    size_t count = 0;
    for (const std::string& path : result.resSkippedFiles)
        if (auto it = result.resSkippedDict.find(path);
            it != result.resSkippedDict.end() && it->second == skip::kCouldntAccess)
            ++count;
    return count;
}

} // namespace orvane
