#pragma once

#include "app/PlanChoice.h"
#include "merge/RunPlan.h"

#include <QAbstractItemModel>
#include <QHash>
#include <memory>
#include <vector>

namespace orvane {

class ThumbnailLoader;

// The plan of a run as a tree: the date folders under the destination with their file
// counts and, inside each, its files with their date, how they were dated and a mark; then
// a group of the files imported before, one of the paths that would be skipped and one of
// those that would fail.
class PlanTreeModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    enum Column { kName, kDate, kDatedBy, kNote, kColumnCount };
    enum class Kind : quint64 {
        kFolder,
        kEntry,
        kSkippedGroup,
        kSkipped,
        kFailedGroup,
        kFailed,
        kImportedGroup,
        kImported,
    };

    // `thumbnails` may be null: no pictures; `choice` null: no checkboxes.
    PlanTreeModel(std::shared_ptr<const RunPlan> plan, ThumbnailLoader* thumbnails,
                  std::shared_ptr<PlanChoice> choice = nullptr, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Files, date folders and the files imported before have a checkbox in their name's
    // column; a group's is partly checked while only some files below it are chosen.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // The choice was changed from outside (Select All, None, New Only): the boxes follow.
    void choiceChanged();
    QModelIndex entryIndex(size_t entry) const { return indexOf(Kind::kEntry, entry, kName); }
    // The row of the `n`th file imported before.
    QModelIndex importedIndex(size_t n) const { return indexOf(Kind::kImported, n, kName); }

    Kind kindOf(const QModelIndex& index) const;
    const RunPlan& plan() const { return *plan_; }

  private:
    struct Skipped {
        std::string path;
        std::string reason;
    };
    static quint64 id(Kind kind, size_t number);
    static size_t numberOf(const QModelIndex& index);
    QModelIndex indexOf(Kind kind, size_t number, int column) const;
    QModelIndex folderIndex(size_t folder) const;
    int topLevelRows() const;
    QVariant entryData(size_t entry, int column, int role) const;
    QVariant importedData(size_t entry, int column, int role) const;
    void thumbnailLoaded(const QString& path);
    QVariant checkState(Kind kind, size_t number) const;
    void emitChecksChanged(const QModelIndex& parent);

    std::shared_ptr<const RunPlan> plan_;
    ThumbnailLoader* thumbnails_;
    std::shared_ptr<PlanChoice> choice_;
    std::vector<size_t> entryFolder_;    // the folder of each planned entry in the tree
    std::vector<size_t> entryRow_;       // its row there
    std::vector<size_t> imported_;       // planned entries the import history knows
    std::vector<Skipped> skipped_;       // left out by the file list or by the merge
    std::vector<size_t> failed_;         // planned entries the run would fail
    std::vector<bool> pictured_;         // entries whose file reads as a picture
    QMultiHash<QString, size_t> byPath_; // those entries by source path
    std::vector<int> folderRow_;         // the row of each folder in its parent
};

} // namespace orvane
