#include "ui/ReportTableModel.h"

#include "platform/qt/Translation.h"

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
    if (parent.isValid())
        return 0;
    return table_ == ReportTable::Copied ? 3 : 2;
}

namespace {

const char* columnIdentifier(int column) {
    return column == 0 ? kKeyColumn : column == 1 ? kValueColumn : kDatedByColumn;
}

} // namespace

QVariant ReportTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<size_t>(index.row()) >= rows_.size())
        return {};
    const ReportRow& row = rows_[static_cast<size_t>(index.row())];
    switch (role) {
    case kPathRole:
        return QFile::decodeName(row.path.c_str());
    case kItemRole:
        return QFile::decodeName(row.itemPath.c_str());
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (index.column() == 0)
            return QFile::decodeName((role == Qt::DisplayRole ? row.shownPath : row.path).c_str());
        return windowText(index.column() == 1 ? row.value : row.datedBy);
    default:
        return {};
    }
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (role == kIdentifierRole)
        return QString(columnIdentifier(section));
    if (role == Qt::DisplayRole)
        return section == 0 ? tr("File") : section == 1 ? valueTitle_ : tr("Dated by");
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
