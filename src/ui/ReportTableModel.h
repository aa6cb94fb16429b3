#pragma once

#include "report/ReportController.h"

#include <QAbstractTableModel>

namespace orvane {

// One report table over the report controller: column 0 is "key" (the path), column 1
// "value" (what happened), and for copied entries column 2 "datedBy" (how it was dated). Rows come
// from the controller at each call, so a reload is all it takes to follow a new result.
class ReportTableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    static constexpr int kIdentifierRole = Qt::UserRole + 1;

    ReportTableModel(ReportController& report, ReportTable table, QString valueTitle,
                     QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void reload();
    ReportTable table() const { return table_; }

  private:
    ReportController& report_;
    ReportTable table_;
    QString valueTitle_;
};

} // namespace orvane
