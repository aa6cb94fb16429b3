#pragma once

#include "platform/Services.h"
#include "platform/UserDefaults.h"
#include "prefs/FolderFormats.h"
#include "prefs/PrefsView.h"
#include "prefs/PreviewTree.h"

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace orvane {

class DateLocale;

// The entry the add button appends; Save drops every entry equal to it.
inline constexpr const char* kNewPattern = "new pattern";
// The tab whose add and delete buttons act on the copy-file patterns; any other tab's act
// on the intact-folder patterns.
inline constexpr const char* kFileCopyingRulesTab = "File Copying Rules";
// What the outline shows for its invisible top.
inline constexpr const char* kPreviewTopTitle = "Orvane";

// The preferences window's logic: loads the controls from the store when the window opens,
// keeps edited copies of the pattern lists, validates and stores everything on Save, and
// builds the folder-tree preview. GUI-free: it reaches the window through PrefsView.
class PrefsController {
  public:
    // The text of a named resource ("Preview1" ...), or none when it is missing.
    using ResourceReader = std::function<std::optional<std::string>(const std::string& name)>;

    PrefsController(UserDefaults& defaults, PlatformServices services);
    ~PrefsController();
    PrefsController(const PrefsController&) = delete;
    PrefsController& operator=(const PrefsController&) = delete;

    void setView(PrefsView* view) { view_ = view; }
    void setResourceReader(ResourceReader reader) { resourceReader_ = std::move(reader); }
    // The sample date of the next opening comes from this clock (the current time by default).
    void setClock(std::function<time_t()> clock) { clock_ = std::move(clock); }
    // Month and weekday names come from this locale (the user's by default).
    void setDateLocale(std::unique_ptr<DateLocale> locale);

    // Keys and defaults.
    void registerDefaults();
    std::optional<std::string> dirFormat() const;

    // Pattern rules: the expression text of a pattern list (logged at DEBUG), and whether
    // the matching mode admits only the files that match.
    std::string regularExpressionForArray(const StringList& patterns) const;
    bool filePatternMatchAcceptsCopy() const;

    // Folder formats.
    void rebuildDateFormatsForDate(time_t sampleDate);
    const FormatMenus& formatMenus() const { return menus_; }
    const std::map<std::string, std::string>& oneLevelDateFormatDict() const {
        return menus_.oneLevel.titleMap();
    }
    const std::map<std::string, std::string>& twoLevelDateFormatDict() const {
        return menus_.twoLevel.titleMap();
    }
    const std::map<std::string, std::string>& threeLevelDateFormatDict() const {
        return menus_.threeLevel.titleMap();
    }

    // Window actions. A level-button action names its button by level count (none when the
    // action comes from elsewhere).
    void showPreferences();
    // Opens the window as showPreferences does, on the tab with this label.
    void showPreferencesOnTab(const std::string& tabLabel);
    void saveClicked();
    void cancelClicked();
    void addClicked();
    void deleteClicked();
    void levelChanged(std::optional<int> senderLevel);
    // Opens the window with the stored pattern at `index` of the list of type word `type`
    // selected, for a list that did not compile.
    void showPattern(const std::string& type, size_t index);
    void folderNameFormatPicked();
    // The typed folder template or the video folder template edited, or a video destination
    // chosen: the samples follow.
    void folderTemplateEdited();
    // Asks for the folder videos go to, starting at the one shown.
    void chooseVideoDestinationClicked();
    // The "File names" section: a preset of kNamePresets picked, the template edited.
    void namePresetPicked(size_t index);
    void nameTemplateEdited();

    // The edited pattern lists and the tables' data source.
    const StringList& intactPatternArray() const { return intactPatternArray_; }
    const StringList& copyFilePatternArray() const { return copyFilePatternArray_; }
    size_t numberOfRowsInTableView(PatternTable table) const;
    // The entry at the row; empty for a row beyond the end.
    std::string objectValue(PatternTable table, size_t row) const;
    // Replaces the entry at the row; a row beyond the end is ignored.
    void setObjectValue(PatternTable table, size_t row, const std::string& value);

    // The folder-tree preview and its outline data source, where a null item is the
    // outline's invisible top.
    void rebuildPreviewDict();
    PreviewItem decodeAndSortFromItem(const nlohmann::json& item) const;
    const PreviewItem& previewDict() const { return previewDict_; }
    void setPreviewDict(PreviewItem tree) { previewDict_ = std::move(tree); }
    size_t numberOfChildrenOfItem(const PreviewItem* item) const;
    const PreviewItem* childOfItem(size_t index, const PreviewItem* item) const;
    bool isItemExpandable(const PreviewItem* item) const { return true; }
    bool shouldExpandItem(const PreviewItem* item) const;
    std::string objectValueForItem(const PreviewItem* item) const;

    // The window's level count (1, 2 or 3) and the format of that level's chosen item.
    int windowLevelCount() const;
    std::optional<std::string> chosenFormat(int level) const;

  private:
    StringList& patternArray(PatternTable table);
    const StringList& patternArray(PatternTable table) const;
    PatternTable tableOfSelectedTab() const;
    void selectStoredFormat(int level, const char* key);
    void showNameSample();
    void showFolderSamples();
    // The folder template a run would use with the window's choices.
    std::string windowFolderTemplate() const;
    // The problem of the Folders tab's typed values, as an alert's title and text; none when
    // they may be stored.
    std::optional<std::pair<const char*, std::string>> folderFieldsProblem() const;

    UserDefaults& defaults_;
    PlatformServices services_;
    PrefsView* view_ = nullptr;
    ResourceReader resourceReader_;
    std::function<time_t()> clock_;
    std::unique_ptr<DateLocale> locale_;
    time_t sampleDate_ = 0;

    FormatMenus menus_;
    StringList intactPatternArray_;
    StringList copyFilePatternArray_;
    PreviewItem previewDict_;
    std::optional<PreviewItem> videoPreviewDict_; // beside it, when videos go apart
};

} // namespace orvane
