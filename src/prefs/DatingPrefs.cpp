#include "prefs/DatingPrefs.h"

#include "base/Log.h"
#include "base/StringHelpers.h"
#include "platform/UserDefaults.h"
#include "prefs/PrefKeys.h"

namespace orvane {
namespace {

template <class T, class Parse>
T parsedOr(const UserDefaults& defaults, const char* key, T fallback, Parse parse) {
    const std::optional<std::string> text = defaults.stringForKey(key);
    if (!text || text->empty())
        return fallback;
    if (const auto value = parse(*text))
        return *value;
    logMessage(LOG_WARN, "Ignoring preference %s: '%s' is not a valid value", key,
               safeCString(*text).c_str());
    return fallback;
}

} // namespace

TimeSettings timeSettingsOf(const UserDefaults& defaults) {
    TimeSettings settings;
    settings.shift = parsedOr(defaults, keys::kClockShift, 0L, parseClockShift);
    settings.dayStartsAt = parsedOr(defaults, keys::kDayStartsAt, 0L, parseDayStart);
    settings.videoClockLocal = parsedOr(defaults, keys::kVideoClock, false, parseVideoClock);
    settings.zone = defaults.stringForKey(keys::kShootTimeZone).value_or("");
    return settings;
}

DatingRules datingRulesOf(const UserDefaults& defaults) {
    DatingRules rules;
    rules.captureDates = defaults.boolForKey(keys::kUseExifData);
    rules.otherContainers = defaults.boolForKey(keys::kUseExtendedDates);
    rules.time = timeSettingsOf(defaults);
    if (!rules.time.zone.empty()) {
        rules.zone = ShootZone::named(rules.time.zone);
        if (!rules.zone) {
            logMessage(LOG_WARN, "Ignoring time zone '%s': the time zone database has no such zone",
                       safeCString(rules.time.zone).c_str());
            rules.time.zone.clear();
        }
    }
    return rules;
}

} // namespace orvane
