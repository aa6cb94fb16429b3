#pragma once

#include "report/ReportController.h"

#include <QObject>

class QTableView;

namespace orvane {

// A column of a table view as the report fits it. Qt's header knows one minimum for all
// sections and no maximum; the column keeps its own bounds and holds the section to them
// when the user drags it. The last column takes up the width the others leave.
class TableColumn : public QObject, public ReportColumn {
    Q_OBJECT

  public:
    TableColumn(QTableView* table, int section);

    float textWidth(const std::string& text) const override;
    float headerWidth() const override;
    void setWidth(float width) override;
    void setMinWidth(float width) override;
    void setMaxWidth(float width) override;
    void sizeTableToFit() override;

    int width() const;
    float minWidth() const { return minWidth_; }
    float maxWidth() const { return maxWidth_; }

    // Fits the columns of `table` to its visible width: the last column takes what is left,
    // and when the columns are too wide the path column (the first) narrows so that the
    // last one stays in view.
    static void fillTable(QTableView* table);
    static constexpr int kNarrowestPath = 120;

  private:
    void holdToBounds(int section, int oldSize, int newSize);

    QTableView* table_;
    int section_;
    float minWidth_ = 0;
    float maxWidth_ = 1e6f;
    bool adjusting_ = false;
};

} // namespace orvane
