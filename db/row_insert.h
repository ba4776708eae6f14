#pragma once

#include "db/row_update.h"

namespace db {

// INSERT INTO "table" (<given columns>) VALUES (?, ...); the table's defaults
// fill the columns not given.
ParameterisedSql buildRowInsert(const QString &tableName, const std::vector<ColumnInfo> &columns,
                                const TableSnapshot::Changes &values);

// SELECT * FROM "table" WHERE the key columns equal the row's values, or,
// when no column is marked as key, every comparable column does. Columns
// whose value is not known are passed as not comparable and not key.
ParameterisedSql buildRowFind(const QString &tableName, const std::vector<ColumnInfo> &columns,
                              const RowValues &values);

} // namespace db
