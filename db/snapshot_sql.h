#pragma once

#include "db/odbc_handle.h"

#include <QString>
#include <sql.h>

namespace db {

// The name between double quotes, inner double quotes doubled, so that no
// name can end the quoted identifier and add SQL of its own.
QString quotedIdentifier(const QString &name);

// A new statement on the connection, with the command timeout (seconds, 0 =
// none) as its query timeout.
StatementHandle newStatement(SQLHDBC connection, int queryTimeout);

// Runs SQL text on the statement; throws DatabaseError with the driver's message.
void executeDirect(SQLHSTMT statement, const QString &sql);

// The whole value of column `column` (1-based) of the current row as UTF-8
// text, fetched piece by piece however long it is. Returns false for NULL.
bool readWholeText(SQLHSTMT statement, SQLUSMALLINT column, QByteArray &out);

} // namespace db
