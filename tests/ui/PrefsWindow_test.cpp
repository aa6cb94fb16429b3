#include "platform/UserDefaults.h"
#include "prefs/DateRendering.h"
#include "prefs/Defaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "prefs/PrefsController.h"
#include "selection/PatternRules.h"
#include "selection/SelectionTestSupport.h"
#include "support/TestSupport.h"
#include "ui/DesktopApp.h"
#include "ui/ImageAndTextCell.h"
#include "ui/PrefsModels.h"
#include "ui/PrefsWindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using ::testing::ElementsAre;

class CountingBeeper : public Beeper {
  public:
    void beep() override { ++beeps; }
    int beeps = 0;
};

class PrefsWindowUi : public ::testing::Test {
  protected:
    PrefsWindowUi() : store(tmp / "prefs.json"), controller(store, services()), window(controller) {
        controller.registerDefaults();
        controller.setDateLocale(std::make_unique<DateLocale>("C"));
        controller.setClock([] { return test::localTime(2004, 8, 9); });
    }
    PlatformServices services() {
        PlatformServices s;
        s.beeper = &beeper;
        s.alerts = &alerts;
        return s;
    }
    // The window's controls, by the names the layout gives them.
    template <typename T> T* find(const char* name) {
        T* widget = window.findChild<T*>(name);
        EXPECT_TRUE(widget) << name;
        return widget;
    }
    StringList stored(const char* key) { return store.stringArrayForKey(key).value(); }
    QAbstractItemModel* preview() { return levelPreview->model(); }
    QStringList childTexts(const QModelIndex& parent) {
        QStringList texts;
        for (int row = 0; row < preview()->rowCount(parent); ++row)
            texts << preview()->index(row, 0, parent).data().toString();
        return texts;
    }
    QStringList comboTexts(QComboBox* combo) {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
        return texts;
    }
    void showTab(const QString& label) {
        for (int i = 0; i < tabView->count(); ++i)
            if (tabView->tabText(i) == label)
                tabView->setCurrentIndex(i);
    }
    // Types into a table cell through its editor, leaving the editor open.
    void typeInto(QTableView* table, int row, const QString& text) {
        const QModelIndex index = table->model()->index(row, 0);
        table->setCurrentIndex(index);
        table->edit(index);
        auto* editor = qobject_cast<QLineEdit*>(table->indexWidget(index));
        ASSERT_TRUE(editor);
        editor->setText(text);
    }

    test::TempDir tmp;
    UserDefaults store;
    CountingBeeper beeper;
    test::RecordingAlerts alerts;
    PrefsController controller;
    PrefsWindow window;
    QComboBox* oneLevelFormat = find<QComboBox>("oneLevelFormat");
    QComboBox* twoLevelFormat = find<QComboBox>("twoLevelFormat");
    QComboBox* threeLevelFormat = find<QComboBox>("threeLevelFormat");
    QComboBox* matchingType = find<QComboBox>("matchingType");
    QRadioButton* oneLevelButton = find<QRadioButton>("oneLevelButton");
    QRadioButton* twoLevelButton = find<QRadioButton>("twoLevelButton");
    QRadioButton* threeLevelButton = find<QRadioButton>("threeLevelButton");
    QCheckBox* hiddenFileCheckbox = find<QCheckBox>("hiddenFileCheckbox");
    QCheckBox* useExifCheckbox = find<QCheckBox>("useExifCheckbox");
    QTreeView* levelPreview = find<QTreeView>("levelPreview");
    QTableView* intactFolderPatterns = find<QTableView>("intactFolderPatterns");
    QTableView* copyFilePatterns = find<QTableView>("copyFilePatterns");
    QTabWidget* tabView = find<QTabWidget>("tabView");
    QPushButton* addIntactButton = find<QPushButton>("addIntactButton");
    QPushButton* deleteIntactButton = find<QPushButton>("deleteIntactButton");
    QPushButton* addCopyButton = find<QPushButton>("addCopyButton");
    QPushButton* deleteCopyButton = find<QPushButton>("deleteCopyButton");
    QPushButton* saveButton = find<QPushButton>("saveButton");
    QPushButton* cancelButton = find<QPushButton>("cancelButton");
};

TEST_F(PrefsWindowUi, OpensWithTheStoredSettings) {
    store.setObject(keys::kMatchingMode, std::string(kAllExceptMatching));
    window.showPreferences();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(oneLevelFormat->currentText(), "2004-08-09");
    EXPECT_EQ(twoLevelFormat->currentText(), "2004/08-09");
    EXPECT_EQ(threeLevelFormat->currentText(), "2004/08/09");
    EXPECT_TRUE(oneLevelButton->isChecked());
    EXPECT_TRUE(oneLevelFormat->isEnabled());
    EXPECT_FALSE(twoLevelFormat->isEnabled());
    EXPECT_FALSE(threeLevelFormat->isEnabled());
    EXPECT_TRUE(hiddenFileCheckbox->isChecked());
    EXPECT_TRUE(useExifCheckbox->isChecked());
    EXPECT_EQ(matchingType->currentText(), kAllExceptMatching);
    EXPECT_EQ(matchingType->count(), 2);

    // The headings are there but cannot be chosen; the separator sits between the sections.
    QComboBox* two = twoLevelFormat;
    ASSERT_EQ(two->count(), 14);
    auto* model = qobject_cast<QStandardItemModel*>(two->model());
    EXPECT_EQ(two->itemText(0), "Create one folder per day:");
    EXPECT_FALSE(model->item(0)->isEnabled());
    EXPECT_EQ(two->itemData(9, Qt::AccessibleDescriptionRole).toString(), "separator");
    EXPECT_EQ(two->itemText(10), "Create one folder per month:");
    EXPECT_FALSE(model->item(10)->isEnabled());
    EXPECT_TRUE(model->item(11)->isEnabled());
    EXPECT_EQ(two->itemText(13), "2004/08");
}

TEST_F(PrefsWindowUi, ThePreviewShowsOneRootOpenDownToTheDatedFolders) {
    window.showPreferences();
    ASSERT_EQ(preview()->rowCount(), 1);
    const QModelIndex root = preview()->index(0, 0);
    EXPECT_EQ(root.data().toString(), "Photos");
    EXPECT_TRUE(levelPreview->isExpanded(root));
    EXPECT_EQ(childTexts(root),
              QStringList({"2004-08-09", "2004-08-20", "2004-12-01", "2005-01-03"}));
    const QModelIndex day = preview()->index(0, 0, root);
    EXPECT_TRUE(levelPreview->isExpanded(day));
    EXPECT_EQ(childTexts(day), QStringList({"IMG_0412.JPG", "IMG_0413.JPG"}));

    // A photo has no expander; folders keep theirs.
    const QModelIndex photo = preview()->index(0, 0, day);
    EXPECT_FALSE(preview()->hasChildren(photo));
    EXPECT_TRUE(preview()->hasChildren(day));
}

TEST_F(PrefsWindowUi, PlusOpensTheNewRowsEditorAndReturnEndsOnlyTheEdit) {
    window.showPreferences();
    showTab("Intact Folders");
    addIntactButton->click();
    const QModelIndex added = intactFolderPatterns->model()->index(0, 0);
    auto* editor = qobject_cast<QLineEdit*>(intactFolderPatterns->indexWidget(added));
    ASSERT_TRUE(editor);
    editor->setText("Library");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(window.isVisible()) << "Return pressed Save";
    EXPECT_THAT(controller.intactPatternArray(), ElementsAre("Library"));

    addIntactButton->click();
    editor = qobject_cast<QLineEdit*>(
        intactFolderPatterns->indexWidget(intactFolderPatterns->model()->index(1, 0)));
    ASSERT_TRUE(editor);
    editor->setText("typed, then cancelled");
    QTest::keyClick(editor, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(window.isVisible()) << "Escape cancelled the window";
    EXPECT_THAT(controller.intactPatternArray(), ElementsAre("Library", kNewPattern));
    saveButton->click();
    EXPECT_THAT(stored(keys::kIntactFolderPatterns), ElementsAre("Library"));
}

TEST_F(PrefsWindowUi, PatternErrorNamesThePatternAndOpensPreferencesAtIt) {
    const StringList stored = {"Library", "/[/", "*.app"};
    alerts.answer = 1; // "Open Preferences"
    EXPECT_FALSE(compiledRegexForPatterns(stored, patterns::kFolderCopyingType, &alerts,
                                          [&](const std::string& type, size_t index) {
                                              store.setObject(keys::kIntactFolderPatterns, stored);
                                              controller.showPattern(type, index);
                                          }));
    ASSERT_EQ(alerts.calls.size(), 1u);
    EXPECT_EQ(alerts.calls[0].alternateButton, "Open Preferences");
    EXPECT_THAT(alerts.calls[0].message,
                ::testing::HasSubstr("The pattern \"/[/\" in the \"Intact Folders\" list"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(tabView->tabText(tabView->currentIndex()), "Intact Folders");
    const QModelIndexList selected = intactFolderPatterns->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].row(), 1);
}

TEST_F(PrefsWindowUi, ChoosingALevelAndAFormatRebuildsThePreview) {
    window.showPreferences();
    twoLevelButton->click();
    EXPECT_FALSE(oneLevelButton->isChecked());
    EXPECT_TRUE(twoLevelButton->isChecked());
    EXPECT_FALSE(oneLevelFormat->isEnabled());
    EXPECT_TRUE(twoLevelFormat->isEnabled());
    twoLevelButton->click();
    EXPECT_TRUE(twoLevelButton->isChecked()) << "a level button never turns itself off";

    const QModelIndex year = preview()->index(0, 0, preview()->index(0, 0));
    EXPECT_EQ(year.data().toString(), "2004");
    EXPECT_EQ(childTexts(year), QStringList({"08-09", "08-20", "09-01"}));

    const int august = twoLevelFormat->findText("2004/August");
    twoLevelFormat->setCurrentIndex(august);
    emit twoLevelFormat->activated(august);
    const QModelIndex newYear = preview()->index(0, 0, preview()->index(0, 0));
    EXPECT_EQ(childTexts(newYear), QStringList({"August", "September"}));
    EXPECT_EQ(store.stringForKey(keys::kTwoLevelDateFormat), "%Y/%m-%d");

    saveButton->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(store.integerForKey(keys::kDirLevels), 2);
    EXPECT_EQ(store.stringForKey(keys::kTwoLevelDateFormat), "%Y/%B");
}

TEST_F(PrefsWindowUi, SaveTakesTheTextOfAnOpenEditorAndDropsPlaceholders) {
    store.setObject(keys::kCopyFilePatterns, StringList{"*.jpg"});
    window.showPreferences();
    showTab(kFileCopyingRulesTab);
    addCopyButton->click();
    addCopyButton->click();
    addCopyButton->click();
    EXPECT_EQ(copyFilePatterns->model()->rowCount(), 4);
    typeInto(copyFilePatterns, 3, "*.CR2");
    saveButton->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_THAT(stored(keys::kCopyFilePatterns), ElementsAre("*.jpg", "*.CR2"));
    EXPECT_TRUE(stored(keys::kIntactFolderPatterns).empty());
}

TEST_F(PrefsWindowUi, ARefusedSaveKeepsTheWindowOpenAndTheTablesInLine) {
    window.showPreferences();
    showTab("Intact Folders");
    addIntactButton->click();
    typeInto(intactFolderPatterns, 0, "/[/");
    showTab(kFileCopyingRulesTab);
    addCopyButton->click();
    threeLevelButton->click();
    saveButton->click();

    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(alerts.calls.size(), 1u);
    EXPECT_EQ(alerts.calls[0].title, "Pattern Error");
    EXPECT_THAT(alerts.calls[0].message, ::testing::HasSubstr("folder copying"));
    EXPECT_EQ(store.integerForKey(keys::kDirLevels), 1);
    EXPECT_TRUE(stored(keys::kIntactFolderPatterns).empty());
    EXPECT_EQ(copyFilePatterns->model()->rowCount(), 0);
    ASSERT_EQ(intactFolderPatterns->model()->rowCount(), 1);
    EXPECT_EQ(intactFolderPatterns->model()->index(0, 0).data().toString(), "/[/");
}

TEST_F(PrefsWindowUi, DeleteRemovesTheSelectedRowOrBeeps) {
    store.setObject(keys::kIntactFolderPatterns, StringList{"Library", "*.photoslibrary"});
    window.showPreferences();
    showTab("Intact Folders");
    deleteIntactButton->click();
    EXPECT_EQ(beeper.beeps, 1);
    intactFolderPatterns->selectRow(1);
    deleteIntactButton->click();
    EXPECT_EQ(beeper.beeps, 1);
    EXPECT_THAT(controller.intactPatternArray(), ElementsAre("Library"));
    EXPECT_EQ(intactFolderPatterns->model()->rowCount(), 1);
}

TEST_F(PrefsWindowUi, TheCloseButtonStoresNothing) {
    window.showPreferences();
    threeLevelButton->click();
    hiddenFileCheckbox->setChecked(false);
    showTab("Intact Folders");
    addIntactButton->click();
    typeInto(intactFolderPatterns, 0, "Library");
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(store.integerForKey(keys::kDirLevels), 1);
    EXPECT_FALSE(store.boolForKey(keys::kCopyHiddenFiles));

    window.showPreferences();
    EXPECT_TRUE(oneLevelButton->isChecked());
    EXPECT_FALSE(threeLevelButton->isChecked());
    EXPECT_TRUE(hiddenFileCheckbox->isChecked());
    EXPECT_EQ(intactFolderPatterns->model()->rowCount(), 0);

    cancelButton->click();
    EXPECT_FALSE(window.isVisible());
}

TEST(PrefsCommand, TheApplicationMenuOpensThePreferences) {
    test::TempDir tmp;
    UserDefaults store(tmp / "prefs.json");
    registerDefaults(store);
    DesktopApp desktop(store, tmp / "recently-used.xbel");
    QAction* command = nullptr;
    for (QAction* action : desktop.mainWindow().applicationMenu()->actions())
        if (action->text() == "Pr&eferences…")
            command = action;
    ASSERT_TRUE(command);
    EXPECT_EQ(command->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(desktop.mainWindow().applicationMenu()->actions().value(0), command);
    EXPECT_FALSE(desktop.prefsWindow().isVisible());
    command->trigger();
    EXPECT_TRUE(desktop.prefsWindow().isVisible());
    auto* levels = desktop.prefsWindow().findChild<QRadioButton*>("oneLevelButton");
    ASSERT_TRUE(levels);
    EXPECT_TRUE(levels->isChecked());
}

TEST(ImageAndTextCell, TheFolderImageStandsTenPointsFromTheLeft) {
    const QImage image = folderImage(1.0).toImage();
    ASSERT_EQ(image.size(), QSize(30, 16));
    bool leftClear = true;
    bool iconDrawn = false;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 30; ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            if (x < 10 || x >= 26)
                leftClear = leftClear && alpha == 0;
            else
                iconDrawn = iconDrawn || alpha > 0;
        }
    }
    EXPECT_TRUE(leftClear);
    EXPECT_TRUE(iconDrawn);
    EXPECT_EQ(folderImage(2.0).size(), QSize(60, 32));
}

// Not a check: saves a picture of each tab when ORVANE_SCREENSHOT_DIR names a folder.
TEST_F(PrefsWindowUi, Screenshots) {
    const QString dir = qEnvironmentVariable("ORVANE_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "ORVANE_SCREENSHOT_DIR not set";
    store.setObject(keys::kIntactFolderPatterns, StringList{"*.photoslibrary", "Library"});
    store.setObject(keys::kCopyFilePatterns, StringList{"*.jpg", "*.CR2", "IMG_????.*"});
    store.setInteger(keys::kDirLevels, 3);
    store.setObject(keys::kFolderTemplate, std::string("%Y/%Y-%m-%d {job}"));
    store.setObject(keys::kVideoDestination, std::string("/media/videos"));
    store.setObject(keys::kVideoFolderFormat, std::string("{kind}/%Y"));
    window.showPreferences();
    for (int i = 0; i < tabView->count(); ++i) {
        tabView->setCurrentIndex(i);
        QApplication::processEvents();
        window.grab().save(QDir(dir).filePath(QString("prefs-tab%1.png").arg(i + 1)));
    }
    tabView->setCurrentIndex(0);
    twoLevelButton->click();
    twoLevelFormat->showPopup();
    QApplication::processEvents();
    twoLevelFormat->view()->window()->grab().save(QDir(dir).filePath("prefs-two-levels.png"));
    twoLevelFormat->hidePopup();

    // As the application shows it, with the icon theme it falls back on.
    QIcon::setFallbackThemeName("Adwaita");
    DesktopApp desktop(store, tmp / "recently-used.xbel");
    desktop.mainWindow().applicationMenu()->actions().value(0)->trigger();
    QApplication::processEvents();
    desktop.prefsWindow().grab().save(QDir(dir).filePath("prefs-app.png"));
    QMenu* menu = desktop.mainWindow().applicationMenu();
    menu->popup(QPoint(0, 0));
    QApplication::processEvents();
    menu->grab().save(QDir(dir).filePath("prefs-menu.png"));
    menu->hide();
}

} // namespace
} // namespace orvane
