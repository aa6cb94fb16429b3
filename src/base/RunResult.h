#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace orvane {

using PathList = std::vector<std::string>;
using PathDict = std::unordered_map<std::string, std::string>;

// The outcome of one run: what was copied (with its date folder), skipped (with the
// reason) and failed (with the error), in the order met. Written by the file-list builder
// and the merge worker; read by the report once the run has ended.
struct RunResult {
    PathList resCopiedFiles;
    PathDict resCopiedDict;
    PathList resSkippedFiles;
    PathDict resSkippedDict;
    PathList resErrorFiles;
    PathDict resErrorDict;

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
inline constexpr const char* kHiddenFile = "Hidden file";
inline constexpr const char* kCouldntAccess = "Couldn't access file";
inline constexpr const char* kAlias = "Alias";
inline constexpr const char* kNotFileOrFolder = "Not file or folder";
inline constexpr const char* kPatternPreference = "Pattern preference";
inline constexpr const char* kMergeAborted = "Merge aborted";
inline constexpr const char* kPartialCopy = "Temporary copy of an interrupted run";
inline constexpr const char* kDestinationFolder = "Destination folder";
} // namespace skip

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
