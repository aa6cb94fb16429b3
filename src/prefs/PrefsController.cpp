#include "prefs/PrefsController.h"

#include "base/WindowText.h"
#include "naming/FileKind.h"
#include "naming/NameTemplate.h"
#include "prefs/DateFolderCheck.h"
#include "prefs/DateRendering.h"
#include "prefs/DatingPrefs.h"
#include "prefs/Defaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/NamingSettings.h"
#include "prefs/PrefKeys.h"
#include "selection/PatternRules.h"

#include <algorithm>
#include <utility>

namespace orvane {

namespace {

constexpr int kLevelCounts[] = {1, 2, 3};

std::vector<PrefsView::BackupChoice> backupChoices(const UserDefaults& defaults) {
    const StringList disabled =
        defaults.stringArrayForKey(keys::kDisabledBackups).value_or(StringList{});
    std::vector<PrefsView::BackupChoice> choices;
    for (const std::string& path :
         defaults.stringArrayForKey(keys::kBackupDestinations).value_or(StringList{}))
        choices.push_back(
            {path, std::find(disabled.begin(), disabled.end(), path) == disabled.end()});
    return choices;
}

// The number of copies at once the window offers for a stored value (0: automatic).
int copiesAtOnceShown(const UserDefaults& defaults) {
    constexpr long kMostShown = 4;
    return static_cast<int>(
        std::clamp(defaults.integerForKey(keys::kParallelCopies), 0L, kMostShown));
}

const char* formatKey(int level) {
    switch (level) {
    case 1:
        return keys::kOneLevelDateFormat;
    case 2:
        return keys::kTwoLevelDateFormat;
    default:
        return keys::kThreeLevelDateFormat;
    }
}

// The sample tree as a folder template lays it out, the sample's photos made videos for the
// video destination's tree. A template that is refused leaves the tree empty.
PreviewItem templatePreview(const nlohmann::json& sample, const std::string& folderTemplate,
                            bool video, const std::string& top, const DateLocale& locale) {
    const std::optional<NameTemplate> parsed = NameTemplate::parse(folderTemplate);
    if (!parsed) {
        PreviewItem empty;
        empty.label = top;
        empty.children.emplace();
        return empty;
    }
    auto folderOf = [&](time_t date, const std::string& file) {
        const size_t dot = file.rfind('.');
        NameFacts facts;
        facts.date = date;
        facts.job = "Job";
        facts.camera = "Canon EOS R5";
        facts.kind = video ? kVideosKind : kPhotosKind;
        facts.extension = dot == std::string::npos ? std::string() : file.substr(dot + 1);
        facts.name = file.substr(0, dot);
        facts.sequence = 1;
        const std::string folder =
            parsed->render(facts, [&](time_t when, const std::string& format) {
                return locale.render(when, format);
            });
        return dateFolderStaysInside(folder) ? folder : std::string(kPreviewPlaceholder);
    };
    if (!video)
        return samplePreviewTree(sample, top, folderOf);
    // The sample's photos stand for clips of the same days.
    nlohmann::json clips = sample;
    std::function<void(nlohmann::json&)> asClips = [&](nlohmann::json& item) {
        if (!item.is_object())
            return;
        if (auto children = item.find("children"); children != item.end() && children->is_array())
            for (nlohmann::json& child : *children)
                asClips(child);
        else if (auto label = item.find("label"); label != item.end() && label->is_string()) {
            std::string name = label->get<std::string>();
            if (name.rfind("IMG_", 0) == 0)
                name.replace(0, 4, "MVI_");
            if (const size_t dot = name.rfind('.'); dot != std::string::npos)
                name = name.substr(0, dot) + ".MOV";
            *label = name;
        }
    };
    asClips(clips);
    return samplePreviewTree(clips, top, folderOf);
}

} // namespace

PrefsController::PrefsController(UserDefaults& defaults, PlatformServices services)
    : defaults_(defaults), services_(services), clock_([] { return time(nullptr); }),
      locale_(std::make_unique<DateLocale>()) {}

PrefsController::~PrefsController() = default;

void PrefsController::setDateLocale(std::unique_ptr<DateLocale> locale) {
    if (locale)
        locale_ = std::move(locale);
}

void PrefsController::registerDefaults() {
    orvane::registerDefaults(defaults_);
}

std::optional<std::string> PrefsController::dirFormat() const {
    return orvane::dirFormat(defaults_);
}

std::string PrefsController::regularExpressionForArray(const StringList& patterns) const {
    return orvane::regularExpressionForArray(patterns);
}

bool PrefsController::filePatternMatchAcceptsCopy() const {
    return orvane::filePatternMatchAcceptsCopy(defaults_);
}

// Folder formats

void PrefsController::rebuildDateFormatsForDate(time_t sampleDate) {
    sampleDate_ = sampleDate;
    menus_ = buildFormatMenus(*locale_, sampleDate,
                              {defaults_.stringForKey(keys::kOneLevelDateFormat),
                               defaults_.stringForKey(keys::kTwoLevelDateFormat),
                               defaults_.stringForKey(keys::kThreeLevelDateFormat)});
    if (!view_)
        return;
    for (int level : kLevelCounts)
        view_->setFormatMenu(level, menus_.forLevel(level));
}

void PrefsController::selectStoredFormat(int level, const char* key) {
    const std::optional<std::string> stored = defaults_.stringForKey(key);
    if (!stored)
        return;
    const FormatMenu& menu = menus_.forLevel(level);
    if (std::optional<size_t> index = menu.indexOfTitle(locale_->render(sampleDate_, *stored)))
        view_->selectFormatItem(level, *index);
}

void PrefsController::levelChanged(std::optional<int> senderLevel) {
    if (!view_)
        return;
    if (senderLevel && std::find(std::begin(kLevelCounts), std::end(kLevelCounts), *senderLevel) !=
                           std::end(kLevelCounts)) {
        for (int level : kLevelCounts)
            if (level != *senderLevel)
                view_->setLevelButtonOn(level, false);
    }
    // With no button on, the pop-ups keep the enabling they had.
    for (int on : kLevelCounts) {
        if (!view_->levelButtonOn(on))
            continue;
        for (int level : kLevelCounts)
            view_->setFormatMenuEnabled(level, level == on);
    }
    rebuildPreviewDict();
    showFolderSamples();
}

void PrefsController::folderNameFormatPicked() {
    rebuildPreviewDict();
    showFolderSamples();
}

void PrefsController::folderTemplateEdited() {
    rebuildPreviewDict();
    showFolderSamples();
}

void PrefsController::chooseVideoDestinationClicked() {
    if (!view_ || !services_.panels)
        return;
    OpenPanelOptions options;
    options.title = ORVANE_TRANSLATE_NOOP("Orvane", "Choose the Folder for Videos");
    options.canChooseFiles = false;
    options.canChooseDirectories = true;
    options.directory = view_->videoDestinationText();
    if (const auto chosen = services_.panels->runOpenPanel(options); chosen && !chosen->empty()) {
        view_->setVideoDestinationText(chosen->front());
        showFolderSamples();
    }
}

std::string PrefsController::windowFolderTemplate() const {
    if (!view_)
        return {};
    if (std::string typed = view_->folderTemplateText(); !typed.empty())
        return typed;
    return chosenFormat(windowLevelCount()).value_or(std::string());
}

void PrefsController::showFolderSamples() {
    if (!view_)
        return;
    const std::string folder = windowFolderTemplate();
    view_->setFolderSample(sampleFolder(folder, sampleDate_, *locale_, false));
    const std::string videos = view_->videoTemplateText();
    view_->setVideoFolderSample(
        sampleFolder(videos.empty() ? folder : videos, sampleDate_, *locale_, true));
}

std::optional<std::pair<const char*, std::string>> PrefsController::folderFieldsProblem() const {
    for (const std::string& text : {view_->folderTemplateText(), view_->videoTemplateText()}) {
        if (text.empty())
            continue;
        if (std::optional<std::string> problem = nameTemplateProblem(text))
            return std::pair{ORVANE_TRANSLATE_NOOP("Orvane", "Folder Format Error"),
                             *problem + "\n\nPlease correct it.\n"};
        if (!folderFormatStaysInside(text, *locale_, sampleDate_))
            return std::pair{ORVANE_TRANSLATE_NOOP("Orvane", "Folder Format Error"),
                             fillValues(ORVANE_TRANSLATE_NOOP(
                                            "Orvane", "The folder format doesn't give a folder "
                                                      "inside the destination: %1.\n\nPlease "
                                                      "choose another format.\n"),
                                        {"'" + text + "'"})};
    }
    if (const std::string videos = view_->videoDestinationText();
        !videos.empty() && videos.front() != '/')
        return std::pair{ORVANE_TRANSLATE_NOOP("Orvane", "Video Destination Error"),
                         fillValues(ORVANE_TRANSLATE_NOOP(
                                        "Orvane", "The video destination %1 is not a full path. "
                                                  "Please choose the folder again.\n"),
                                    {"'" + videos + "'"})};
    return std::nullopt;
}

int PrefsController::windowLevelCount() const {
    if (view_ && view_->levelButtonOn(1))
        return 1;
    if (view_ && view_->levelButtonOn(2))
        return 2;
    return 3;
}

std::optional<std::string> PrefsController::chosenFormat(int level) const {
    if (!view_)
        return std::nullopt;
    return menus_.forLevel(level).formatAt(view_->selectedFormatItem(level));
}

void PrefsController::namePresetPicked(size_t index) {
    if (!view_ || index >= std::size(kNamePresets))
        return;
    view_->setNameTemplateText(kNamePresets[index].nameTemplate);
    showNameSample();
}

void PrefsController::nameTemplateEdited() {
    showNameSample();
}

void PrefsController::showNameSample() {
    if (view_)
        view_->setNameSample(sampleName(view_->nameTemplateText(), sampleDate_, *locale_));
}

// Window actions

void PrefsController::showPreferences() {
    if (!view_)
        return;
    rebuildDateFormatsForDate(clock_());
    selectStoredFormat(1, keys::kOneLevelDateFormat);
    selectStoredFormat(2, keys::kTwoLevelDateFormat);
    selectStoredFormat(3, keys::kThreeLevelDateFormat);

    const long levels = defaults_.integerForKey(keys::kDirLevels);
    for (int level : kLevelCounts)
        view_->setLevelButtonOn(level, levels == level);
    levelChanged(std::nullopt);

    view_->setHiddenFileCheckboxOn(!defaults_.boolForKey(keys::kCopyHiddenFiles));
    view_->setUseExifCheckboxOn(defaults_.boolForKey(keys::kUseExifData));
    view_->setSkipIdenticalCheckboxOn(defaults_.boolForKey(keys::kSkipIdenticalFiles));
    view_->setKeepBothCheckboxOn(defaults_.boolForKey(keys::kKeepBothOnNameClash));
    view_->setCopiesAnywhereCheckboxOn(defaults_.boolForKey(keys::kSkipCopiesAnywhere));
    view_->setVerifyCopiesCheckboxOn(defaults_.boolForKey(keys::kVerifyCopies));
    view_->setBackups(backupChoices(defaults_));
    view_->setCopiesAtOnce(copiesAtOnceShown(defaults_));
    view_->setUseExtendedDatesCheckboxOn(defaults_.boolForKey(keys::kUseExtendedDates));
    const TimeSettings time = timeSettingsOf(defaults_);
    view_->setShootZoneChoices(timeZoneNames());
    view_->setShootZone(time.zone);
    view_->setDayStartsAt(time.dayStartsAt);
    view_->setFolderTemplateText(
        defaults_.stringForKey(keys::kFolderTemplate).value_or(std::string()));
    view_->setVideoDestinationText(
        defaults_.stringForKey(keys::kVideoDestination).value_or(std::string()));
    view_->setVideoTemplateText(
        defaults_.stringForKey(keys::kVideoFolderFormat).value_or(std::string()));
    showFolderSamples();
    view_->setNameTemplateText(defaults_.stringForKey(keys::kNameTemplate).value_or(std::string()));
    view_->setSequenceScope(std::string(sequenceScopeName(
        sequenceScopeNamed(defaults_.stringForKey(keys::kSequenceScope).value_or(std::string())))));
    showNameSample();

    intactPatternArray_ =
        defaults_.stringArrayForKey(keys::kIntactFolderPatterns).value_or(StringList{});
    copyFilePatternArray_ =
        defaults_.stringArrayForKey(keys::kCopyFilePatterns).value_or(StringList{});

    // A stored mode that no item carries means "all files except those that match", so the
    // item of that meaning is shown; a save then keeps the meaning.
    const std::string mode = defaults_.stringForKey(keys::kMatchingMode).value_or(std::string());
    const bool known = std::any_of(kMatchingModeTitles.begin(), kMatchingModeTitles.end(),
                                   [&](const char* title) { return mode == title; });
    view_->selectMatchingMode(known ? mode : std::string(kAllExceptMatching));

    view_->reloadPatternTable(PatternTable::IntactFolders);
    view_->reloadPatternTable(PatternTable::CopyFiles);
    view_->showWindow();
}

void PrefsController::showPreferencesOnTab(const std::string& tabLabel) {
    showPreferences();
    if (view_)
        view_->selectTab(tabLabel);
}

void PrefsController::saveClicked() {
    if (!view_)
        return;
    view_->endEditing(PatternTable::IntactFolders);
    view_->endEditing(PatternTable::CopyFiles);

    for (StringList* list : {&intactPatternArray_, &copyFilePatternArray_})
        list->erase(std::remove(list->begin(), list->end(), kNewPattern), list->end());
    // The tables must not read rows that are gone, also when the save is refused below.
    view_->reloadPatternTable(PatternTable::IntactFolders);
    view_->reloadPatternTable(PatternTable::CopyFiles);

    // Each list is compiled as a run would compile it and released at once; a list that
    // does not compile has been logged and shown in the "Pattern Error" alert.
    // The pattern that failed is selected for correcting.
    for (PatternTable table : {PatternTable::IntactFolders, PatternTable::CopyFiles}) {
        const StringList& list = patternArray(table);
        if (compiledRegexForPatterns(list,
                                     table == PatternTable::IntactFolders
                                         ? patterns::kFolderCopyingType
                                         : patterns::kFileCopyingType,
                                     services_.alerts))
            continue;
        if (std::optional<size_t> failed = failingPattern(list))
            view_->showPatternRow(table, *failed);
        return;
    }

    // A stored format from elsewhere may name folders outside the destination: refuse it here
    // rather than at each entry of the next run.
    for (int level : {3, 2, 1}) {
        const std::optional<std::string> format = chosenFormat(level);
        if (format && !folderFormatStaysInside(*format, *locale_, sampleDate_)) {
            if (services_.alerts)
                services_.alerts->runAlert(
                    ORVANE_TRANSLATE_NOOP("Orvane", "Folder Format Error"),
                    fillValues(ORVANE_TRANSLATE_NOOP("Orvane",
                                                     "The folder format doesn't give a folder "
                                                     "inside the destination: %1.\n\nPlease "
                                                     "choose another format.\n"),
                               {"'" + *format + "'"}),
                    "OK");
            return;
        }
    }

    if (const auto problem = folderFieldsProblem()) {
        if (services_.alerts)
            services_.alerts->runAlert(problem->first, problem->second, "OK");
        return;
    }

    if (std::optional<std::string> problem = nameTemplateProblem(view_->nameTemplateText())) {
        if (services_.alerts)
            services_.alerts->runAlert(ORVANE_TRANSLATE_NOOP("Orvane", "File Name Error"),
                                       *problem + "\n\nPlease correct it.\n", "OK");
        return;
    }

    defaults_.setInteger(keys::kDirLevels, view_->levelButtonOn(3)   ? 3
                                           : view_->levelButtonOn(2) ? 2
                                                                     : 1);
    // A pop-up without a chosen format item leaves its stored format as it was.
    for (int level : {3, 2, 1})
        if (std::optional<std::string> format = chosenFormat(level))
            defaults_.setObject(formatKey(level), *format);

    defaults_.setBool(keys::kCopyHiddenFiles, !view_->hiddenFileCheckboxOn());
    defaults_.setBool(keys::kUseExifData, view_->useExifCheckboxOn());
    defaults_.setBool(keys::kSkipIdenticalFiles, view_->skipIdenticalCheckboxOn());
    defaults_.setBool(keys::kKeepBothOnNameClash, view_->keepBothCheckboxOn());
    defaults_.setBool(keys::kSkipCopiesAnywhere, view_->copiesAnywhereCheckboxOn());
    defaults_.setBool(keys::kVerifyCopies, view_->verifyCopiesCheckboxOn());
    StringList backups, disabled;
    for (const PrefsView::BackupChoice& backup : view_->backups()) {
        backups.push_back(backup.path);
        if (!backup.enabled)
            disabled.push_back(backup.path);
    }
    defaults_.setObject(keys::kBackupDestinations, backups);
    defaults_.setObject(keys::kDisabledBackups, disabled);
    // A number beyond the offered ones, stored by hand, stays until another is chosen.
    if (const int copies = view_->copiesAtOnce(); copies != copiesAtOnceShown(defaults_))
        defaults_.setInteger(keys::kParallelCopies, copies);
    defaults_.setBool(keys::kUseExtendedDates, view_->useExtendedDatesCheckboxOn());
    // A zone stored by hand that the database does not know stays until another is chosen.
    if (const std::string zone = view_->shootZone(); zone != timeSettingsOf(defaults_).zone)
        defaults_.setObject(keys::kShootTimeZone, zone);
    defaults_.setObject(keys::kDayStartsAt, dayStartText(view_->dayStartsAt()));
    defaults_.setObject(keys::kFolderTemplate, view_->folderTemplateText());
    defaults_.setObject(keys::kVideoDestination, view_->videoDestinationText());
    defaults_.setObject(keys::kVideoFolderFormat, view_->videoTemplateText());
    defaults_.setObject(keys::kNameTemplate, view_->nameTemplateText());
    defaults_.setObject(keys::kSequenceScope, view_->sequenceScope());
    defaults_.setObject(keys::kIntactFolderPatterns, intactPatternArray_);
    defaults_.setObject(keys::kCopyFilePatterns, copyFilePatternArray_);
    defaults_.setObject(keys::kMatchingMode, view_->selectedMatchingMode());

    view_->closeWindow();
    defaults_.synchronize();

    regularExpressionForArray(intactPatternArray_);
    regularExpressionForArray(copyFilePatternArray_);
}

void PrefsController::cancelClicked() {
    if (view_)
        view_->closeWindow();
}

PatternTable PrefsController::tableOfSelectedTab() const {
    return view_->selectedTabLabel() == kFileCopyingRulesTab ? PatternTable::CopyFiles
                                                             : PatternTable::IntactFolders;
}

void PrefsController::addClicked() {
    if (!view_)
        return;
    const PatternTable table = tableOfSelectedTab();
    patternArray(table).push_back(kNewPattern);
    view_->reloadPatternTable(table);
    view_->editPatternRow(table, patternArray(table).size() - 1);
}

void PrefsController::showPattern(const std::string& type, size_t index) {
    showPreferences();
    if (!view_)
        return;
    const PatternTable table = type == patterns::kFolderCopyingType ? PatternTable::IntactFolders
                                                                    : PatternTable::CopyFiles;
    if (index < patternArray(table).size())
        view_->showPatternRow(table, index);
}

void PrefsController::deleteClicked() {
    if (!view_)
        return;
    const PatternTable table = tableOfSelectedTab();
    view_->endEditing(table);
    StringList& list = patternArray(table);
    const std::optional<size_t> row = view_->selectedPatternRow(table);
    if (!row || *row >= list.size()) {
        if (services_.beeper)
            services_.beeper->beep();
        return;
    }
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(*row));
    view_->reloadPatternTable(table);
}

// Pattern tables

StringList& PrefsController::patternArray(PatternTable table) {
    return table == PatternTable::IntactFolders ? intactPatternArray_ : copyFilePatternArray_;
}

const StringList& PrefsController::patternArray(PatternTable table) const {
    return table == PatternTable::IntactFolders ? intactPatternArray_ : copyFilePatternArray_;
}

size_t PrefsController::numberOfRowsInTableView(PatternTable table) const {
    return patternArray(table).size();
}

std::string PrefsController::objectValue(PatternTable table, size_t row) const {
    const StringList& list = patternArray(table);
    return row < list.size() ? list[row] : std::string();
}

void PrefsController::setObjectValue(PatternTable table, size_t row, const std::string& value) {
    StringList& list = patternArray(table);
    if (row < list.size())
        list[row] = value;
}

// Folder-tree preview

PreviewItem PrefsController::decodeAndSortFromItem(const nlohmann::json& item) const {
    const int levels = windowLevelCount();
    return orvane::decodeAndSortFromItem(
        item, {*locale_, levels, chosenFormat(levels).value_or(std::string())});
}

void PrefsController::rebuildPreviewDict() {
    const int levels = windowLevelCount();
    const std::string typed = view_ ? view_->folderTemplateText() : std::string();
    const std::string videos = view_ ? view_->videoDestinationText() : std::string();
    std::optional<std::string> text;
    if (resourceReader_)
        text = resourceReader_(previewResourceName(levels));
    const nlohmann::json sample = parsePreviewResource(text);
    const std::string top = sample.value("label", std::string());
    // The outline holds items of the old trees until it has reloaded: they stay alive till then.
    PreviewItem previous = std::exchange(
        previewDict_, typed.empty() ? decodeAndSortFromItem(sample)
                                    : templatePreview(sample, typed, false, top, *locale_));
    std::optional<PreviewItem> previousVideos = std::exchange(videoPreviewDict_, std::nullopt);
    if (!videos.empty()) {
        const std::string videoTemplate = view_->videoTemplateText();
        videoPreviewDict_ =
            templatePreview(sample, videoTemplate.empty() ? windowFolderTemplate() : videoTemplate,
                            true, videos, *locale_);
    }
    if (!view_)
        return;
    view_->reloadPreview();

    // Open one level at a time down to the dated folders, whose contents show but stay
    // closed themselves. A tree laid out by a template opens down to its files.
    auto expand = [&](const PreviewItem& tree, int depthShown) {
        std::vector<const PreviewItem*> depth = {&tree};
        view_->expandPreviewItem(&tree);
        for (int level = 0; level < depthShown && !depth.empty(); ++level) {
            std::vector<const PreviewItem*> next;
            for (const PreviewItem* item : depth) {
                if (!item->children)
                    continue;
                for (const PreviewItem& child : *item->children) {
                    view_->expandPreviewItem(&child);
                    next.push_back(&child);
                }
            }
            depth = std::move(next);
        }
    };
    constexpr int kAllLevels = 64;
    expand(previewDict_, typed.empty() ? levels : kAllLevels);
    if (videoPreviewDict_)
        expand(*videoPreviewDict_, kAllLevels);
}

size_t PrefsController::numberOfChildrenOfItem(const PreviewItem* item) const {
    if (!item)
        return videoPreviewDict_ ? 2 : 1;
    return item->children ? item->children->size() : 0;
}

const PreviewItem* PrefsController::childOfItem(size_t index, const PreviewItem* item) const {
    if (!item)
        return index == 0                        ? &previewDict_
               : index == 1 && videoPreviewDict_ ? &*videoPreviewDict_
                                                 : nullptr;
    if (!item->children || index >= item->children->size())
        return nullptr;
    return &(*item->children)[index];
}

bool PrefsController::shouldExpandItem(const PreviewItem* item) const {
    return !item || item->children.has_value();
}

std::string PrefsController::objectValueForItem(const PreviewItem* item) const {
    return item ? item->shownText() : std::string(kPreviewTopTitle);
}

} // namespace orvane
