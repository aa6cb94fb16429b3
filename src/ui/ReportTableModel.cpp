#include "ui/ReportTableModel.h"

namespace orvane {

ReportTableModel::ReportTableModel(ReportController& report, ReportTable table, QString valueTitle,
                                   QObject* parent)
    : QAbstractTableModel(parent), report_(report), table_(table),
      valueTitle_(std::move(valueTitle)) {}

int ReportTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    const long rows = report_.numberOfRowsInTableView(table_);
    return rows > 0x7fffffff ? 0x7fffffff : static_cast<int>(rows);
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
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return QString::fromUtf8(
        report_.tableView(table_, columnIdentifier(index.column()), index.row()));
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (role == kIdentifierRole)
        return QString(columnIdentifier(section));
    if (role == Qt::DisplayRole)
        return section == 0 ? QString("File") : section == 1 ? valueTitle_ : QString("Dated by");
    return {};
}

void ReportTableModel::reload() {
    beginResetModel();
    endResetModel();
}

} // namespace orvane
