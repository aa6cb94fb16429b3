#include "prefs/NamingSettings.h"

#include "naming/FileKind.h"
#include "naming/SafeNames.h"
#include "platform/UserDefaults.h"
#include "prefs/DateFolderCheck.h"
#include "prefs/DateRendering.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"

#include <algorithm>

namespace orvane {

bool NamingSettings::uses(NameToken token) const {
    return folder.uses(token) || videoFolder.uses(token) || (name && name->uses(token));
}

bool NamingSettings::usesCamera() const {
    return uses(NameToken::Camera);
}

bool NamingSettings::usesJob() const {
    return uses(NameToken::Job);
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
    // Only a run that sends videos apart uses their template: a broken one stops no other run.
    if (!defaults.stringForKey(keys::kVideoDestination).value_or(std::string()).empty()) {
        std::optional<NameTemplate> videoFolder =
            NameTemplate::parse(videoFolderFormat(defaults).value_or(*format), &error);
        if (!videoFolder)
            return std::nullopt;
        settings.videoFolder = std::move(*videoFolder);
    } else
        settings.videoFolder = settings.folder;
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

namespace {

// A template rendered for the samples of the preferences: a photo of a Canon, or a video.
std::string renderSample(const NameTemplate& parsed, time_t date, const DateLocale& locale,
                         bool video) {
    NameFacts facts;
    facts.date = date;
    facts.job = "Job";
    facts.camera = "Canon EOS R5";
    facts.kind = video ? kVideosKind : kPhotosKind;
    facts.extension = video ? "MOV" : "JPG";
    facts.name = video ? "MVI_0043" : "IMG_0042";
    facts.sequence = 1;
    return parsed.render(
        facts, [&](time_t when, const std::string& format) { return locale.render(when, format); });
}

} // namespace

std::string sampleName(const std::string& nameTemplate, time_t date, const DateLocale& locale) {
    if (nameTemplate.empty())
        return "IMG_0042.JPG";
    std::string error;
    const std::optional<NameTemplate> parsed = NameTemplate::parse(nameTemplate, &error);
    if (!parsed)
        return error;
    std::string name = renderSample(*parsed, date, locale, false);
    if (!parsed->uses(NameToken::Ext) && !parsed->uses(NameToken::ExtUpper))
        name += ".JPG";
    return fitName(name, NameRules::Posix, 4);
}

std::string sampleFolder(const std::string& folderTemplate, time_t date, const DateLocale& locale,
                         bool video) {
    std::string error;
    const std::optional<NameTemplate> parsed = NameTemplate::parse(folderTemplate, &error);
    if (!parsed)
        return error;
    const std::string folder = renderSample(*parsed, date, locale, video);
    return dateFolderStaysInside(folder) ? folder : std::string(kFolderFormatLeavesDestination);
}

bool rememberJobCode(UserDefaults& defaults, const std::string& code) {
    if (code.empty())
        return false;
    StringList codes = defaults.stringArrayForKey(keys::kRecentJobCodes).value_or(StringList{});
    codes.erase(std::remove(codes.begin(), codes.end(), code), codes.end());
    codes.insert(codes.begin(), code);
    if (codes.size() > kRecentJobCodeCount)
        codes.resize(kRecentJobCodeCount);
    defaults.setObject(keys::kRecentJobCodes, codes);
    return true;
}

std::optional<std::string> nameTemplateProblem(const std::string& text) {
    std::string error;
    if (!NameTemplate::parse(text, &error))
        return error;
    return std::nullopt;
}

} // namespace orvane
