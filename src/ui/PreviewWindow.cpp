#include "ui/PreviewWindow.h"

#include "base/NumberText.h"
#include "ui/PlanTreeModel.h"
#include "ui/ScreenFit.h"
#include "ui/ThumbnailLoader.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTreeView>
#include <QVBoxLayout>

namespace orvane {
namespace {

QString counted(size_t count, const char* one, const char* many) {
    return QString::fromStdString(countedText(count, one, many));
}

} // namespace

QString planTotalsText(const PlanTotals& totals) {
    QStringList parts;
    parts << counted(totals.files, "file", "files")
          << QString::fromStdString(byteCountText(totals.bytes))
          << counted(totals.newFolders, "new folder", "new folders")
          << counted(totals.conflicts, "name conflict", "name conflicts");
    if (totals.skipped)
        parts << QString::fromStdString(groupedNumber(totals.skipped)) + " skipped";
    if (totals.failures)
        parts << QString::fromStdString(groupedNumber(totals.failures)) + " can't be copied";
    parts << (totals.freeBytes ? QString::fromStdString(byteCountText(*totals.freeBytes)) + " free"
                               : QStringLiteral("free space unknown"));
    return parts.join(QStringLiteral(" · "));
}

PreviewWindow::PreviewWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Orvane Preview"));
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

    auto* buttons = new QDialogButtonBox(this);
    organizeButton_ = buttons->addButton(QStringLiteral("Organize"), QDialogButtonBox::AcceptRole);
    organizeButton_->setDefault(true);
    buttons->addButton(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
    connect(organizeButton_, &QPushButton::clicked, this, [this] {
        if (organize_)
            organize_();
    });

    layout->addWidget(destination_);
    layout->addWidget(totals_);
    layout->addWidget(tree_, 1);
    layout->addWidget(buttons);
    // Closed as a dialog would be, and as the report is.
    for (QKeySequence key : {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);
    resizeWithinScreen(*this, QSize(820, 620));
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::setPlan(std::shared_ptr<const RunPlan> plan) {
    const QString root = QFile::decodeName(plan->toPath.c_str());
    destination_->setText("Into " + root.section('/', -1, -1, QString::SectionSkipEmpty));
    destination_->setToolTip(root);
    const bool lowSpace = plan->totals.freeBytes && *plan->totals.freeBytes < plan->totals.bytes;
    totals_->setText(planTotalsText(plan->totals) +
                     (lowSpace ? QStringLiteral(" · not enough free space") : QString()));
    totals_->setToolTip(lowSpace ? QStringLiteral("Not enough free space at the destination")
                                 : QString());

    auto* model = new PlanTreeModel(std::move(plan), thumbnails_, this);
    tree_->setModel(model);
    delete model_;
    model_ = model;
    tree_->expandToDepth(0);
    tree_->header()->resizeSection(PlanTreeModel::kName, 300);
    tree_->header()->resizeSection(PlanTreeModel::kDate, 160);
    // Wide enough for the longest way of dating, flagged.
    tree_->header()->resizeSection(
        PlanTreeModel::kDatedBy,
        tree_->fontMetrics().horizontalAdvance(QStringLiteral("Metadata, check date")) + 24);
}

} // namespace orvane
