#include "ui/TableColumn.h"

#include <QFontMetricsF>
#include <QHeaderView>
#include <QTableView>
#include <cmath>

namespace orvane {

namespace {

constexpr const char* kFittedPathWidth = "orvaneFittedPathWidth";

// The width the texts of a column need, judged by its first rows (a long report is not
// measured whole on every resize).
int contentWidth(QTableView* table, int column) {
    const QAbstractItemModel* model = table->model();
    if (!model)
        return 0;
    const QFontMetrics metrics(table->font());
    const int rows = std::min(model->rowCount(), 500);
    int widest = 0;
    for (int row = 0; row < rows; ++row)
        widest = std::max(widest,
                          metrics.horizontalAdvance(model->index(row, column).data().toString()));
    return widest + 16; // the cell's margins
}

} // namespace

TableColumn::TableColumn(QTableView* table, int section) : table_(table), section_(section) {
    connect(table->horizontalHeader(), &QHeaderView::sectionResized, this,
            &TableColumn::holdToBounds);
}

float TableColumn::textWidth(const std::string& text) const {
    return static_cast<float>(
        QFontMetricsF(table_->font()).horizontalAdvance(QString::fromUtf8(text)));
}

float TableColumn::headerWidth() const {
    const QString title =
        table_->model() ? table_->model()->headerData(section_, Qt::Horizontal).toString() : "";
    return static_cast<float>(
        QFontMetricsF(table_->horizontalHeader()->font()).horizontalAdvance(title));
}

int TableColumn::width() const {
    return table_->horizontalHeader()->sectionSize(section_);
}

void TableColumn::setWidth(float width) {
    if (section_ == 0)
        table_->setProperty(kFittedPathWidth, static_cast<int>(std::ceil(width)));
    // The bounds hold the user's drags; the width set here comes before its new bounds.
    adjusting_ = true;
    table_->horizontalHeader()->resizeSection(section_, static_cast<int>(std::ceil(width)));
    adjusting_ = false;
}

void TableColumn::setMinWidth(float width) {
    minWidth_ = width;
}

void TableColumn::setMaxWidth(float width) {
    maxWidth_ = width;
}

void TableColumn::sizeTableToFit() {
    fillTable(table_);
}

void TableColumn::fillTable(QTableView* table) {
    QHeaderView* header = table->horizontalHeader();
    const int count = header->count();
    if (count == 0)
        return;
    const int last = count - 1;
    const int available = table->viewport()->width();
    int others = 0;
    for (int section = 0; section < last; ++section)
        others += header->sectionSize(section);
    // What happened to an entry stays readable: the path column gives way (its text is
    // shortened in the middle) before the last column is pushed out of sight.
    // A table on a hidden tab has no width of its own yet; it is fitted when it is shown.
    if (last > 0 && table->isVisible()) {
        const int lastWanted = std::min(
            std::max(contentWidth(table, last), header->sectionSizeHint(last)), available / 2);
        const int pathRoom = available - lastWanted - (others - header->sectionSize(0));
        // The path column returns to its fitted width when the window grows again.
        const QVariant fitted = table->property(kFittedPathWidth);
        const int wanted = fitted.isValid() ? fitted.toInt() : header->sectionSize(0);
        const int path = std::min(wanted, std::max(kNarrowestPath, pathRoom));
        if (header->sectionSize(0) != path) {
            header->resizeSection(0, path);
            others = 0;
            for (int section = 0; section < last; ++section)
                others += header->sectionSize(section);
        }
    }
    if (available - others != header->sectionSize(last))
        header->resizeSection(last, std::max(available - others, header->sectionSizeHint(last)));
}

void TableColumn::holdToBounds(int section, int, int newSize) {
    if (section != section_ || adjusting_)
        return;
    // The path column may be narrower than its fitted width: its text is shortened.
    const int low = section_ == 0 ? std::min(static_cast<int>(std::ceil(minWidth_)), kNarrowestPath)
                                  : static_cast<int>(std::ceil(minWidth_));
    const int high = static_cast<int>(std::ceil(maxWidth_));
    const int bounded = std::clamp(newSize, low, std::max(low, high));
    if (bounded == newSize)
        return;
    adjusting_ = true;
    table_->horizontalHeader()->resizeSection(section_, bounded);
    adjusting_ = false;
}

} // namespace orvane
