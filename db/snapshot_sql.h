#pragma once

#include "db/odbc_handle.h"
#include "db/table_snapshot.h"

#include <QString>
#include <sql.h>
#include <vector>

namespace db {

// The name between double quotes, inner double quotes doubled, so that no
// name can end the quoted identifier and add SQL of its own.
QString quotedIdentifier(const QString &name);

// A new statement on the connection, with the command timeout (seconds, 0 =
// none) as its query timeout.
StatementHandle newStatement(SQLHDBC connection, int queryTimeout);

// Runs SQL text on the statement; throws DatabaseError with the driver's message.
void executeDirect(SQLHSTMT statement, const QString &sql);

// Prepares SQL text on the statement, so that its result columns can be
// described before it runs, and runs it later; both throw DatabaseError.
void prepareStatement(SQLHSTMT statement, const QString &sql);
void executePrepared(SQLHSTMT statement);

// SELECT * FROM "table"; where a column is read through an expression of its
// own, every column named, in the table's order, each under its own name.
QString selectFrom(const QString &tableName, const std::vector<ColumnInfo> &columns);

// The whole value of column `column` (1-based) of the current row as UTF-8
// text, fetched piece by piece however long it is. Returns false for NULL.
bool readWholeText(SQLHSTMT statement, SQLUSMALLINT column, QByteArray &out);

} // namespace db
