#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <span>
#include <utility>
#include <vector>

// The cells of one row as the grid shows them. A source decodes the row once
// into here, so that reading a cell costs the same at column 200 as at 2.
class RowCells {
public:
    // Empties the cells for a row of `columns` cells.
    void reset(int columns);
    int columnCount() const { return int(cells_.size()); }
    // Every cell's view at once, for a source that decodes a row in one pass.
    std::span<QByteArrayView> views() { return cells_; }

    // The cell's bytes where the source keeps them; they must stay valid
    // until the next reset.
    void setView(int column, QByteArrayView utf8) { cells_[size_t(column)] = utf8; }
    // The cell's text, kept here (a pending edit, text made on the fly).
    void setText(int column, const QString &text);
    // The cell could not be read; reading it throws AppError with the reason.
    void setFailed(int column, const QString &reason);

    // The cell's text as UTF-8; NULL is empty. Throws AppError when the
    // source could not read it.
    QByteArrayView utf8(int column) const;

private:
    std::vector<QByteArrayView> cells_;
    std::vector<QByteArray> owned_;
    std::vector<std::pair<int, QString>> failures_;
};

// What the exports read: the rows the grid shows, in the grid's order, with
// the grid's captions and the grid's display text.
class RowSource {
public:
    virtual ~RowSource() = default;

    virtual int columnCount() const = 0;
    virtual QString caption(int column) const = 0;
    // Whether the database column holds numbers (for the spreadsheet).
    virtual bool isNumericColumn(int column) const
    {
        Q_UNUSED(column);
        return false;
    }
    virtual qint64 rowCount() const = 0;
    // Decodes one row, 0 to rowCount()-1, into cells.
    virtual void readRow(qint64 row, RowCells &cells) const = 0;

    // readRow, where a row that cannot be read at all gives cells that each
    // report why when they are read, as cells read one by one would.
    void read(qint64 row, RowCells &cells) const;
};

// A source that gives each cell's text on its own, for small grids held in
// memory. A cell whose text throws AppError is a cell that cannot be read.
class CellTextSource : public RowSource {
public:
    virtual QString cellText(qint64 row, int column) const = 0;
    void readRow(qint64 row, RowCells &cells) const override;
};
