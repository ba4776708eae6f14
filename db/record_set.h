#pragma once

#include "db/row_store.h"

#include <QString>

namespace db {

// The rows of a query, fetched whole, with an exact count, read record by
// record as in ADO: the current record, MoveNext, Close.
class RecordSet {
public:
    RecordSet() = default;

    bool isOpen() const { return open_; }
    // Throws AppError after Close.
    int RecordCount() const;
    int fieldCount() const;
    bool eof() const;
    // The field's value of the current record as text; NULL is empty text.
    // Throws AppError past the last record, after Close or for a bad index.
    QString fieldText(int index) const;
    bool fieldIsNull(int index) const;
    // Throws AppError when already past the last record or after Close.
    void MoveNext();
    // Throws AppError when already closed.
    void Close();

private:
    friend class Connection;
    void checkCurrentField(int index) const;

    int columns_ = 0;
    RowStore rows_;
    int current_ = 0;
    bool open_ = false;
};

} // namespace db
