#pragma once

#include "prefs/PrefsView.h"

#include <QAbstractItemModel>
#include <QAbstractTableModel>
#include <unordered_map>

namespace orvane {

class PrefsController;
struct PreviewItem;

// One pattern table: one editable column over the presenter's edited list.
class PatternTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    PatternTableModel(PrefsController& controller, PatternTable table, QObject* parent = nullptr);

    // Brings the rows in line with the list.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    PrefsController& controller_;
    PatternTable table_;
};

// The folder-tree preview over the presenter's outline data source. The model's invisible
// top is the outline's top; its one row is the sample tree's root.
class PreviewOutlineModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    explicit PreviewOutlineModel(PrefsController& controller, QObject* parent = nullptr);

    // Takes up the presenter's current tree.
    void reload();
    QModelIndex indexOfItem(const PreviewItem* item) const;
    const PreviewItem* itemAt(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    struct Place {
        const PreviewItem* parent;
        int row;
    };
    void mapChildren(const PreviewItem* parent);

    PrefsController& controller_;
    std::unordered_map<const PreviewItem*, Place> places_;
};

} // namespace orvane
