#pragma once

#include <QtGlobal>
#include <qnamespace.h>
#include <cstddef>
#include <functional>
#include <vector>

namespace db {
class TableSnapshot;
}

// Which row of the table each row of the grid shows: the table's own order,
// or the table sorted by one column, and of those only the rows a filter
// let through. Sorting adds eight bytes a row, filtering four a row shown;
// neither copies a cell. While it works, a sort holds about twelve bytes a
// row more (where each row's cell is), and sixteen and a half for text whose
// first characters leave rows tied (and keys from deeper in the texts).
class RowOrder {
public:
    // Back to the table's own order, every row shown.
    void clear();
    // Back to the table's own order; the rows shown stay the same.
    void unsort();
    // Ascending or descending by the column's values as its type orders
    // them; NULL first when ascending, last when descending; equal values
    // keep the table's order.
    void sort(const db::TableSnapshot &snapshot, int column, Qt::SortOrder order);

    // Shows only the rows of the table (of `tableRows` rows) that `keep`
    // accepts, in the order they have; `amongShown` looks only at the rows
    // shown now. Rows shown stay so as the order changes, until the next
    // filter or unfilter().
    void filter(qint64 tableRows, const std::function<bool(qint64 tableRow)> &keep, bool amongShown);
    void unfilter();
    bool isFiltered() const { return filtered_; }
    // How many rows the grid shows of a table of `tableRows` rows.
    qint64 shownCount(qint64 tableRows) const { return filtered_ ? qint64(shown_.size()) : tableRows; }

    bool isSorted() const { return column_ >= 0; }
    int column() const { return column_; }
    Qt::SortOrder order() const { return order_; }

    // Rows past the sorted ones (a new row being typed) stand for themselves;
    // past the filtered ones, for the rows past the table's end.
    qint64 tableRow(qint64 gridRow) const
    {
        if (filtered_) {
            if (gridRow >= 0 && gridRow < qint64(shown_.size()))
                return qint64(shown_[std::size_t(gridRow)]);
            return gridRow - qint64(shown_.size()) + tableRows_;
        }
        if (column_ < 0 || gridRow < 0 || gridRow >= qint64(entries_.size()))
            return gridRow;
        return qint64(quint32(entries_[std::size_t(gridRow)]));
    }
    // The grid row showing a table row; -1 when out of range. Looks through
    // every row: for the odd row, not for each of many.
    qint64 gridRow(qint64 tableRow) const;

    // Rows the table gained or lost while sorted. A row added at the end of
    // the table goes at the end of the grid; a row put back among the others
    // goes after the row before it in the table, and is shown when `shown`.
    // Each returns the grid rows; -1 for a row put back but not shown.
    void appendTableRow(qint64 tableRow);
    qint64 insertTableRow(qint64 tableRow, bool shown = true);
    std::vector<qint64> removeTableRows(const std::vector<qint64> &ascendingTableRows);

    std::size_t memoryUsed() const
    {
        return entries_.capacity() * sizeof(quint64) + shown_.capacity() * sizeof(quint32);
    }

private:
    // Shows the rows marked, in the current order.
    void showMarked(const std::vector<bool> &marked);
    std::vector<bool> shownMarks() const;
    template <class Visit>
    void forEachInOrder(Visit visit) const;

    // Sort key in the upper half, the table row in the lower one.
    std::vector<quint64> entries_;
    int column_ = -1;
    Qt::SortOrder order_ = Qt::AscendingOrder;
    // The table rows shown, in grid order, while filtered.
    std::vector<quint32> shown_;
    bool filtered_ = false;
    qint64 tableRows_ = 0; // kept while filtered
};
