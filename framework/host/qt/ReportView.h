// A list view in report mode: a header of columns over rows of text cells, drawn from a table that holds the
// rows as the model mirrors them. Cells become Qt text only while they are drawn, so a table of many thousand
// rows costs what its visible rows cost, not one Qt item per cell.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <functional>
#include <vector>

#include "framework/Host.h"

namespace fw::qt {

class ReportTable : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // A click on a row's check box asks through here; the box changes once the model's rows say so.
    std::function<void(int row, bool checked)> onCheck;

    void SetColumns(const std::vector<ListColumn>& columns);
    void SetCheckBoxes(bool checkBoxes);
    bool CheckBoxes() const { return checkBoxes_; }
    // The rows from `first` on become `tail`; the rows before stay as they are.
    void SetRowsFrom(std::vector<ListRow>&& tail, int first);
    const std::vector<ListRow>& Rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    std::vector<ListColumn> columns_;
    std::vector<ListRow> rows_;
    bool checkBoxes_ = false;
};

// A table view rather than a tree: a tree lays out every row again whenever rows are added, which made a list
// that fills while it is shown cost the square of its length.
class ReportView : public QTableView {
public:
    explicit ReportView(QWidget* parent = nullptr);

    void SetHeaderHidden(bool hidden);
    void SetCheckBoxes(bool checkBoxes);

    ReportTable& Table() { return *table_; }
    const ReportTable& Table() const { return *table_; }

    // Headings, alignment and the widths the dialog gives each column.
    void SetColumns(const std::vector<ListColumn>& columns);
    // Rows from `first` on become `tail`, with their check boxes and selection.
    void SetRowsFrom(std::vector<ListRow>&& tail, int first);
    // The rows the user has selected, ascending.
    std::vector<int> SelectedRows() const;

    void doItemsLayout() override;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Rows are as high as the first row's cells need, all alike, as a list's rows are.
    void UpdateRowHeight();

    ReportTable* table_;  // owned by the view
    // The first row added since the last layout when rows were only added, else -1.
    int appendedFrom_ = -1;
};

}  // namespace fw::qt
