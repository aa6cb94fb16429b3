#include "ui/PrefsModels.h"

#include "prefs/PrefsController.h"

namespace orvane {

PatternTableModel::PatternTableModel(PrefsController& controller, PatternTable table,
                                     QObject* parent)
    : QAbstractTableModel(parent), controller_(controller), table_(table) {}

void PatternTableModel::reload() {
    beginResetModel();
    endResetModel();
}

int PatternTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(controller_.numberOfRowsInTableView(table_));
}

int PatternTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant PatternTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return QString::fromStdString(
        controller_.objectValue(table_, static_cast<size_t>(index.row())));
}

bool PatternTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    controller_.setObjectValue(table_, static_cast<size_t>(index.row()),
                               value.toString().toStdString());
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags PatternTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant PatternTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section == 0)
        return tr("Pattern");
    return {};
}

PreviewOutlineModel::PreviewOutlineModel(PrefsController& controller, QObject* parent)
    : QAbstractItemModel(parent), controller_(controller) {}

void PreviewOutlineModel::mapChildren(const PreviewItem* parent) {
    const size_t count = controller_.numberOfChildrenOfItem(parent);
    for (size_t row = 0; row < count; ++row) {
        const PreviewItem* child = controller_.childOfItem(row, parent);
        if (!child)
            continue;
        places_[child] = {parent, static_cast<int>(row)};
        mapChildren(child);
    }
}

void PreviewOutlineModel::reload() {
    beginResetModel();
    places_.clear();
    mapChildren(nullptr);
    endResetModel();
}

const PreviewItem* PreviewOutlineModel::itemAt(const QModelIndex& index) const {
    return index.isValid() ? static_cast<const PreviewItem*>(index.internalPointer()) : nullptr;
}

QModelIndex PreviewOutlineModel::indexOfItem(const PreviewItem* item) const {
    auto it = places_.find(item);
    if (it == places_.end())
        return {};
    return createIndex(it->second.row, 0, const_cast<PreviewItem*>(item));
}

QModelIndex PreviewOutlineModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0 || (parent.isValid() && parent.column() != 0))
        return {};
    const PreviewItem* child = controller_.childOfItem(static_cast<size_t>(row), itemAt(parent));
    if (!child || !places_.count(child))
        return {};
    return createIndex(row, 0, const_cast<PreviewItem*>(child));
}

QModelIndex PreviewOutlineModel::parent(const QModelIndex& index) const {
    auto it = places_.find(itemAt(index));
    if (it == places_.end() || !it->second.parent)
        return {};
    return indexOfItem(it->second.parent);
}

int PreviewOutlineModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    // Until the first reload the tree is not mapped and shows nothing.
    if (places_.empty())
        return 0;
    return static_cast<int>(controller_.numberOfChildrenOfItem(itemAt(parent)));
}

int PreviewOutlineModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool PreviewOutlineModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid())
        return rowCount(parent) > 0;
    // Files have no expander; folders keep theirs, also when empty.
    return controller_.isItemExpandable(itemAt(parent)) &&
           controller_.shouldExpandItem(itemAt(parent));
}

QVariant PreviewOutlineModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return QString::fromStdString(controller_.objectValueForItem(itemAt(index)));
}

Qt::ItemFlags PreviewOutlineModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

} // namespace orvane
