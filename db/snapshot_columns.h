#pragma once

#include "db/table_snapshot.h"

#include <sql.h>
#include <vector>

namespace db {

// The result columns of an executed statement: names, types, nullability,
// and what the editor may do with each (edit it, compare it in a WHERE).
std::vector<ColumnInfo> describeColumns(SQLHSTMT statement);

// Whether values of the SQL type are character text (narrow or wide).
bool isCharacterType(short type);

// Sets the type-derived flags of a column from its SQL type and type name.
void classifyColumn(ColumnInfo &column);

// Marks the columns of the table's primary key, as the driver's catalogue
// gives it. A table whose key cannot be found is treated as having none.
void markPrimaryKey(SQLHDBC connection, int queryTimeout, const QString &tableName, std::vector<ColumnInfo> &columns);

} // namespace db
