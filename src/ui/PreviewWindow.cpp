#include "ui/PreviewWindow.h"

#include "base/NumberText.h"
#include "platform/qt/Translation.h"
#include "ui/PlanTreeModel.h"
#include "ui/ThumbnailLoader.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
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
    if (totals.skipped)
        parts << PreviewWindow::tr("%1 skipped").arg(number(totals.skipped));
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
    tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree_->header()->setStretchLastSection(true);

    // The camera's clock offset applies to this plan and its run only.
    auto* clockRow = new QHBoxLayout;
    auto* clockLabel = new QLabel(QStringLiteral("Camera clock:"), this);
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
        cameraClockHint_->setText(taken ? QString()
                                        : QStringLiteral("Give [+|-]H:MM, hours below 24"));
    });

    // Files the import history knows are left out unless asked for.
    importAgainBox_ = new QCheckBox(this);
    importAgainBox_->setObjectName(QStringLiteral("importAgain"));
    connect(importAgainBox_, &QCheckBox::toggled, this, [this](bool on) {
        if (importAgain_)
            importAgain_(on);
    });

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
    layout->addWidget(tree_, 1);
    layout->addWidget(importAgainBox_);
    layout->addWidget(buttons);
    resize(820, 620);
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::setPlan(std::shared_ptr<const RunPlan> plan) {
    const QString root = QFile::decodeName(plan->toPath.c_str());
    // The devices the files come from are named first: "From 'Canon EOS R5' on USB".
    QString from;
    for (const std::string& note : plan->listed.notes)
        from += QString::fromStdString(note) + QStringLiteral(" · ");
    destination_->setText(from + tr("Into %1").arg(root.section('/', -1, -1, QString::SectionSkipEmpty)));
    destination_->setToolTip(root);
    const bool lowSpace = plan->totals.freeBytes && *plan->totals.freeBytes < plan->totals.bytes;
    totals_->setText(planTotalsText(plan->totals) +
                     (lowSpace ? " · " + tr("not enough free space") : QString()));
    totals_->setToolTip(lowSpace ? tr("Not enough free space at the destination") : QString());

    const long shift = plan->timeSettings.shift;
    cameraClock_->setText(shift != 0 ? QString::fromStdString(clockShiftText(shift)) : QString());
    cameraClockHint_->clear();
    const size_t importedBefore = plan->totals.importedBefore;
    {
        const QSignalBlocker quiet(importAgainBox_);
        importAgainBox_->setChecked(false);
    }
    importAgainBox_->setText("Import the " + counted(importedBefore, "file", "files") +
                             " imported before again");
    importAgainBox_->setVisible(importedBefore > 0);

    auto* model = new PlanTreeModel(std::move(plan), thumbnails_, this);
    tree_->setModel(model);
    delete model_;
    model_ = model;
    tree_->expandToDepth(0);
    tree_->header()->resizeSection(PlanTreeModel::kName, 300);
    tree_->header()->resizeSection(PlanTreeModel::kDate, 160);
    tree_->header()->resizeSection(PlanTreeModel::kDatedBy, 90);
}

} // namespace orvane
