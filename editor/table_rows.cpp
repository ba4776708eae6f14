#include "editor/table_rows.h"

#include "editor/table_model.h"

#include <algorithm>

int TableRows::modelColumn(int column) const
{
    return columns_ ? (*columns_)[size_t(column)] : column;
}

int TableRows::columnOf(int modelColumn) const
{
    if (!columns_)
        return modelColumn;
    const auto at = std::find(columns_->begin(), columns_->end(), modelColumn);
    return at == columns_->end() ? -1 : int(at - columns_->begin());
}

int TableRows::columnCount() const
{
    if (!model_.snapshot())
        return 0;
    return columns_ ? int(columns_->size()) : model_.columnCount();
}

QString TableRows::caption(int column) const
{
    return model_.headerData(modelColumn(column), Qt::Horizontal).toString();
}

bool TableRows::isNumericColumn(int column) const
{
    return model_.isNumericColumn(modelColumn(column));
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
    if (!columns_) {
        snapshot->rowUtf8(model_.tableRow(row), cells.views());
    } else {
        wholeRow_.resize(size_t(model_.columnCount()));
        snapshot->rowUtf8(model_.tableRow(row), wholeRow_);
        for (size_t i = 0; i < columns_->size(); ++i)
            cells.setView(int(i), wholeRow_[size_t((*columns_)[i])]);
    }
    if (row == model_.pendingRow()) {
        for (const auto &[column, text] : model_.pendingEdits()) {
            if (const int at = columnOf(column); at >= 0)
                cells.setText(at, text);
        }
    }
}
