#include "editor/table_rows.h"

#include "editor/table_model.h"

int TableRows::columnCount() const
{
    return model_.columnCount();
}

QString TableRows::caption(int column) const
{
    return model_.headerData(column, Qt::Horizontal).toString();
}

bool TableRows::isNumericColumn(int column) const
{
    return model_.isNumericColumn(column);
}

qint64 TableRows::rowCount() const
{
    // Without the new-row line.
    return model_.dataRowCount();
}

void TableRows::readRow(qint64 row, RowCells &cells) const
{
    cells.reset(columnCount());
    const db::TableSnapshot *snapshot = model_.snapshot();
    if (!snapshot)
        return;
    snapshot->rowUtf8(model_.tableRow(row), cells.views());
    if (row == model_.pendingRow()) {
        for (const auto &[column, text] : model_.pendingEdits())
            cells.setText(column, text);
    }
}
