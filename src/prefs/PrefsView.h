#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvane {

class FormatMenu;
struct PreviewItem;

// The two pattern tables of the preferences window.
enum class PatternTable { IntactFolders, CopyFiles };

// What the preferences presenter needs of its window. Level counts 1, 2 and 3 name the
// level buttons and their format pop-ups.
class PrefsView {
  public:
    virtual ~PrefsView() = default;

    // Format pop-ups.
    virtual void setFormatMenu(int level, const FormatMenu& menu) = 0;
    virtual void selectFormatItem(int level, size_t index) = 0;
    virtual std::optional<size_t> selectedFormatItem(int level) const = 0;
    virtual void setFormatMenuEnabled(int level, bool enabled) = 0;

    // Level buttons.
    virtual bool levelButtonOn(int level) const = 0;
    virtual void setLevelButtonOn(int level, bool on) = 0;

    // Checkboxes and the matching mode.
    virtual bool hiddenFileCheckboxOn() const = 0;
    virtual void setHiddenFileCheckboxOn(bool on) = 0;
    virtual bool useExifCheckboxOn() const = 0;
    virtual void setUseExifCheckboxOn(bool on) = 0;
    // On: an entry whose destination already holds the same contents is skipped.
    virtual bool skipIdenticalCheckboxOn() const = 0;
    virtual void setSkipIdenticalCheckboxOn(bool on) = 0;
    // On: a different file under a taken name is copied under a numbered name.
    virtual bool keepBothCheckboxOn() const = 0;
    virtual void setKeepBothCheckboxOn(bool on) = 0;
    virtual bool copiesAnywhereCheckboxOn() const = 0;
    virtual void setCopiesAnywhereCheckboxOn(bool on) = 0;
    // On: every copy is read back from the disk and compared with its original's bytes.
    virtual bool verifyCopiesCheckboxOn() const = 0;
    virtual void setVerifyCopiesCheckboxOn(bool on) = 0;
    // The folders that get a second copy of every run ("Also copy to"), each with whether
    // runs copy to it now.
    struct BackupChoice {
        std::string path;
        bool enabled = true;
        bool operator==(const BackupChoice&) const = default;
    };
    virtual std::vector<BackupChoice> backups() const = 0;
    virtual void setBackups(const std::vector<BackupChoice>& backups) = 0;
    // How many files a run copies at once: 0 leaves it to the program, else 1 to 4.
    virtual int copiesAtOnce() const = 0;
    virtual void setCopiesAtOnce(int copies) = 0;
    virtual bool useExtendedDatesCheckboxOn() const = 0;
    virtual void setUseExtendedDatesCheckboxOn(bool on) = 0;
    // The zone of the shoot: empty for this computer's (the first choice), else an IANA name
    // of `zones`.
    virtual void setShootZoneChoices(const std::vector<std::string>& zones) = 0;
    virtual std::string shootZone() const = 0;
    virtual void setShootZone(const std::string& zone) = 0;
    // When a day starts, in seconds after midnight (0: midnight).
    virtual long dayStartsAt() const = 0;
    virtual void setDayStartsAt(long seconds) = 0;
    virtual std::string selectedMatchingMode() const = 0;
    virtual void selectMatchingMode(const std::string& title) = 0;

    // The Folders tab's typed folder template (empty: the levels' format) and a sample folder
    // made with what a run would use; the video destination (empty: videos go with the rest)
    // and its folder template (empty: the same as the others'), with a sample video folder.
    virtual std::string folderTemplateText() const = 0;
    virtual void setFolderTemplateText(const std::string& text) = 0;
    virtual void setFolderSample(const std::string& sample) = 0;
    virtual std::string videoDestinationText() const = 0;
    virtual void setVideoDestinationText(const std::string& path) = 0;
    virtual std::string videoTemplateText() const = 0;
    virtual void setVideoTemplateText(const std::string& text) = 0;
    virtual void setVideoFolderSample(const std::string& sample) = 0;

    // The "File names" section: the name template (empty: original names), where {seq}
    // counts from ("run", "day" or "stored") and a sample name made with them.
    virtual std::string nameTemplateText() const = 0;
    virtual void setNameTemplateText(const std::string& text) = 0;
    virtual std::string sequenceScope() const = 0;
    virtual void setSequenceScope(const std::string& scope) = 0;
    virtual void setNameSample(const std::string& sample) = 0;

    // Pattern tables: they read their rows from the presenter.
    virtual void reloadPatternTable(PatternTable table) = 0;
    // Ends an edit in progress in the table, handing the edited text to the presenter.
    virtual void endEditing(PatternTable table) = 0;
    virtual std::optional<size_t> selectedPatternRow(PatternTable table) const = 0;
    virtual std::string selectedTabLabel() const = 0;
    virtual void selectTab(const std::string& label) = 0;
    // Brings the table's tab to the front and selects the row.
    virtual void showPatternRow(PatternTable table, size_t row) = 0;
    // Opens the row's editor, as a double click would.
    virtual void editPatternRow(PatternTable table, size_t row) = 0;

    // Folder-tree preview: it reads its items from the presenter.
    virtual void reloadPreview() = 0;
    virtual void expandPreviewItem(const PreviewItem* item) = 0;

    // The window.
    virtual void showWindow() = 0;
    virtual void closeWindow() = 0;
};

} // namespace orvane
