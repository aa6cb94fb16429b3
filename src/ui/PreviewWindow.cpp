#include "ui/PreviewWindow.h"

#include "app/PlanChoice.h"
#include "base/NumberText.h"
#include "platform/qt/Translation.h"
#include "ui/PlanTreeModel.h"
#include "ui/ScreenFit.h"
#include "ui/ThumbnailLoader.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelection>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

namespace orvane {
namespace {

QString number(uint64_t count) {
    return QString::fromStdString(groupedNumber(count));
}

QString bytes(uint64_t count) {
    return QString::fromStdString(byteCountText(count));
}

// Asks for a file's picture when its row is painted, and only then.
class PlanTreeCell : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (const auto* model = qobject_cast<const PlanTreeModel*>(index.model()))
            model->requestThumbnail(index);
        QStyledItemDelegate::paint(painter, option, index);
    }
};

} // namespace

QString planTotalsText(const PlanTotals& totals) {
    QStringList parts;
    parts << (totals.files == 1 ? PreviewWindow::tr("1 file")
                                : PreviewWindow::tr("%1 files").arg(number(totals.files)))
          << bytes(totals.bytes)
          << (totals.newFolders == 1
                  ? PreviewWindow::tr("1 new folder")
                  : PreviewWindow::tr("%1 new folders").arg(number(totals.newFolders)))
          << (totals.conflicts == 1
                  ? PreviewWindow::tr("1 name conflict")
                  : PreviewWindow::tr("%1 name conflicts").arg(number(totals.conflicts)));
    if (totals.importedBefore)
        parts << PreviewWindow::tr("%1 imported before").arg(number(totals.importedBefore));
    if (totals.skipped > totals.importedBefore)
        parts
            << PreviewWindow::tr("%1 skipped").arg(number(totals.skipped - totals.importedBefore));
    if (totals.failures)
        parts << PreviewWindow::tr("%1 can't be copied").arg(number(totals.failures));
    parts << (totals.freeBytes ? PreviewWindow::tr("%1 free").arg(bytes(*totals.freeBytes))
                               : PreviewWindow::tr("free space unknown"));
    return parts.join(QStringLiteral(" · "));
}

PreviewWindow::PreviewWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(tr("Orvane Preview"));
    setObjectName(QStringLiteral("previewWindow"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 16);
    layout->setSpacing(8);

    destination_ = new QLabel(this);
    destination_->setTextFormat(Qt::PlainText);
    QFont heading = destination_->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.15);
    destination_->setFont(heading);
    totals_ = new QLabel(this);
    totals_->setTextFormat(Qt::PlainText);
    totals_->setWordWrap(true);
    totals_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    thumbnails_ = new ThumbnailLoader(this);
    tree_ = new QTreeView(this);
    tree_->setIconSize(QSize(ThumbnailLoader::kSize, ThumbnailLoader::kSize));
    tree_->setAlternatingRowColors(true);
    tree_->setUniformRowHeights(false);
    tree_->setItemDelegate(new PlanTreeCell(tree_));
    tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree_->header()->setStretchLastSection(true);

    // The camera's clock offset applies to this plan and its run only.
    auto* clockRow = new QHBoxLayout;
    auto* clockLabel = new QLabel(tr("Camera clock:"), this);
    cameraClock_ = new QLineEdit(this);
    cameraClock_->setObjectName(QStringLiteral("cameraClockField"));
    cameraClock_->setPlaceholderText(QStringLiteral("+0:00"));
    cameraClock_->setMaximumWidth(110);
    cameraClock_->setToolTip(QStringLiteral(
        "How far the camera's clock was off, e.g. +7:00 or -0:30. Dates read from the files "
        "move by it in this plan and its run; modification times stay."));
    clockLabel->setBuddy(cameraClock_);
    cameraClockHint_ = new QLabel(this);
    cameraClockHint_->setTextFormat(Qt::PlainText);
    clockRow->addWidget(clockLabel);
    clockRow->addWidget(cameraClock_);
    clockRow->addWidget(cameraClockHint_, 1);
    connect(cameraClock_, &QLineEdit::editingFinished, this, [this] {
        const bool taken =
            !cameraClockApply_ || cameraClockApply_(cameraClock_->text().trimmed().toStdString());
        cameraClockHint_->setText(taken ? QString() : tr("Give [+|-]H:MM, hours below 24"));
    });

    // The timeline: the shots by day, in groups split at pauses of more than an hour.
    timeline_ = new QListWidget(this);
    timeline_->setObjectName(QStringLiteral("timeline"));
    connect(timeline_, &QListWidget::itemClicked, this, &PreviewWindow::showGroup);
    auto* split = new QSplitter(this);
    split->addWidget(timeline_);
    split->addWidget(tree_);
    split->setStretchFactor(1, 1);
    split->setSizes({180, 620});

    chooseButtons_ = new QWidget(this);
    auto* chooseRow = new QHBoxLayout(chooseButtons_);
    chooseRow->setContentsMargins(0, 0, 0, 0);
    const std::pair<QString, void (PlanChoice::*)()> choices[] = {
        {tr("Select All"), &PlanChoice::chooseAll},
        {tr("Select None"), &PlanChoice::chooseNone},
        {tr("New Only"), &PlanChoice::chooseNewOnly}};
    for (const auto& [title, choose] : choices) {
        auto* button = new QPushButton(title, chooseButtons_);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, choose = choose] {
            if (!choice_ || !model_)
                return;
            ((*choice_).*choose)();
            model_->choiceChanged();
        });
        chooseRow->addWidget(button);
    }
    chooseRow->addStretch(1);

    auto* buttons = new QDialogButtonBox(this);
    organizeButton_ = buttons->addButton(tr("Organize"), QDialogButtonBox::AcceptRole);
    organizeButton_->setDefault(true);
    buttons->addButton(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
    connect(organizeButton_, &QPushButton::clicked, this, [this] {
        if (organize_)
            organize_();
    });

    layout->addWidget(destination_);
    layout->addWidget(totals_);
    layout->addLayout(clockRow);
    layout->addWidget(chooseButtons_);
    layout->addWidget(split, 1);
    layout->addWidget(buttons);
    // Closed as a dialog would be, and as the report is.
    for (QKeySequence key : {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);
    // Wide enough for the notes beside pictured rows, where the screen allows.
    resizeWithinScreen(*this, QSize(1000, 660));
}

PreviewWindow::~PreviewWindow() = default;

QPushButton* PreviewWindow::chooseButton(const QString& title) const {
    for (QPushButton* button : chooseButtons_->findChildren<QPushButton*>())
        if (button->text() == title)
            return button;
    return nullptr;
}

void PreviewWindow::setPlan(std::shared_ptr<const RunPlan> plan,
                            std::shared_ptr<PlanChoice> choice) {
    choice_ = std::move(choice);
    chooseButtons_->setVisible(choice_ != nullptr);
    const QString root = QFile::decodeName(plan->toPath.c_str());
    // The devices the files come from are named first: "From 'Canon EOS R5' on USB".
    QString from;
    for (const std::string& note : plan->listed.notes)
        from += QString::fromStdString(note) + QStringLiteral(" · ");
    // With videos apart, the top folders are the roots.
    QStringList roots;
    if (!plan->folders.empty())
        for (size_t top : plan->folders[0].folders)
            if (!plan->folders[top].root.empty() && plan->folders[top].path.empty())
                roots << QFile::decodeName(plan->folders[top].root.c_str());
    auto last = [](const QString& path) {
        return path.section('/', -1, -1, QString::SectionSkipEmpty);
    };
    destination_->setText(from + (roots.size() == 2
                                      ? tr("Into %1 and %2").arg(last(roots[0]), last(roots[1]))
                                      : tr("Into %1").arg(last(root))));
    destination_->setToolTip(roots.size() == 2 ? roots.join('\n') : root);
    bool lowSpace = plan->totals.freeBytes && *plan->totals.freeBytes < plan->totals.bytes;
    // Each backup is named with its free space: it needs room for the same copies.
    QString backups;
    for (const PlanTotals::Backup& backup : plan->totals.backups) {
        const QString path = QString::fromStdString(backup.path);
        backups += QStringLiteral(" · ") +
                   tr("also into %1 (%2)")
                       .arg(path.section('/', -1, -1, QString::SectionSkipEmpty),
                            backup.freeBytes ? tr("%1 free").arg(bytes(*backup.freeBytes))
                                             : tr("free space unknown"));
        lowSpace = lowSpace || (backup.freeBytes && *backup.freeBytes < plan->totals.bytes);
    }
    destination_->setText(destination_->text() + backups);
    for (const PlanTotals::Backup& backup : plan->totals.backups)
        destination_->setToolTip(destination_->toolTip() + "\n" +
                                 tr("Also into %1").arg(QString::fromStdString(backup.path)));
    totals_->setText(planTotalsText(plan->totals) +
                     (lowSpace ? " · " + tr("not enough free space") : QString()));
    totals_->setToolTip(lowSpace ? tr("Not enough free space at the destination") : QString());

    const long shift = plan->timeSettings.shift;
    cameraClock_->setText(shift != 0 ? QString::fromStdString(clockShiftText(shift)) : QString());
    cameraClockHint_->clear();

    auto* model = new PlanTreeModel(std::move(plan), thumbnails_, choice_, this);
    tree_->setModel(model);
    delete model_;
    model_ = model;
    connect(model_, &QAbstractItemModel::dataChanged, this, &PreviewWindow::updateOrganizeTitle);
    connect(model_, &QAbstractItemModel::layoutChanged, this, &PreviewWindow::updateOrganizeTitle);
    updateOrganizeTitle();
    fillTimeline();
    tree_->expandToDepth(0);
    tree_->header()->resizeSection(PlanTreeModel::kName, 300);
    tree_->header()->resizeSection(PlanTreeModel::kDate, 160);
    // Wide enough for the longest way of dating, flagged.
    tree_->header()->resizeSection(
        PlanTreeModel::kDatedBy,
        tree_->fontMetrics().horizontalAdvance(QStringLiteral("Metadata, check date")) + 24);
}

void PreviewWindow::updateOrganizeTitle() {
    if (!choice_) {
        organizeButton_->setText(tr("Organize"));
        organizeButton_->setEnabled(true);
        return;
    }
    const size_t chosen = choice_->chosenCount();
    // "Organize 12 Files": what the button will copy.
    organizeButton_->setText(chosen == 1 ? tr("Organize 1 File")
                                         : tr("Organize %1 Files").arg(number(chosen)));
    organizeButton_->setEnabled(chosen > 0);
}

void PreviewWindow::fillTimeline() {
    timeline_->clear();
    const RunPlan& plan = model_->plan();
    for (const ShotDay& day : shotTimeline(plan)) {
        auto* heading = new QListWidgetItem(QString::fromStdString(day.title), timeline_);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        QList<qulonglong> wholeDay;
        for (const ShotGroup& group : day.groups) {
            QList<qulonglong> entries;
            for (size_t entry : group.entries)
                entries << entry;
            wholeDay << entries;
            const size_t shots = group.entries.size();
            auto* item = new QListWidgetItem(
                QStringLiteral("    %1 \u00b7 %2")
                    .arg(QString::fromStdString(shotGroupTitle(group)),
                         shots == 1 ? tr("1 shot") : tr("%1 shots").arg(number(shots))),
                timeline_);
            item->setData(Qt::UserRole, QVariant::fromValue(entries));
        }
        heading->setData(Qt::UserRole, QVariant::fromValue(wholeDay));
    }
}

void PreviewWindow::showGroup(QListWidgetItem* item) {
    if (!item || !model_)
        return;
    const QList<qulonglong> entries = item->data(Qt::UserRole).value<QList<qulonglong>>();
    QItemSelection selection;
    for (qulonglong entry : entries) {
        const QModelIndex index = model_->entryIndex(static_cast<size_t>(entry));
        selection.select(index, index.siblingAtColumn(PlanTreeModel::kColumnCount - 1));
    }
    tree_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!entries.isEmpty()) {
        const QModelIndex first = model_->entryIndex(static_cast<size_t>(entries.front()));
        tree_->scrollTo(first, QAbstractItemView::PositionAtTop);
        tree_->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    }
}

} // namespace orvane
