#include "prefs/NamingSettings.h"

#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"

#include <algorithm>

namespace orvane {

bool NamingSettings::usesCamera() const {
    return folder.uses(NameToken::Camera) || (name && name->uses(NameToken::Camera));
}

bool NamingSettings::usesJob() const {
    return folder.uses(NameToken::Job) || (name && name->uses(NameToken::Job));
}

std::optional<NamingSettings> namingSettings(const UserDefaults& defaults, std::string& error) {
    const std::optional<std::string> format = dirFormat(defaults);
    if (!format) {
        error = "No folder format for " + std::to_string(defaults.integerForKey(keys::kDirLevels)) +
                " folder levels: choose 1, 2 or 3 levels in Preferences";
        return std::nullopt;
    }
    NamingSettings settings;
    std::optional<NameTemplate> folder = NameTemplate::parse(*format, &error);
    if (!folder)
        return std::nullopt;
    settings.folder = std::move(*folder);
    const std::string name = defaults.stringForKey(keys::kNameTemplate).value_or(std::string());
    if (!name.empty()) {
        settings.name = NameTemplate::parse(name, &error);
        if (!settings.name)
            return std::nullopt;
    }
    settings.job = defaults.stringForKey(keys::kJobCode).value_or(std::string());
    settings.scope =
        sequenceScopeNamed(defaults.stringForKey(keys::kSequenceScope).value_or(std::string()));
    const long stored = defaults.integerForKey(keys::kNextSequenceNumber);
    settings.nextStored = stored > 0 ? static_cast<uint64_t>(stored) : 1;
    return settings;
}

void rememberJobCode(UserDefaults& defaults, const std::string& code) {
    if (code.empty())
        return;
    StringList codes = defaults.stringArrayForKey(keys::kRecentJobCodes).value_or(StringList{});
    codes.erase(std::remove(codes.begin(), codes.end(), code), codes.end());
    codes.insert(codes.begin(), code);
    if (codes.size() > kRecentJobCodeCount)
        codes.resize(kRecentJobCodeCount);
    defaults.setObject(keys::kRecentJobCodes, codes);
}

std::optional<std::string> nameTemplateProblem(const std::string& text) {
    std::string error;
    if (!NameTemplate::parse(text, &error))
        return error;
    return std::nullopt;
}

} // namespace orvane
