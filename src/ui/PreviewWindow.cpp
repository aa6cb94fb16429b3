#include "ui/PreviewWindow.h"

#include "base/NumberText.h"
#include "platform/qt/Translation.h"
#include "ui/PlanTreeModel.h"
#include "ui/ThumbnailLoader.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
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
    layout->addWidget(tree_, 1);
    layout->addWidget(buttons);
    resize(820, 620);
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::setPlan(std::shared_ptr<const RunPlan> plan) {
    const QString root = QFile::decodeName(plan->toPath.c_str());
    destination_->setText(tr("Into %1").arg(root.section('/', -1, -1, QString::SectionSkipEmpty)));
    destination_->setToolTip(root);
    const bool lowSpace = plan->totals.freeBytes && *plan->totals.freeBytes < plan->totals.bytes;
    totals_->setText(planTotalsText(plan->totals) +
                     (lowSpace ? " · " + tr("not enough free space") : QString()));
    totals_->setToolTip(lowSpace ? tr("Not enough free space at the destination") : QString());

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
