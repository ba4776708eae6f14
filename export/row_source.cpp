#include "export/row_source.h"

#include "app/app_error.h"

#include <exception>

void RowCells::reset(int columns)
{
    cells_.assign(size_t(columns), QByteArrayView());
    owned_.clear();
    failures_.clear();
}

void RowCells::setText(int column, const QString &text)
{
    // A moved QByteArray keeps its bytes where they are, so the views into
    // earlier kept texts survive the vector growing.
    owned_.push_back(text.toUtf8());
    cells_[size_t(column)] = owned_.back();
}

void RowCells::setFailed(int column, const QString &reason)
{
    failures_.emplace_back(column, reason);
}

QByteArrayView RowCells::utf8(int column) const
{
    for (const auto &[failed, reason] : failures_) {
        if (failed == column)
            throw AppError(reason);
    }
    return cells_.at(size_t(column));
}

void RowSource::read(qint64 row, RowCells &cells) const
{
    const int columns = columnCount();
    try {
        readRow(row, cells);
        return;
    } catch (const AppError &error) {
        cells.reset(columns);
        for (int i = 0; i < columns; ++i)
            cells.setFailed(i, error.description());
    } catch (const std::exception &error) {
        cells.reset(columns);
        for (int i = 0; i < columns; ++i)
            cells.setFailed(i, QString::fromLocal8Bit(error.what()));
    }
}

void CellTextSource::readRow(qint64 row, RowCells &cells) const
{
    const int columns = columnCount();
    cells.reset(columns);
    for (int i = 0; i < columns; ++i) {
        try {
            cells.setText(i, cellText(row, i));
        } catch (const AppError &error) {
            cells.setFailed(i, error.description());
        }
    }
}
