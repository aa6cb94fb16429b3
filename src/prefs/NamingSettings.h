#pragma once

#include "base/WindowText.h"
#include "naming/NameSequence.h"
#include "naming/NameTemplate.h"

#include <optional>
#include <string>

namespace orvane {

class DateLocale;
class UserDefaults;

// The presets of the "File names" section, in menu order: title and template. The first
// keeps every original name.
struct NamePreset {
    const char* title;
    const char* nameTemplate;
};
inline constexpr NamePreset kNamePresets[] = {
    {ORVANE_TRANSLATE_NOOP("Orvane", "Original name"), ""},
    {ORVANE_TRANSLATE_NOOP("Orvane", "Date-time"), "%Y%m%d-%H%M%S"},
    {ORVANE_TRANSLATE_NOOP("Orvane", "Date-time-original name"), "%Y%m%d-%H%M%S-{name}"},
    {ORVANE_TRANSLATE_NOOP("Orvane", "Date-sequence"), "%Y%m%d-{seq:4}"},
    {ORVANE_TRANSLATE_NOOP("Orvane", "Job-sequence"), "{job}-{seq:4}"},
};

// How a run names folders and files, read from the preferences.
struct NamingSettings {
    NameTemplate folder;
    NameTemplate videoFolder;         // below the video destination, when videos go apart
    std::optional<NameTemplate> name; // none: copies keep their original names
    std::string job;
    SequenceScope scope = SequenceScope::Run;
    uint64_t nextStored = 1;

    // Whether a template uses the token.
    bool uses(NameToken token) const;
    // Whether a template needs the EXIF make and model of the files.
    bool usesCamera() const;
    bool usesJob() const;
};

// The run's naming, or none with the reason in `error`: no folder format for the stored
// level count, or a template naming an unknown token.
std::optional<NamingSettings> namingSettings(const UserDefaults& defaults, std::string& error);

// A name the template gives a sample photo (IMG_0042.JPG of a Canon EOS R5, job "Job", first
// of its sequence) taken at `date`; the template's problem when it is refused.
std::string sampleName(const std::string& nameTemplate, time_t date, const DateLocale& locale);

// The folder a template gives a sample photo (or, with `video`, a sample video) taken at
// `date`, as sampleName makes it; the template's problem when it is refused.
std::string sampleFolder(const std::string& folderTemplate, time_t date, const DateLocale& locale,
                         bool video);

// How many job codes the "Job" field offers.
inline constexpr size_t kRecentJobCodeCount = 10;

// Puts a run's job code first among the recent ones, keeping kRecentJobCodeCount; an empty
// code changes nothing. Answers whether the store changed.
bool rememberJobCode(UserDefaults& defaults, const std::string& code);

// Checks a name template as Preferences and the command line take it: none when fit, else
// the reason.
std::optional<std::string> nameTemplateProblem(const std::string& text);

} // namespace orvane
