#pragma once

#include "prefs/PrefsView.h"

#include <QDialog>
#include <memory>

class QAbstractButton;
class QAction;
class QComboBox;
class QMenu;
class QTableView;

namespace Ui {
class PrefsWindow;
}

namespace orvane {

class BackupList;
class ImageAndTextCell;
class PatternTableModel;
class PrefsController;
class PreviewOutlineModel;

// The preferences window: the controls of the layout, shown and read for PrefsController.
// Its close button and Escape act as Cancel.
class PrefsWindow : public QDialog, public PrefsView {
    Q_OBJECT
  public:
    // Makes itself the controller's view; the sample trees come from the application's
    // resources unless the controller was given other ones.
    explicit PrefsWindow(PrefsController& controller, QWidget* parent = nullptr);
    ~PrefsWindow() override;

    // Opens the window filled from the store (also when it is already open, which discards
    // unsaved edits). The "Preferences…" menu command calls this.
    void showPreferences();
    // Opens the window on the File Copying Rules tab (the report's button).
    void showCopyRules();
    // Puts the "Preferences…" command (Ctrl+,) at the top of the application menu.
    QAction* addPreferencesCommand(QMenu* applicationMenu);

    // PrefsView
    void setFormatMenu(int level, const FormatMenu& menu) override;
    void selectFormatItem(int level, size_t index) override;
    std::optional<size_t> selectedFormatItem(int level) const override;
    void setFormatMenuEnabled(int level, bool enabled) override;
    bool levelButtonOn(int level) const override;
    void setLevelButtonOn(int level, bool on) override;
    bool hiddenFileCheckboxOn() const override;
    void setHiddenFileCheckboxOn(bool on) override;
    bool useExifCheckboxOn() const override;
    void setUseExifCheckboxOn(bool on) override;
    bool skipIdenticalCheckboxOn() const override;
    void setSkipIdenticalCheckboxOn(bool on) override;
    bool keepBothCheckboxOn() const override;
    void setKeepBothCheckboxOn(bool on) override;
    bool copiesAnywhereCheckboxOn() const override;
    void setCopiesAnywhereCheckboxOn(bool on) override;
    bool verifyCopiesCheckboxOn() const override;
    void setVerifyCopiesCheckboxOn(bool on) override;
    std::vector<BackupChoice> backups() const override;
    void setBackups(const std::vector<BackupChoice>& backups) override;
    int copiesAtOnce() const override;
    void setCopiesAtOnce(int copies) override;
    bool useExtendedDatesCheckboxOn() const override;
    void setUseExtendedDatesCheckboxOn(bool on) override;
    void setShootZoneChoices(const std::vector<std::string>& zones) override;
    std::string shootZone() const override;
    void setShootZone(const std::string& zone) override;
    long dayStartsAt() const override;
    void setDayStartsAt(long seconds) override;
    std::string folderTemplateText() const override;
    void setFolderTemplateText(const std::string& text) override;
    void setFolderSample(const std::string& sample) override;
    std::string videoDestinationText() const override;
    void setVideoDestinationText(const std::string& path) override;
    std::string videoTemplateText() const override;
    void setVideoTemplateText(const std::string& text) override;
    void setVideoFolderSample(const std::string& sample) override;
    std::string nameTemplateText() const override;
    void setNameTemplateText(const std::string& text) override;
    std::string sequenceScope() const override;
    void setSequenceScope(const std::string& scope) override;
    void setNameSample(const std::string& sample) override;
    std::string selectedMatchingMode() const override;
    void selectMatchingMode(const std::string& title) override;
    void reloadPatternTable(PatternTable table) override;
    void endEditing(PatternTable table) override;
    std::optional<size_t> selectedPatternRow(PatternTable table) const override;
    std::string selectedTabLabel() const override;
    void selectTab(const std::string& label) override;
    void showPatternRow(PatternTable table, size_t row) override;
    void editPatternRow(PatternTable table, size_t row) override;
    void reloadPreview() override;
    void expandPreviewItem(const PreviewItem* item) override;
    void showWindow() override;
    void closeWindow() override;

  public slots:
    void reject() override;

  protected:
    // Return in a pattern's editor ends the edit; it does not press Save.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void showMatchingPreset();
    QComboBox* formatMenu(int level) const;
    QAbstractButton* levelButton(int level) const;
    QTableView* tableView(PatternTable table) const;
    PatternTableModel* tableModel(PatternTable table) const;

    PrefsController& controller_;
    std::unique_ptr<Ui::PrefsWindow> ui_;
    PatternTableModel* intactModel_;
    PatternTableModel* copyModel_;
    PreviewOutlineModel* previewModel_;
    BackupList* backupList_ = nullptr;
    ImageAndTextCell* previewCell_;
};

} // namespace orvane
