#pragma once

#include "export/row_source.h"

class TableModel;

// The rows of the grid's model as the exports read them: the table's rows in
// the grid's order, the column names as captions, each cell's display text
// with the pending edit where there is one.
class TableRows : public RowSource {
public:
    explicit TableRows(const TableModel &model) : model_(model) {}

    int columnCount() const override;
    QString caption(int column) const override;
    bool isNumericColumn(int column) const override;
    qint64 rowCount() const override;
    void readRow(qint64 row, RowCells &cells) const override;

private:
    const TableModel &model_;
};
