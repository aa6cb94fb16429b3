#include "ui/ReportTableModel.h"

#include <QFile>

namespace orvane {

ReportTableModel::ReportTableModel(ReportController& report, ReportTable table, QString valueTitle,
                                   QObject* parent)
    : QAbstractTableModel(parent), report_(report), table_(table),
      valueTitle_(std::move(valueTitle)) {}

int ReportTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return rows_.size() > 0x7fffffff ? 0x7fffffff : static_cast<int>(rows_.size());
}

int ReportTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant ReportTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<size_t>(index.row()) >= rows_.size())
        return {};
    const ReportRow& row = rows_[static_cast<size_t>(index.row())];
    switch (role) {
    case kPathRole:
        return QFile::decodeName(row.path.c_str());
    case Qt::DisplayRole:
        return index.column() == 0 ? QFile::decodeName(row.shownPath.c_str())
                                   : QString::fromUtf8(row.value);
    case Qt::ToolTipRole:
        return index.column() == 0 ? QFile::decodeName(row.path.c_str())
                                   : QString::fromUtf8(row.value);
    default:
        return {};
    }
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (role == kIdentifierRole)
        return QString(section == 0 ? kKeyColumn : kValueColumn);
    if (role == Qt::DisplayRole)
        return section == 0 ? QString("File") : valueTitle_;
    return {};
}

void ReportTableModel::reload() {
    setRows(report_.tableRows(table_));
}

void ReportTableModel::setRows(std::vector<ReportRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

} // namespace orvane
