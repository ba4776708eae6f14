#pragma once

#include "export/row_source.h"

#include <QByteArrayView>
#include <optional>
#include <vector>

class TableModel;

// The rows of the grid's model as the exports read them: the rows the grid
// shows in the grid's order, its shown columns in display order, the column
// names as captions, each cell's display text with the pending edit where
// there is one.
class TableRows : public RowSource {
public:
    explicit TableRows(const TableModel &model) : model_(model) {}

    // The model's columns to give, left to right; nullopt gives them all in
    // the table's order.
    void setColumns(std::optional<std::vector<int>> columns) { columns_ = std::move(columns); }
    // The model's column of one given here, and back (-1 when not given).
    int modelColumn(int column) const;
    int columnOf(int modelColumn) const;

    int columnCount() const override;
    QString caption(int column) const override;
    bool isNumericColumn(int column) const override;
    qint64 rowCount() const override;
    void readRow(qint64 row, RowCells &cells) const override;

private:
    const TableModel &model_;
    std::optional<std::vector<int>> columns_;
    mutable std::vector<QByteArrayView> wholeRow_;
};
