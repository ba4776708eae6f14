#pragma once

#include <QtGlobal>
#include <qnamespace.h>
#include <cstddef>
#include <vector>

namespace db {
class TableSnapshot;
}

// Which row of the table each row of the grid shows: the table's own order,
// or the table sorted by one column. Sorting adds eight bytes a row and
// never copies a cell.
class RowOrder {
public:
    // Back to the table's own order.
    void clear();
    // Ascending or descending by the column's values as its type orders
    // them; NULL first when ascending, last when descending; equal values
    // keep the table's order.
    void sort(const db::TableSnapshot &snapshot, int column, Qt::SortOrder order);

    bool isSorted() const { return column_ >= 0; }
    int column() const { return column_; }
    Qt::SortOrder order() const { return order_; }

    // Rows past the sorted ones (a new row being typed) stand for themselves.
    qint64 tableRow(qint64 gridRow) const
    {
        if (column_ < 0 || gridRow < 0 || gridRow >= qint64(entries_.size()))
            return gridRow;
        return qint64(quint32(entries_[std::size_t(gridRow)]));
    }
    // The grid row showing a table row; -1 when out of range. Looks through
    // every row: for the odd row, not for each of many.
    qint64 gridRow(qint64 tableRow) const;

    // Rows the table gained or lost while sorted. A row added at the end of
    // the table goes at the end of the grid; a row put back among the others
    // goes after the row before it in the table. Each returns the grid rows.
    void appendTableRow(qint64 tableRow);
    qint64 insertTableRow(qint64 tableRow);
    std::vector<qint64> removeTableRows(const std::vector<qint64> &ascendingTableRows);

    std::size_t memoryUsed() const { return entries_.capacity() * sizeof(quint64); }

private:
    // Sort key in the upper half, the table row in the lower one.
    std::vector<quint64> entries_;
    int column_ = -1;
    Qt::SortOrder order_ = Qt::AscendingOrder;
};
