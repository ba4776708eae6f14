#pragma once

#include "db/row_store.h"
#include "db/table_snapshot.h"

#include <functional>
#include <sql.h>
#include <vector>

namespace db {

// Reads every row of the executed statement into the store as UTF-8 text.
// `progress` is called about every 10,000 rows with the count so far; when it
// returns false the fetch stops and false is returned. Throws DatabaseError.
bool fetchAllRows(SQLHDBC connection, SQLHSTMT statement, const std::vector<ColumnInfo> &columns, RowStore &store,
                  const std::function<bool(qint64)> &progress);

// The current row of a statement fetched one row at a time, every value whole.
// cells[i] is nullopt for NULL. Throws DatabaseError.
std::vector<std::optional<QByteArray>> readCurrentRow(SQLHSTMT statement, int columnCount);

} // namespace db
