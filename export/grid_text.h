#pragma once

#include <QByteArray>
#include <QString>

// What the exports read of the editor's grid: its columns in display order,
// their captions, and the text each cell shows, pending edits included.
// Rows are visited 0 to rowCount()-1 in display order.
class GridText {
public:
    virtual ~GridText() = default;

    virtual int columnCount() const = 0;
    virtual QString caption(int column) const = 0;
    virtual qint64 rowCount() const = 0;
    virtual QString cellText(qint64 row, int column) const = 0;
    // Whether the database column holds numbers (for the spreadsheet).
    virtual bool isNumericColumn(int column) const { Q_UNUSED(column); return false; }

    // Appends the cell's text as UTF-8; grids that hold UTF-8 override this
    // to spare a conversion per cell on large exports.
    virtual void appendCellUtf8(qint64 row, int column, QByteArray &out) const
    {
        out.append(cellText(row, column).toUtf8());
    }
};
