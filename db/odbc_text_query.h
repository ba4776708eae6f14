#pragma once

#include <QString>
#include <functional>
#include <sql.h>

namespace db {

// One value of a fetched row, pointing into the fetch buffers: valid only
// during the row callback.
struct TextCell {
    const char16_t *text = nullptr;
    qsizetype length = 0;
    bool isNull = false;

    QString toString() const { return isNull ? QString() : QString::fromUtf16(text, length); }
};

struct TextQueryCallbacks {
    // Called before the first row, with the result's column count. Called
    // again, to start over, when a value did not fit its buffer and the query
    // had to run again with wider buffers: discard what came before.
    std::function<void(int columnCount)> begin;
    // Called for each row, with columnCount cells.
    std::function<void(const TextCell *cells)> row;
};

// Runs `sql` on a new statement of the connection with the given query
// timeout (seconds, 0 = none) and hands over every row as text, fetched in
// blocks of rows. Returns false when the statement gives no result set.
// Throws DatabaseError with the driver's diagnostics.
bool runTextQuery(SQLHDBC connection, int queryTimeout, const QString &sql, const TextQueryCallbacks &callbacks);

} // namespace db
