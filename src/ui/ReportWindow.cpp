#include "ui/ReportWindow.h"

#include "app/Controller.h"
#include "platform/qt/Translation.h"
#include "report/ReportText.h"
#include "ui/Printing.h"
#include "ui/ReportTableModel.h"
#include "ui/ScreenFit.h"
#include "ui/TableColumn.h"
#include "ui_ReportWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QTextDocument>

namespace orvane {

namespace {

// Widens each table's last column when its window grows.
class FillOnResize : public QObject {
  public:
    FillOnResize(QTableView* table) : QObject(table), table_(table) {
        table->viewport()->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            TableColumn::fillTable(table_);
        return false;
    }

  private:
    QTableView* table_;
};

size_t indexOf(ReportTable table) {
    return static_cast<size_t>(table);
}

} // namespace

ReportWindow::ReportWindow(ReportController& report, Workspace* workspace, QWidget* parent)
    : QWidget(parent, Qt::Window), report_(report), workspace_(workspace),
      ui_(std::make_unique<Ui::ReportWindow>()) {
    ui_->setupUi(this);
    const std::array<std::pair<ReportTable, QString>, 4> tables{{
        {ReportTable::Copied, tr("Folder")},
        {ReportTable::Skipped, tr("Reason")},
        {ReportTable::Errors, tr("Error")},
        {ReportTable::ImportedBefore, tr("When and Where")},
    }};
    for (const auto& [table, valueTitle] : tables) {
        QTableView* view = tableView(table);
        auto* model = new ReportTableModel(report_, table, valueTitle, this);
        auto* proxy = new QSortFilterProxyModel(this);
        proxy->setSourceModel(model);
        proxy->setFilterKeyColumn(-1); // the path or what happened
        // The full path, also while the table shows names only: "Trip/IMG" finds its rows.
        proxy->setFilterRole(Qt::ToolTipRole);
        proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
        proxy->setSortCaseSensitivity(Qt::CaseInsensitive);
        view->setModel(proxy);
        // Run order first; a third click on a header returns to it.
        view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        view->horizontalHeader()->setSortIndicatorClearable(true);
        view->setSortingEnabled(true);
        connect(filterField(table), &QLineEdit::textChanged, proxy,
                &QSortFilterProxyModel::setFilterFixedString);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
            if (QMenu* menu = contextMenuFor(view->indexAt(at)))
                menu->popup(view->viewport()->mapToGlobal(at));
        });
        proxies_[indexOf(table)] = proxy;
        view->verticalHeader()->setVisible(false);
        view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
        view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        view->horizontalHeader()->setHighlightSections(false);
        view->horizontalHeader()->resizeSection(0, 320);
        new FillOnResize(view);
        models_[indexOf(table)] = model;
        for (int section = 0; section < 2; ++section)
            columns_[indexOf(table)][static_cast<size_t>(section)] =
                std::make_unique<TableColumn>(view, section);
    }
    // The summary's fields are for reading and copying: drawn on the window's background.
    for (QLineEdit* field :
         {ui_->reportSourcePathField, ui_->reportDestPathField, ui_->reportCopiedCountField,
          ui_->reportSkippedCountField, ui_->reportErrorCountField}) {
        QPalette palette = field->palette();
        palette.setColor(QPalette::Base, Qt::transparent);
        field->setPalette(palette);
    }
    connect(ui_->hideFolderPaths, &QCheckBox::clicked, this,
            [this] { report_.hideFolderPathControlOperated(); });
    ui_->copyRulesPanel->hide();
    connect(ui_->copyRulesButton, &QPushButton::clicked, this,
            [this] { report_.copyRulesButtonClicked(); });
    connect(ui_->printButton, &QPushButton::clicked, this, &ReportWindow::printReport);
    connect(ui_->closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(ui_->openDestinationButton, &QPushButton::clicked, this, [this] {
        if (workspace_ && report_.mainController())
            workspace_->openPath(report_.mainController()->toPath());
    });
    ui_->openDestinationButton->setEnabled(workspace_ != nullptr);
    // Escape and Return close the report, as they would a dialog; Return in a filter field
    // only ends the typing.
    for (QKeySequence key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::Key_Return),
                             QKeySequence(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, [this, key] {
            if (key[0].key() != Qt::Key_Escape && qobject_cast<QLineEdit*>(focusWidget()) &&
                !static_cast<QLineEdit*>(focusWidget())->isReadOnly())
                return;
            // Return on a button the user moved to presses that button.
            if (auto* button = qobject_cast<QAbstractButton*>(focusWidget());
                button && key[0].key() != Qt::Key_Escape && button->isEnabled()) {
                button->animateClick();
                return;
            }
            close();
        });
    }
    QFont outcomeFont = ui_->reportOutcome->font();
    outcomeFont.setBold(true);
    ui_->reportOutcome->setFont(outcomeFont);
    auto* print = new QShortcut(QKeySequence::Print, this);
    connect(print, &QShortcut::activated, this, &ReportWindow::printReport);
    auto* close = new QShortcut(QKeySequence::Close, this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
    report_.setView(this);
    // Never smaller than what shows the tabs and the whole summary.
    setMinimumSize(minimumSizeHint().expandedTo(
        QSize(ui_->reportTabView->sizeHint().width(), minimumSizeHint().height())));
    resizeWithinScreen(*this, size());
}

ReportWindow::~ReportWindow() {
    if (report_.view() == this)
        report_.setView(nullptr);
}

void ReportWindow::selectFirstTab() {
    ui_->reportTabView->setCurrentIndex(0);
}

void ReportWindow::setPropaganda(const std::string& text) {
    ui_->reportPropaganda->setText(windowText(text));
}

void ReportWindow::setNotes(const std::string& text) {
    ui_->reportNotes->setText(windowText(text));
    ui_->reportNotes->setVisible(!text.empty());
}

void ReportWindow::setCountFields(const std::string& copied, const std::string& skipped,
                                  const std::string& errors) {
    ui_->reportCopiedCountField->setText(QString::fromStdString(copied));
    ui_->reportSkippedCountField->setText(QString::fromStdString(skipped));
    ui_->reportErrorCountField->setText(QString::fromStdString(errors));
}

void ReportWindow::setErrorCountRed(bool red) {
    QPalette palette = ui_->reportErrorCountField->palette();
    palette.setColor(QPalette::Text, red ? QColor(Qt::red) : this->palette().color(QPalette::Text));
    ui_->reportErrorCountField->setPalette(palette);
}

void ReportWindow::setOutcome(const std::string& text) {
    ui_->reportOutcome->setText(windowText(text));
}

void ReportWindow::setTabLabel(int index, const std::string& label) {
    ui_->reportTabView->setTabText(index, windowText(label));
}

void ReportWindow::setTabShown(int index, bool shown) {
    ui_->reportTabView->setTabVisible(index, shown);
}

bool ReportWindow::hideFolderPaths() const {
    return ui_->hideFolderPaths->isChecked();
}

void ReportWindow::setHideFolderPaths(bool on) {
    ui_->hideFolderPaths->setChecked(on);
}

void ReportWindow::setSourceField(const std::string& text) {
    ui_->reportSourcePathField->setText(QFile::decodeName(text.c_str()));
    ui_->reportSourcePathField->setCursorPosition(0);
}

void ReportWindow::setDestField(const std::string& text) {
    ui_->reportDestPathField->setText(QFile::decodeName(text.c_str()));
    ui_->reportDestPathField->setCursorPosition(0);
}

void ReportWindow::reloadTables() {
    for (ReportTableModel* model : models_)
        model->reload();
}

ReportColumn* ReportWindow::column(ReportTable table, const std::string& identifier) {
    return columns_[indexOf(table)][identifier == kKeyColumn ? 0 : 1].get();
}

void ReportWindow::bringToFront() {
    show();
    raise();
    activateWindow();
}

void ReportWindow::setCopyRulesNotice(const std::string& text) {
    ui_->copyRulesNotice->setText(windowText(text));
    ui_->copyRulesPanel->setVisible(!text.empty());
}

QMenu* ReportWindow::contextMenuFor(const QModelIndex& index) {
    if (!index.isValid())
        return nullptr;
    const QString shown = index.data(ReportTableModel::kItemRole).toString();
    const std::string path = QFile::encodeName(shown).toStdString();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName("reportRowMenu");
    QAction* show = menu->addAction(tr("Show in &Folder"), this, [this, path] {
        if (workspace_)
            workspace_->showInFolder(path);
    });
    QAction* open = menu->addAction(tr("&Open"), this, [this, path] {
        if (workspace_)
            workspace_->openPath(path);
    });
    for (QAction* action : {show, open})
        action->setEnabled(workspace_ != nullptr);
    menu->addAction(tr("&Copy Path"), this, [shown] { QApplication::clipboard()->setText(shown); });
    return menu;
}

void ReportWindow::printReport() {
    std::optional<ReportTable> only;
    switch (ui_->reportTabView->currentIndex()) {
    case 1:
        only = ReportTable::Copied;
        break;
    case 2:
        only = ReportTable::Skipped;
        break;
    case 3:
        only = ReportTable::Errors;
        break;
    case 4:
        only = ReportTable::ImportedBefore;
        break;
    default:
        break;
    }
    QTextDocument text;
    text.setPlainText(QString::fromUtf8(reportText(report_, only)));
    printResizedCopy(text, this);
}

QTabWidget* ReportWindow::tabView() const {
    return ui_->reportTabView;
}

QTableView* ReportWindow::tableView(ReportTable table) const {
    switch (table) {
    case ReportTable::Copied:
        return ui_->reportCopiedTable;
    case ReportTable::Skipped:
        return ui_->reportSkippedTable;
    case ReportTable::ImportedBefore:
        return ui_->reportImportedTable;
    case ReportTable::Errors:
        break;
    }
    return ui_->reportErrorTable;
}

QLineEdit* ReportWindow::sourceField() const {
    return ui_->reportSourcePathField;
}
QLineEdit* ReportWindow::destField() const {
    return ui_->reportDestPathField;
}

QLineEdit* ReportWindow::countField(ReportTable table) const {
    switch (table) {
    case ReportTable::Copied:
        return ui_->reportCopiedCountField;
    case ReportTable::Skipped:
    case ReportTable::ImportedBefore:
        return ui_->reportSkippedCountField;
    case ReportTable::Errors:
        break;
    }
    return ui_->reportErrorCountField;
}

QCheckBox* ReportWindow::hideFolderPathsBox() const {
    return ui_->hideFolderPaths;
}
QLabel* ReportWindow::propaganda() const {
    return ui_->reportPropaganda;
}
QLabel* ReportWindow::outcome() const {
    return ui_->reportOutcome;
}

QLineEdit* ReportWindow::filterField(ReportTable table) const {
    switch (table) {
    case ReportTable::Copied:
        return ui_->copiedFilter;
    case ReportTable::Skipped:
        return ui_->skippedFilter;
    case ReportTable::ImportedBefore:
        return ui_->importedFilter;
    case ReportTable::Errors:
        break;
    }
    return ui_->errorFilter;
}

QSortFilterProxyModel* ReportWindow::proxy(ReportTable table) const {
    return proxies_[indexOf(table)];
}

QLabel* ReportWindow::copyRulesNotice() const {
    return ui_->copyRulesNotice;
}
QPushButton* ReportWindow::copyRulesButton() const {
    return ui_->copyRulesButton;
}
QLabel* ReportWindow::notes() const {
    return ui_->reportNotes;
}

TableColumn* ReportWindow::tableColumn(ReportTable table, int section) const {
    return columns_[indexOf(table)][static_cast<size_t>(section)].get();
}

} // namespace orvane
