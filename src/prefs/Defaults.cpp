#include "prefs/Defaults.h"

#include "platform/UserDefaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"

namespace orvane {

void registerDefaults(UserDefaults& defaults) {
    std::map<std::string, PrefValue> values = {
        {keys::kDirLevels, int64_t{1}},
        {keys::kOneLevelDateFormat, std::string("%Y-%m-%d")},
        {keys::kTwoLevelDateFormat, std::string("%Y/%m-%d")},
        {keys::kThreeLevelDateFormat, std::string("%Y/%m/%d")},
        {keys::kFolderTemplate, std::string()},
        {keys::kVideoDestination, std::string()},
        {keys::kVideoFolderFormat, std::string()},
        {keys::kRememberPaths, true},
        {keys::kHidePathsInReport, true},
        {keys::kCopyHiddenFiles, false},
        {keys::kUseExifData, true},
        {keys::kUseExtendedDates, true},
        {keys::kIntactFolderPatterns, StringList{}},
        {keys::kCopyFilePatterns, StringList{}},
        {keys::kMatchingMode, std::string(kMatchingModeTitles[0])},
        {keys::kCheckUpdateFrequency, int64_t{90}},
        {keys::kSkipIdenticalFiles, true},
        {keys::kKeepBothOnNameClash, false},
        {keys::kIgnoreImportHistory, false},
        {keys::kCompareWholeContents, false},
        {keys::kSkipCopiesAnywhere, false},
        {keys::kVerifyCopies, false},
        {keys::kMoveOriginals, false},
        {keys::kParallelCopies, int64_t{0}},
        {keys::kShootTimeZone, std::string()},
        {keys::kDayStartsAt, std::string("00:00")},
        {keys::kNameTemplate, std::string()},
        {keys::kSequenceScope, std::string("run")},
        {keys::kNextSequenceNumber, int64_t{1}},
        {keys::kJobCode, std::string()},
        {keys::kRecentJobCodes, StringList{}},
    };
    if (defaults.objectForKey(keys::kFirstRunTime)) {
        // Stored as a 32-bit number, so the subtraction wraps as a 32-bit integer.
        const auto firstRun = static_cast<uint32_t>(defaults.integerForKey(keys::kFirstRunTime));
        const auto lastCheck = static_cast<int32_t>(firstRun - 7171200u);
        values[keys::kLastUpdateCheck] = int64_t{lastCheck};
    }
    defaults.registerDefaults(values);
}

std::optional<std::string> dirFormat(const UserDefaults& defaults) {
    if (std::optional<std::string> typed = defaults.stringForKey(keys::kFolderTemplate);
        typed && !typed->empty())
        return typed;
    switch (defaults.integerForKey(keys::kDirLevels)) {
    case 1:
        return defaults.stringForKey(keys::kOneLevelDateFormat);
    case 2:
        return defaults.stringForKey(keys::kTwoLevelDateFormat);
    case 3:
        return defaults.stringForKey(keys::kThreeLevelDateFormat);
    default:
        return std::nullopt;
    }
}

std::optional<std::string> videoFolderFormat(const UserDefaults& defaults) {
    if (std::optional<std::string> own = defaults.stringForKey(keys::kVideoFolderFormat);
        own && !own->empty())
        return own;
    return dirFormat(defaults);
}

} // namespace orvane
