#pragma once

#include <QByteArrayView>
#include <QtGlobal>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace db {

// One cell handed to RowStore: its UTF-8 bytes, or NULL.
struct CellBytes {
    const char *data = nullptr;
    qsizetype size = 0;
    bool isNull = false;
};

// Rows of text cells packed into large chunks of memory: each row lies
// contiguously in one chunk as a sequence of cells, each cell a variable-length
// prefix (its byte count plus one, 0 meaning NULL) followed by its bytes. A
// table of a million rows thus costs its text, about one byte of prefix per
// cell and one pointer per row, instead of an object per cell.
class RowStore {
public:
    RowStore() = default;
    RowStore(RowStore &&) noexcept = default;
    RowStore &operator=(RowStore &&) noexcept = default;
    RowStore(const RowStore &) = delete;
    RowStore &operator=(const RowStore &) = delete;

    void appendRow(std::span<const CellBytes> cells);
    // Every row of `other` (rows of `columnCount` cells), copied after these.
    void appendRows(const RowStore &other, int columnCount);
    // The row's new cells go to fresh space; the old bytes stay unused until
    // the store goes, which is cheap for the few rows a person edits.
    void replaceRow(qint64 row, std::span<const CellBytes> cells);
    // Rows put in or taken out between others move the rows after them.
    void insertRow(qint64 position, std::span<const CellBytes> cells);
    // `rows` ascending, each once.
    void removeRows(std::span<const qint64> rows);

    qint64 rowCount() const { return qint64(rows_.size()); }
    // Cost per cell grows only with the column's position, never with the
    // number of rows. The caller keeps row and column in range.
    bool isNull(qint64 row, int column) const;
    // The cell's bytes; empty for NULL. Valid while the row is not replaced.
    QByteArrayView cell(qint64 row, int column) const;
    // Every cell of a row in one pass, as cell() would give them, into
    // `cells` (one entry per column it holds room for).
    void cells(qint64 row, std::span<QByteArrayView> cells) const;

    // Bytes taken from the system for cells and row pointers.
    std::size_t memoryUsed() const;

private:
    const unsigned char *writeRow(std::span<const CellBytes> cells);
    unsigned char *reserve(std::size_t bytes);
    const unsigned char *cellStart(qint64 row, int column) const;

    std::vector<std::unique_ptr<unsigned char[]>> chunks_;
    std::size_t chunkBytes_ = 0;
    unsigned char *free_ = nullptr;
    std::size_t freeLeft_ = 0;
    std::vector<const unsigned char *> rows_;
};

} // namespace db
