#pragma once

#include "db/database_error.h"

#include <QString>
#include <sql.h>
#include <string>

namespace db {

// The diagnostic records the driver manager or driver left on a handle, as
// one DatabaseError: their messages in order, one per line, with the SQLSTATE
// and native code of the first. `fallback` is used when there are none.
DatabaseError diagnosticsError(SQLSMALLINT handleType, SQLHANDLE handle, const QString &fallback);

// Throws the handle's diagnostics when `result` is a failure.
void checkOdbc(SQLRETURN result, SQLSMALLINT handleType, SQLHANDLE handle, const char *operation);

inline bool odbcSucceeded(SQLRETURN result)
{
    return result == SQL_SUCCESS || result == SQL_SUCCESS_WITH_INFO;
}

// ODBC's wide characters are UTF-16 code units under unixODBC.
QString fromSqlWChar(const SQLWCHAR *text, qsizetype length);
// The UTF-16 text of `text`, with a terminating zero.
std::u16string toSqlWChar(const QString &text);

} // namespace db
