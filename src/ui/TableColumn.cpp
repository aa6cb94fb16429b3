#include "ui/TableColumn.h"

#include <QFontMetricsF>
#include <QHeaderView>
#include <QTableView>
#include <cmath>

namespace orvane {

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
    int others = 0;
    for (int section = 0; section < count - 1; ++section)
        others += header->sectionSize(section);
    const int available = table->viewport()->width() - others;
    if (available > header->sectionSize(count - 1))
        header->resizeSection(count - 1, available);
}

void TableColumn::holdToBounds(int section, int, int newSize) {
    if (section != section_ || adjusting_)
        return;
    const int low = static_cast<int>(std::ceil(minWidth_));
    const int high = static_cast<int>(std::ceil(maxWidth_));
    const int bounded = std::clamp(newSize, low, std::max(low, high));
    if (bounded == newSize)
        return;
    adjusting_ = true;
    table_->horizontalHeader()->resizeSection(section_, bounded);
    adjusting_ = false;
}

} // namespace orvane
