#pragma once

#include "platform/Services.h"
#include "prefs/FolderFormats.h"
#include "prefs/PrefsController.h"
#include "prefs/PrefsView.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvane::test {

// The preferences window as plain state, with counters for what the presenter asked of it.
class FakePrefsView : public PrefsView {
  public:
    explicit FakePrefsView(PrefsController& controller) : controller_(controller) {}

    struct Pop {
        std::vector<FormatMenuItem> items;
        std::optional<size_t> selected;
        bool enabled = true;
    };
    struct Edit {
        PatternTable table;
        size_t row;
        std::string text;
    };

    void setFormatMenu(int level, const FormatMenu& menu) override {
        pops[level].items = menu.items();
        pops[level].selected = menu.items().empty() ? std::nullopt : std::optional<size_t>(0);
    }
    void selectFormatItem(int level, size_t index) override { pops[level].selected = index; }
    std::optional<size_t> selectedFormatItem(int level) const override {
        return pops.at(level).selected;
    }
    void setFormatMenuEnabled(int level, bool enabled) override { pops[level].enabled = enabled; }

    bool levelButtonOn(int level) const override { return buttons.at(level); }
    void setLevelButtonOn(int level, bool on) override { buttons[level] = on; }

    bool hiddenFileCheckboxOn() const override { return hiddenFiles; }
    void setHiddenFileCheckboxOn(bool on) override { hiddenFiles = on; }
    bool useExifCheckboxOn() const override { return useExif; }
    void setUseExifCheckboxOn(bool on) override { useExif = on; }
    bool skipIdenticalCheckboxOn() const override { return skipIdentical; }
    void setSkipIdenticalCheckboxOn(bool on) override { skipIdentical = on; }
    bool keepBothCheckboxOn() const override { return keepBoth; }
    void setKeepBothCheckboxOn(bool on) override { keepBoth = on; }
    void setShootZoneChoices(const std::vector<std::string>& zones) override {
        zoneChoices = zones;
    }
    std::string shootZone() const override { return zone; }
    void setShootZone(const std::string& value) override { zone = value; }
    long dayStartsAt() const override { return dayStart; }
    void setDayStartsAt(long seconds) override { dayStart = seconds; }
    bool copiesAnywhereCheckboxOn() const override { return copiesAnywhere; }
    void setCopiesAnywhereCheckboxOn(bool on) override { copiesAnywhere = on; }
    bool verifyCopiesCheckboxOn() const override { return verifyCopies; }
    void setVerifyCopiesCheckboxOn(bool on) override { verifyCopies = on; }
    std::vector<BackupChoice> backups() const override { return backupChoices; }
    void setBackups(const std::vector<BackupChoice>& backups) override { backupChoices = backups; }
    int copiesAtOnce() const override { return copies; }
    void setCopiesAtOnce(int value) override { copies = value; }
    bool useExtendedDatesCheckboxOn() const override { return useExtendedDates; }
    void setUseExtendedDatesCheckboxOn(bool on) override { useExtendedDates = on; }
    std::string selectedMatchingMode() const override { return matchingMode; }
    void selectMatchingMode(const std::string& title) override { matchingMode = title; }

    std::string folderTemplateText() const override { return folderTemplate; }
    void setFolderTemplateText(const std::string& text) override { folderTemplate = text; }
    void setFolderSample(const std::string& sample) override { folderSample = sample; }
    std::string videoDestinationText() const override { return videoDestination; }
    void setVideoDestinationText(const std::string& path) override { videoDestination = path; }
    std::string videoTemplateText() const override { return videoTemplate; }
    void setVideoTemplateText(const std::string& text) override { videoTemplate = text; }
    void setVideoFolderSample(const std::string& sample) override { videoSample = sample; }

    std::string nameTemplateText() const override { return nameTemplate; }
    void setNameTemplateText(const std::string& text) override { nameTemplate = text; }
    std::string sequenceScope() const override { return scope; }
    void setSequenceScope(const std::string& value) override { scope = value; }
    void setNameSample(const std::string& sample) override { nameSample = sample; }

    void reloadPatternTable(PatternTable table) override {
        rows[table] = controller_.numberOfRowsInTableView(table);
    }
    // An edit in progress reaches the presenter only when the edit ends.
    void endEditing(PatternTable table) override {
        if (edit && edit->table == table) {
            controller_.setObjectValue(table, edit->row, edit->text);
            edit.reset();
        }
    }
    std::optional<size_t> selectedPatternRow(PatternTable table) const override {
        auto it = selectedRows.find(table);
        return it == selectedRows.end() ? std::nullopt : it->second;
    }
    std::string selectedTabLabel() const override { return tab; }
    void selectTab(const std::string& label) override { tab = label; }
    void showPatternRow(PatternTable table, size_t row) override { selectedRows[table] = row; }
    void editPatternRow(PatternTable table, size_t row) override {
        edit = Edit{table, row, controller_.objectValue(table, row)};
    }

    void reloadPreview() override { ++previewReloads; }
    void expandPreviewItem(const PreviewItem* item) override {
        if (controller_.shouldExpandItem(item))
            expanded.push_back(item->shownText());
    }

    void showWindow() override { open = true; }
    void closeWindow() override { open = false; }

    // Selects the format item of a level by its title.
    void pick(int level, const std::string& title) {
        for (size_t i = 0; i < pops[level].items.size(); ++i)
            if (pops[level].items[i].title == title)
                pops[level].selected = i;
    }
    std::string selectedTitle(int level) const {
        const Pop& pop = pops.at(level);
        return pop.selected ? pop.items[*pop.selected].title : std::string();
    }
    std::vector<std::string> titles(int level) const {
        std::vector<std::string> out;
        for (const FormatMenuItem& item : pops.at(level).items)
            out.push_back(item.kind == FormatMenuItem::Kind::Separator ? "-"
                          : item.enabled()                             ? item.title
                                                                       : "[" + item.title + "]");
        return out;
    }

    std::map<int, Pop> pops;
    std::map<int, bool> buttons = {{1, false}, {2, false}, {3, false}};
    bool hiddenFiles = false;
    bool useExif = false;
    bool skipIdentical = false;
    bool keepBoth = false;
    bool copiesAnywhere = false;
    bool verifyCopies = false;
    std::vector<BackupChoice> backupChoices;
    int copies = -1;
    bool useExtendedDates = false;
    std::vector<std::string> zoneChoices;
    std::string zone;
    long dayStart = 0;
    std::string matchingMode;
    std::string nameTemplate, scope, nameSample;
    std::string folderTemplate, folderSample, videoDestination, videoTemplate, videoSample;
    std::map<PatternTable, size_t> rows;
    std::optional<Edit> edit;
    std::map<PatternTable, std::optional<size_t>> selectedRows;
    std::string tab = "Folders";
    int previewReloads = 0;
    std::vector<std::string> expanded;
    bool open = false;

  private:
    PrefsController& controller_;
};

class CountingBeeper : public Beeper {
  public:
    void beep() override { ++beeps; }
    int beeps = 0;
};

} // namespace orvane::test
