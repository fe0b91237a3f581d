#include "framework/host/qt/ReportView.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <algorithm>
#include <utility>

#include "framework/host/qt/QtText.h"

namespace fw::qt {
namespace {

int AlignmentOf(int format) {
    const Qt::Alignment horizontal = format == 1 ? Qt::AlignRight : format == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
    return static_cast<int>(horizontal | Qt::AlignVCenter);
}

// A list shows the focus around the whole current row, not around one of its cells.
class RowFocusDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem cell = option;
        cell.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, cell, index);
    }
};

int Count(const auto& items) { return static_cast<int>(items.size()); }

}  // namespace

void ReportTable::SetColumns(const std::vector<ListColumn>& columns) {
    if (Count(columns) != Count(columns_)) {
        beginResetModel();
        columns_ = columns;
        endResetModel();
        return;
    }
    columns_ = columns;
    if (!columns_.empty()) {
        emit headerDataChanged(Qt::Horizontal, 0, Count(columns_) - 1);
        if (!rows_.empty()) emit dataChanged(index(0, 0), index(Count(rows_) - 1, Count(columns_) - 1));
    }
}

void ReportTable::SetCheckBoxes(bool checkBoxes) {
    if (checkBoxes == checkBoxes_) return;
    checkBoxes_ = checkBoxes;
    if (!rows_.empty() && !columns_.empty()) emit dataChanged(index(0, 0), index(Count(rows_) - 1, 0));
}

void ReportTable::SetRowsFrom(std::vector<ListRow>&& tail, int first) {
    const int before = Count(rows_);
    const int from = std::clamp(first, 0, before);
    const int after = from + Count(tail);
    if (after < before) {
        beginRemoveRows({}, after, before - 1);
        rows_.resize(static_cast<size_t>(after));
        endRemoveRows();
    }
    const int kept = std::min(before, after);
    const auto rewritten = tail.begin() + (std::max(kept, from) - from);
    if (from < kept) {
        std::move(tail.begin(), rewritten, rows_.begin() + from);
        if (!columns_.empty()) emit dataChanged(index(from, 0), index(kept - 1, Count(columns_) - 1));
    }
    // New rows join in one insertion rather than one layout pass each.
    if (after > before) {
        beginInsertRows({}, before, after - 1);
        rows_.insert(rows_.end(), std::make_move_iterator(rewritten), std::make_move_iterator(tail.end()));
        endInsertRows();
    }
}

int ReportTable::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(rows_); }

int ReportTable::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(columns_); }

QVariant ReportTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count(rows_) || index.column() >= Count(columns_)) return {};
    const ListRow& row = rows_[static_cast<size_t>(index.row())];
    const auto column = static_cast<size_t>(index.column());
    switch (role) {
        case Qt::DisplayRole:
            return column < row.cells.size() ? ToQString(row.cells[column]) : QString();
        case Qt::TextAlignmentRole:
            return AlignmentOf(columns_[column].format);
        case Qt::CheckStateRole:
            if (checkBoxes_ && column == 0) return static_cast<int>(row.checked ? Qt::Checked : Qt::Unchecked);
            return {};
        default:
            return {};
    }
}

QVariant ReportTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= Count(columns_)) return {};
    const ListColumn& column = columns_[static_cast<size_t>(section)];
    if (role == Qt::DisplayRole) return ToQString(column.title);
    if (role == Qt::TextAlignmentRole) return AlignmentOf(column.format);
    return {};
}

Qt::ItemFlags ReportTable::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (checkBoxes_ && index.column() == 0) flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool ReportTable::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !checkBoxes_ || !index.isValid() || index.column() != 0 ||
        index.row() >= Count(rows_)) {
        return false;
    }
    if (onCheck) onCheck(index.row(), value.toInt() == Qt::Checked);
    return true;
}

ReportView::ReportView(QWidget* parent) : QTableView(parent), table_(new ReportTable(this)) {
    setModel(table_);
    setItemDelegate(new RowFocusDelegate(this));
    setShowGrid(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    QHeaderView& heading = *horizontalHeader();
    heading.setStretchLastSection(false);
    heading.setSectionsMovable(false);
    heading.setHighlightSections(false);
    heading.setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void ReportView::SetHeaderHidden(bool hidden) { horizontalHeader()->setHidden(hidden); }

void ReportView::SetCheckBoxes(bool checkBoxes) {
    if (checkBoxes != table_->CheckBoxes()) appendedFrom_ = -1;
    table_->SetCheckBoxes(checkBoxes);
    UpdateRowHeight();
}

void ReportView::SetColumns(const std::vector<ListColumn>& columns) {
    appendedFrom_ = -1;
    table_->SetColumns(columns);
    for (int i = 0; i < Count(columns); ++i)
        setColumnWidth(i, columns[static_cast<size_t>(i)].width);
    UpdateRowHeight();
}

void ReportView::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) UpdateRowHeight();
}

void ReportView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !(hasFocus() || viewport()->hasFocus())) return;
    QStyleOptionViewItem view;
    initViewItemOption(&view);
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(view);
    focus.state |= QStyle::State_KeyboardFocusChange;
    const QPalette::ColorGroup group = view.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    focus.backgroundColor =
        view.palette.color(group, selectionModel()->isSelected(current) ? QPalette::Highlight : QPalette::Window);
    const QRect row(-horizontalOffset(), rowViewportPosition(current.row()), horizontalHeader()->length(),
                    rowHeight(current.row()));
    focus.rect = style()->visualRect(layoutDirection(), viewport()->rect(), row);
    QPainter painter(viewport());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

void ReportView::UpdateRowHeight() {
    if (table_->rowCount() == 0 || table_->columnCount() == 0) return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int height = 1;
    for (int column = 0; column < table_->columnCount(); ++column)
        height = std::max(height, itemDelegate()->sizeHint(option, table_->index(0, column)).height());
    // Every row at the default height is resized when it changes, so it changes only when it must.
    if (verticalHeader()->defaultSectionSize() != height) verticalHeader()->setDefaultSectionSize(height);
}

void ReportView::SetRowsFrom(std::vector<ListRow>&& tail, int first) {
    const int before = table_->rowCount();
    const bool wasEmpty = before == 0;
    first = std::clamp(first, 0, before);
    if (first < before || tail.empty()) {
        appendedFrom_ = -1;
    } else if (appendedFrom_ < 0) {
        appendedFrom_ = before;
    }
    table_->SetRowsFrom(std::move(tail), first);
    if (wasEmpty || first == 0) UpdateRowHeight();
    const std::vector<ListRow>& rows = table_->Rows();
    QItemSelectionModel* selection = selectionModel();
    const int total = Count(rows);
    const int from = std::clamp(first, 0, total);
    if (selection == nullptr || from == total || table_->columnCount() == 0) return;
    QItemSelection wanted;
    for (int r = from; r < total;) {
        if (!rows[static_cast<size_t>(r)].selected) {
            ++r;
            continue;
        }
        int end = r;
        while (end + 1 < total && rows[static_cast<size_t>(end + 1)].selected)
            ++end;
        wanted.select(table_->index(r, 0), table_->index(end, 0));
        r = end + 1;
    }
    if (!selection->hasSelection() && wanted.isEmpty()) return;
    const QItemSelection redrawn(table_->index(from, 0), table_->index(total - 1, 0));
    selection->select(redrawn, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    if (!wanted.isEmpty()) selection->select(wanted, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void ReportView::doItemsLayout() {
    // Rows added below the shown ones change only the scroll bar: drawing the shown rows again for them made a
    // list that fills while it is shown cost a full redraw of its visible cells for every batch of rows.
    const int appendedFrom = std::exchange(appendedFrom_, -1);
    if (appendedFrom > 0 && isVisible()) {
        updateGeometries();
        if (rowViewportPosition(appendedFrom) >= viewport()->height()) return;
        viewport()->update();
        return;
    }
    QTableView::doItemsLayout();
}

std::vector<int> ReportView::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

}  // namespace fw::qt
