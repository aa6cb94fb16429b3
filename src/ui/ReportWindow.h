#pragma once

#include "platform/Services.h"
#include "report/ReportController.h"

#include <QWidget>
#include <array>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QMenu;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;

namespace Ui {
class ReportWindow;
}

namespace orvane {

class ReportTableModel;
class TableColumn;

// The report window: a summary tab and the three lists of the last run. It shows what
// the report controller sets and forwards the hide-paths check box to it.
class ReportWindow : public QWidget, public ReportView {
    Q_OBJECT

  public:
    // The workspace opens the entries and the destination; without one those commands are off.
    explicit ReportWindow(ReportController& report, Workspace* workspace = nullptr,
                          QWidget* parent = nullptr);
    ~ReportWindow() override;

    // ReportView
    void selectFirstTab() override;
    void setPropaganda(const std::string& text) override;
    void setCountFields(const std::string& copied, const std::string& skipped,
                        const std::string& errors) override;
    void setErrorCountRed(bool red) override;
    void setOutcome(const std::string& text) override;
    void setTabLabel(int index, const std::string& label) override;
    void setTabShown(int index, bool shown) override;
    bool hideFolderPaths() const override;
    void setHideFolderPaths(bool on) override;
    void setSourceField(const std::string& text) override;
    void setDestField(const std::string& text) override;
    void reloadTables() override;
    ReportColumn* column(ReportTable table, const std::string& identifier) override;
    void bringToFront() override;
    void setCopyRulesNotice(const std::string& text) override;
    void setNotes(const std::string& text) override;

    // Prints the list of the selected tab (all three from the summary) after the print dialog.
    void printReport();
    // The context menu of a table's row: "Show in Folder", "Open" and "Copy Path".
    QMenu* contextMenuFor(const QModelIndex& index);

    // The widgets, for tests and screenshots.
    QTabWidget* tabView() const;
    QTableView* tableView(ReportTable table) const;
    QLineEdit* sourceField() const;
    QLineEdit* destField() const;
    QLineEdit* countField(ReportTable table) const;
    QCheckBox* hideFolderPathsBox() const;
    QLabel* propaganda() const;
    QLabel* copyRulesNotice() const;
    QPushButton* copyRulesButton() const;
    QLabel* notes() const;
    QLabel* outcome() const;
    QLineEdit* filterField(ReportTable table) const;
    QSortFilterProxyModel* proxy(ReportTable table) const;
    TableColumn* tableColumn(ReportTable table, int section) const;

  private:
    ReportController& report_;
    Workspace* workspace_;
    std::unique_ptr<Ui::ReportWindow> ui_;
    std::array<ReportTableModel*, 4> models_{};
    std::array<QSortFilterProxyModel*, 4> proxies_{};
    std::array<std::array<std::unique_ptr<TableColumn>, 2>, 4> columns_;
};

} // namespace orvane
