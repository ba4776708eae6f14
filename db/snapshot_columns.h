#pragma once

#include "db/table_snapshot.h"

#include <sql.h>
#include <vector>

namespace db {

class Dialect;

// The result columns of an executed statement: names, types, nullability,
// and what the editor may do with each (edit it, compare it in a WHERE).
std::vector<ColumnInfo> describeColumns(SQLHSTMT statement);

// Whether values of the SQL type are character text (narrow or wide).
bool isCharacterType(short type);
bool isFloatingType(short type);
bool isBinaryType(short type);

// Whether the column holds binary values or large objects (long text the
// database keeps apart from the row), which not every database can compare.
bool holdsLongValue(const ColumnInfo &column);

// Sets the type-derived flags of a column from its SQL type and type name.
// `comparable` says only whether the value can be compared as text at all;
// the connection's dialect decides the rest.
void classifyColumn(ColumnInfo &column);

// The table's primary-key column names in key order, as the driver's
// catalogue gives them; empty when it gives none.
std::vector<QString> cataloguePrimaryKey(SQLHDBC connection, int queryTimeout, const QString &tableName);

// Marks the columns the dialect's query names as written by the database
// only: not editable, and computed ones as following the row's other
// values. A failing query marks none, as on a database without them.
void markDatabaseFilled(SQLHDBC connection, int queryTimeout, const Dialect &dialect, const QString &tableName,
                        std::vector<ColumnInfo> &columns);

// Marks the named key columns. A key that names a column the table's query
// did not give marks none: better no key than part of one.
void markPrimaryKey(const std::vector<QString> &keyNames, std::vector<ColumnInfo> &columns);

} // namespace db
