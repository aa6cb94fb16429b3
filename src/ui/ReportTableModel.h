#pragma once

#include "report/ReportController.h"

#include <QAbstractTableModel>
#include <vector>

namespace orvane {

// One report table: column 0 is "key" (the path as shown), column 1 "value" (what happened),
// and for copied entries column 2 "datedBy" (how it was dated). The rows are handed over whole
// when the report is shown or the path display changes; sorting and filtering are left to a
// proxy model over it.
class ReportTableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    static constexpr int kIdentifierRole = Qt::UserRole + 1;
    // The entry's full path, whatever the table shows.
    static constexpr int kPathRole = Qt::UserRole + 2;
    // The file the row's commands act on (the copy, for a copied entry).
    static constexpr int kItemRole = Qt::UserRole + 3;

    ReportTableModel(ReportController& report, ReportTable table, QString valueTitle,
                     QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Takes the controller's rows afresh.
    void reload();
    void setRows(std::vector<ReportRow> rows);
    ReportTable table() const { return table_; }

  private:
    ReportController& report_;
    ReportTable table_;
    QString valueTitle_;
    std::vector<ReportRow> rows_;
};

} // namespace orvane
