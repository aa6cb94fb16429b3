#include "ui/PrefsWindow.h"

#include "platform/qt/Translation.h"
#include "prefs/FolderFormats.h"
#include "prefs/MatchingModes.h"
#include "prefs/NamingSettings.h"
#include "prefs/PrefsController.h"
#include "ui/BackupList.h"
#include "ui/ImageAndTextCell.h"
#include "ui/PrefsModels.h"
#include "ui_PrefsWindow.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QStandardItemModel>
#include <QTime>
#include <cmath>
#include <memory>

// Resources of a static library are registered by hand, at global scope.
static void initPrefsResources() {
    Q_INIT_RESOURCE(prefs);
}

namespace orvane {

namespace {

std::string englishTabLabel(const QWidget* tab) {
    static const QHash<QString, const char*> kLabels = {{"foldersTab", "Folders"},
                                                        {"generalTab", "General"},
                                                        {"intactTab", "Intact Folders"},
                                                        {"copyTab", "File Copying Rules"}};
    return tab ? kLabels.value(tab->objectName(), "") : "";
}

std::optional<std::string> readPreviewResource(const std::string& name) {
    QFile file(QStringLiteral(":/preview/") + QString::fromStdString(name));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll().toStdString();
}

// The relative luminance of a colour and the contrast ratio of two, as accessibility
// guidelines define them.
double luminance(const QColor& color) {
    auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
           0.0722 * channel(color.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A hint's colour: the palette's placeholder colour where it is readable on the window
// (contrast 4.5:1 or more), else the mid-tone between text and window darkened (or
// lightened) toward the text until it is.
QColor hintColor(const QPalette& palette) {
    const QColor window = palette.color(QPalette::Window);
    const QColor text = palette.color(QPalette::WindowText);
    const QColor placeholder = palette.color(QPalette::PlaceholderText);
    if (contrast(placeholder, window) >= 4.5)
        return placeholder;
    for (double share = 0.5; share > 0; share -= 0.05) {
        const QColor mixed = QColor::fromRgbF(
            static_cast<float>(text.redF() * (1 - share) + window.redF() * share),
            static_cast<float>(text.greenF() * (1 - share) + window.greenF() * share),
            static_cast<float>(text.blueF() * (1 - share) + window.blueF() * share));
        if (contrast(mixed, window) >= 4.5)
            return mixed;
    }
    return text;
}

} // namespace

PrefsWindow::PrefsWindow(PrefsController& controller, QWidget* parent)
    : QDialog(parent), controller_(controller), ui_(std::make_unique<Ui::PrefsWindow>()) {
    static const bool resourcesRegistered = (initPrefsResources(), true);
    Q_UNUSED(resourcesRegistered);
    ui_->setupUi(this);

    for (const char* title : kMatchingModeTitles)
        ui_->matchingType->addItem(windowText(title), QString::fromUtf8(title));

    intactModel_ = new PatternTableModel(controller_, PatternTable::IntactFolders, this);
    copyModel_ = new PatternTableModel(controller_, PatternTable::CopyFiles, this);
    ui_->intactFolderPatterns->setModel(intactModel_);
    ui_->copyFilePatterns->setModel(copyModel_);
    for (QTableView* table : {ui_->intactFolderPatterns, ui_->copyFilePatterns})
        table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);

    previewModel_ = new PreviewOutlineModel(controller_, this);
    ui_->levelPreview->setModel(previewModel_);
    previewCell_ = new ImageAndTextCell(this);
    QFont small = font();
    small.setPointSizeF(qMax(8.0, small.pointSizeF() - 1.0));
    previewCell_->setFont(small);
    previewCell_->setImage(folderImage(devicePixelRatio()));
    // Files show their type's icon; icons are drawn once per type.
    previewCell_->setRowImage([this, cache = std::make_shared<QHash<QString, QPixmap>>()](
                                  const QModelIndex& index) -> QPixmap {
        const PreviewItem* item = previewModel_->itemAt(index);
        if (!item || controller_.shouldExpandItem(item))
            return {};
        const QString name = index.data().toString();
        const QString suffix = name.section('.', -1).toLower();
        auto it = cache->find(suffix);
        if (it == cache->end())
            it = cache->insert(suffix, fileImage(name, devicePixelRatio()));
        return *it;
    });
    ui_->levelPreview->setItemDelegate(previewCell_);
    // Items without children are shown as expandable but never open.
    connect(ui_->levelPreview, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (!controller_.shouldExpandItem(previewModel_->itemAt(index)))
            ui_->levelPreview->collapse(index);
    });

    for (int level : {1, 2, 3}) {
        // A level button turns on when clicked, never off; the controller turns the others off.
        connect(levelButton(level), &QAbstractButton::clicked, this, [this, level] {
            levelButton(level)->setChecked(true);
            controller_.levelChanged(level);
        });
        connect(formatMenu(level), &QComboBox::activated, this,
                [this] { controller_.folderNameFormatPicked(); });
    }
    for (const NamePreset& preset : kNamePresets)
        ui_->namePresetMenu->addItem(windowText(preset.title));
    connect(ui_->namePresetMenu, &QComboBox::activated, this,
            [this](int index) { controller_.namePresetPicked(static_cast<size_t>(index)); });
    connect(ui_->nameTemplateField, &QLineEdit::textEdited, this, [this] {
        showMatchingPreset();
        controller_.nameTemplateEdited();
    });

    for (QLineEdit* field :
         {ui_->folderTemplateField, ui_->videoDestinationField, ui_->videoTemplateField})
        connect(field, &QLineEdit::textChanged, this,
                [this] { controller_.folderTemplateEdited(); });
    connect(ui_->chooseVideoDestinationButton, &QPushButton::clicked, this,
            [this] { controller_.chooseVideoDestinationClicked(); });

    // Other formats are read only where capture dates are read at all.
    connect(ui_->useExifCheckbox, &QCheckBox::toggled, ui_->useExtendedDatesCheckbox,
            &QWidget::setEnabled);
    connect(ui_->saveButton, &QPushButton::clicked, this, [this] { controller_.saveClicked(); });
    connect(ui_->cancelButton, &QPushButton::clicked, this,
            [this] { controller_.cancelClicked(); });
    for (QPushButton* add : {ui_->addIntactButton, ui_->addCopyButton})
        connect(add, &QPushButton::clicked, this, [this] { controller_.addClicked(); });
    for (QPushButton* remove : {ui_->deleteIntactButton, ui_->deleteCopyButton})
        connect(remove, &QPushButton::clicked, this, [this] { controller_.deleteClicked(); });

    backupList_ = new BackupList(this);
    ui_->tabView->insertTab(ui_->tabView->indexOf(ui_->generalTab) + 1, backupList_, tr("Backups"));
    for (QLabel* hint :
         {ui_->formatsHint, ui_->folderTemplateHint, ui_->nameHint, ui_->exifHint,
          ui_->skipIdenticalHint, ui_->intactHint, ui_->copyHint, backupList_->hint()}) {
        QPalette palette = hint->palette();
        palette.setColor(QPalette::WindowText, hintColor(palette));
        hint->setPalette(palette);
    }

    controller_.setResourceReader(readPreviewResource);
    controller_.setView(this);
}

void PrefsWindow::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    QWidget* focus = focusWidget();
    for (PatternTable table : {PatternTable::IntactFolders, PatternTable::CopyFiles})
        if (enter && focus && tableView(table)->isAncestorOf(focus)) {
            event->accept();
            return;
        }
    QDialog::keyPressEvent(event);
}

PrefsWindow::~PrefsWindow() {
    controller_.setView(nullptr);
}

void PrefsWindow::showPreferences() {
    controller_.showPreferences();
}

void PrefsWindow::showCopyRules() {
    controller_.showPreferencesOnTab(kFileCopyingRulesTab);
}

QAction* PrefsWindow::addPreferencesCommand(QMenu* applicationMenu) {
    auto* command = new QAction(tr("Pr&eferences…"), applicationMenu);
    command->setObjectName("preferencesAction");
    command->setShortcut(QKeySequence(tr("Ctrl+,")));
    command->setMenuRole(QAction::PreferencesRole);
    connect(command, &QAction::triggered, this, &PrefsWindow::showPreferences);
    QAction* first = applicationMenu->actions().value(0);
    applicationMenu->insertAction(first, command);
    if (first)
        applicationMenu->insertSeparator(first);
    return command;
}

void PrefsWindow::reject() {
    controller_.cancelClicked();
}

QComboBox* PrefsWindow::formatMenu(int level) const {
    return level == 1   ? ui_->oneLevelFormat
           : level == 2 ? ui_->twoLevelFormat
                        : ui_->threeLevelFormat;
}

QAbstractButton* PrefsWindow::levelButton(int level) const {
    return level == 1   ? static_cast<QAbstractButton*>(ui_->oneLevelButton)
           : level == 2 ? ui_->twoLevelButton
                        : ui_->threeLevelButton;
}

QTableView* PrefsWindow::tableView(PatternTable table) const {
    return table == PatternTable::IntactFolders ? ui_->intactFolderPatterns : ui_->copyFilePatterns;
}

PatternTableModel* PrefsWindow::tableModel(PatternTable table) const {
    return table == PatternTable::IntactFolders ? intactModel_ : copyModel_;
}

// Format pop-ups and level buttons

void PrefsWindow::setFormatMenu(int level, const FormatMenu& menu) {
    QComboBox* combo = formatMenu(level);
    combo->clear();
    auto* model = qobject_cast<QStandardItemModel*>(combo->model());
    for (const FormatMenuItem& item : menu.items()) {
        if (item.kind == FormatMenuItem::Kind::Separator) {
            combo->insertSeparator(combo->count());
            continue;
        }
        combo->addItem(windowText(item.title));
        if (!item.enabled() && model) {
            QStandardItem* heading = model->item(combo->count() - 1);
            heading->setFlags(heading->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
        }
    }
    // Never leave a heading showing as the choice.
    combo->setCurrentIndex(-1);
}

void PrefsWindow::selectFormatItem(int level, size_t index) {
    formatMenu(level)->setCurrentIndex(static_cast<int>(index));
}

std::optional<size_t> PrefsWindow::selectedFormatItem(int level) const {
    const int index = formatMenu(level)->currentIndex();
    if (index < 0)
        return std::nullopt;
    return static_cast<size_t>(index);
}

void PrefsWindow::setFormatMenuEnabled(int level, bool enabled) {
    formatMenu(level)->setEnabled(enabled);
}

bool PrefsWindow::levelButtonOn(int level) const {
    return levelButton(level)->isChecked();
}

void PrefsWindow::setLevelButtonOn(int level, bool on) {
    levelButton(level)->setChecked(on);
}

// Checkboxes and matching mode

bool PrefsWindow::hiddenFileCheckboxOn() const {
    return ui_->hiddenFileCheckbox->isChecked();
}

void PrefsWindow::setHiddenFileCheckboxOn(bool on) {
    ui_->hiddenFileCheckbox->setChecked(on);
}

bool PrefsWindow::useExifCheckboxOn() const {
    return ui_->useExifCheckbox->isChecked();
}

void PrefsWindow::setUseExifCheckboxOn(bool on) {
    ui_->useExifCheckbox->setChecked(on);
    ui_->useExtendedDatesCheckbox->setEnabled(on);
}

bool PrefsWindow::useExtendedDatesCheckboxOn() const {
    return ui_->useExtendedDatesCheckbox->isChecked();
}

void PrefsWindow::setUseExtendedDatesCheckboxOn(bool on) {
    ui_->useExtendedDatesCheckbox->setChecked(on);
}

bool PrefsWindow::skipIdenticalCheckboxOn() const {
    return ui_->skipIdenticalCheckbox->isChecked();
}

void PrefsWindow::setSkipIdenticalCheckboxOn(bool on) {
    ui_->skipIdenticalCheckbox->setChecked(on);
}

bool PrefsWindow::keepBothCheckboxOn() const {
    return ui_->keepBothCheckbox->isChecked();
}

void PrefsWindow::setKeepBothCheckboxOn(bool on) {
    ui_->keepBothCheckbox->setChecked(on);
}

// The first item is this computer's zone, with no name stored; each other item's data is its
// zone's name.
void PrefsWindow::setShootZoneChoices(const std::vector<std::string>& zones) {
    QComboBox* menu = ui_->shootZoneMenu;
    menu->clear();
    menu->addItem(QStringLiteral("This computer's"), QString());
    for (const std::string& zone : zones) {
        const QString name = QString::fromStdString(zone);
        menu->addItem(QString(name).replace('_', ' '), name);
    }
}

std::string PrefsWindow::shootZone() const {
    return ui_->shootZoneMenu->currentData().toString().toStdString();
}

void PrefsWindow::setShootZone(const std::string& zone) {
    QComboBox* menu = ui_->shootZoneMenu;
    int index = menu->findData(QString::fromStdString(zone));
    if (index < 0) {
        // A name stored by hand that the database does not know is shown as it is.
        menu->addItem(QString::fromStdString(zone), QString::fromStdString(zone));
        index = menu->count() - 1;
    }
    menu->setCurrentIndex(index);
}

long PrefsWindow::dayStartsAt() const {
    return ui_->dayStartEdit->time().msecsSinceStartOfDay() / 1000;
}

void PrefsWindow::setDayStartsAt(long seconds) {
    ui_->dayStartEdit->setTime(QTime::fromMSecsSinceStartOfDay(static_cast<int>(seconds) * 1000));
}

bool PrefsWindow::copiesAnywhereCheckboxOn() const {
    return ui_->copiesAnywhereCheckbox->isChecked();
}

void PrefsWindow::setCopiesAnywhereCheckboxOn(bool on) {
    ui_->copiesAnywhereCheckbox->setChecked(on);
}

bool PrefsWindow::verifyCopiesCheckboxOn() const {
    return ui_->verifyCopiesCheckbox->isChecked();
}

void PrefsWindow::setVerifyCopiesCheckboxOn(bool on) {
    ui_->verifyCopiesCheckbox->setChecked(on);
}

std::string PrefsWindow::folderTemplateText() const {
    return ui_->folderTemplateField->text().toStdString();
}

void PrefsWindow::setFolderTemplateText(const std::string& text) {
    ui_->folderTemplateField->setText(QString::fromStdString(text));
}

void PrefsWindow::setFolderSample(const std::string& sample) {
    ui_->folderSample->setText(QString::fromStdString(sample));
}

// A path typed with a "~" or a trailing "/" is stored as the folder it names.
std::string PrefsWindow::videoDestinationText() const {
    QString path = ui_->videoDestinationField->text().trimmed();
    if (path.isEmpty())
        return {};
    if (path == "~" || path.startsWith("~/"))
        path = QDir::homePath() + path.mid(1);
    return QFile::encodeName(QDir::isAbsolutePath(path) ? QDir::cleanPath(path) : path)
        .toStdString();
}

void PrefsWindow::setVideoDestinationText(const std::string& path) {
    ui_->videoDestinationField->setText(QFile::decodeName(path.c_str()));
}

std::string PrefsWindow::videoTemplateText() const {
    return ui_->videoTemplateField->text().toStdString();
}

void PrefsWindow::setVideoTemplateText(const std::string& text) {
    ui_->videoTemplateField->setText(QString::fromStdString(text));
}

void PrefsWindow::setVideoFolderSample(const std::string& sample) {
    ui_->videoFolderSample->setText(QString::fromStdString(sample));
}

std::vector<PrefsView::BackupChoice> PrefsWindow::backups() const {
    return backupList_->choices();
}

void PrefsWindow::setBackups(const std::vector<BackupChoice>& backups) {
    backupList_->setChoices(backups);
}

std::string PrefsWindow::nameTemplateText() const {
    return ui_->nameTemplateField->text().toStdString();
}

void PrefsWindow::setNameTemplateText(const std::string& text) {
    ui_->nameTemplateField->setText(QString::fromStdString(text));
    showMatchingPreset();
}

// The preset whose template the field holds, or none for a template of the user's own.
void PrefsWindow::showMatchingPreset() {
    const std::string text = nameTemplateText();
    int index = -1;
    for (size_t i = 0; i < std::size(kNamePresets); ++i)
        if (text == kNamePresets[i].nameTemplate)
            index = static_cast<int>(i);
    ui_->namePresetMenu->setCurrentIndex(index);
}

// The menu's items are in the order of the scopes: "run", "day", "stored".
std::string PrefsWindow::sequenceScope() const {
    return std::string(
        sequenceScopeName(static_cast<SequenceScope>(ui_->sequenceScopeMenu->currentIndex())));
}

void PrefsWindow::setSequenceScope(const std::string& scope) {
    ui_->sequenceScopeMenu->setCurrentIndex(static_cast<int>(sequenceScopeNamed(scope)));
}

void PrefsWindow::setNameSample(const std::string& sample) {
    ui_->nameSample->setText(QString::fromStdString(sample));
}

// The menu's items are "Automatic", then 1 to 4: an item's index is its number.
int PrefsWindow::copiesAtOnce() const {
    return ui_->copiesAtOnceMenu->currentIndex();
}

void PrefsWindow::setCopiesAtOnce(int copies) {
    ui_->copiesAtOnceMenu->setCurrentIndex(copies);
}

std::string PrefsWindow::selectedMatchingMode() const {
    return ui_->matchingType->currentData().toString().toStdString();
}

void PrefsWindow::selectMatchingMode(const std::string& title) {
    const int index = ui_->matchingType->findData(QString::fromStdString(title));
    if (index >= 0)
        ui_->matchingType->setCurrentIndex(index);
}

// Pattern tables

void PrefsWindow::reloadPatternTable(PatternTable table) {
    tableModel(table)->reload();
}

void PrefsWindow::endEditing(PatternTable table) {
    // An open editor is the index widget of the row being edited, the current one.
    QTableView* view = tableView(table);
    QWidget* editor = view->indexWidget(view->currentIndex());
    if (!editor)
        return;
    // The delegate's own signals commit the text and close the editor, as Return would.
    QAbstractItemDelegate* delegate = view->itemDelegateForIndex(view->currentIndex());
    emit delegate->commitData(editor);
    emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
}

std::optional<size_t> PrefsWindow::selectedPatternRow(PatternTable table) const {
    const QModelIndexList rows = tableView(table)->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return static_cast<size_t>(rows.first().row());
}

// The controller names tabs by their English labels, whatever language the window speaks.
std::string PrefsWindow::selectedTabLabel() const {
    return englishTabLabel(ui_->tabView->currentWidget());
}

void PrefsWindow::selectTab(const std::string& label) {
    for (int index = 0; index < ui_->tabView->count(); ++index)
        if (englishTabLabel(ui_->tabView->widget(index)) == label)
            ui_->tabView->setCurrentIndex(index);
}

void PrefsWindow::showPatternRow(PatternTable table, size_t row) {
    QTableView* view = tableView(table);
    ui_->tabView->setCurrentWidget(table == PatternTable::IntactFolders ? ui_->intactTab
                                                                        : ui_->copyTab);
    const QModelIndex index = view->model()->index(static_cast<int>(row), 0);
    view->setCurrentIndex(index);
    view->selectRow(static_cast<int>(row));
    view->scrollTo(index);
    view->setFocus();
}

void PrefsWindow::editPatternRow(PatternTable table, size_t row) {
    showPatternRow(table, row);
    QTableView* view = tableView(table);
    view->edit(view->model()->index(static_cast<int>(row), 0));
}

// Preview

void PrefsWindow::reloadPreview() {
    previewModel_->reload();
}

void PrefsWindow::expandPreviewItem(const PreviewItem* item) {
    if (controller_.shouldExpandItem(item))
        ui_->levelPreview->expand(previewModel_->indexOfItem(item));
}

// Window

void PrefsWindow::showWindow() {
    show();
    raise();
    activateWindow();
}

void PrefsWindow::closeWindow() {
    hide();
}

} // namespace orvane
