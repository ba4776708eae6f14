#include "db/snapshot_sql.h"

#include "db/odbc_diagnostics.h"
#include "db/row_locator.h"

#include "app/background_call.h"

#include <QByteArray>
#include <algorithm>
#include <sqlext.h>

namespace db {

QString quotedIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

StatementHandle newStatement(SQLHDBC connection, int queryTimeout)
{
    SQLHANDLE raw = SQL_NULL_HANDLE;
    checkOdbc(SQLAllocHandle(SQL_HANDLE_STMT, connection, &raw), SQL_HANDLE_DBC, connection, "SQLAllocHandle");
    StatementHandle statement(raw);
    // Not every driver can limit a statement's time (SQLite's cannot); the
    // statement then simply runs without a limit.
    SQLSetStmtAttr(raw, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(SQLULEN(qMax(0, queryTimeout))), 0);
    return statement;
}

void executeDirect(SQLHSTMT statement, const QString &sql)
{
    std::u16string text = toSqlWChar(sql);
    // The user may give up waiting for a statement run beside the window.
    background::CancelScope cancel([statement] { SQLCancel(statement); });
    const SQLRETURN rc = SQLExecDirectW(statement, reinterpret_cast<SQLWCHAR *>(text.data()), SQLINTEGER(text.size()));
    // An UPDATE that matches no row answers SQL_NO_DATA; the row count tells.
    if (rc == SQL_NO_DATA)
        return;
    checkOdbc(rc, SQL_HANDLE_STMT, statement, "SQLExecDirect");
}

void prepareStatement(SQLHSTMT statement, const QString &sql)
{
    std::u16string text = toSqlWChar(sql);
    checkOdbc(SQLPrepareW(statement, reinterpret_cast<SQLWCHAR *>(text.data()), SQLINTEGER(text.size())),
              SQL_HANDLE_STMT, statement, "SQLPrepare");
}

void executePrepared(SQLHSTMT statement)
{
    background::CancelScope cancel([statement] { SQLCancel(statement); });
    const SQLRETURN rc = SQLExecute(statement);
    if (rc == SQL_NO_DATA)
        return;
    checkOdbc(rc, SQL_HANDLE_STMT, statement, "SQLExecute");
}

QString selectFrom(const QString &tableName, const std::vector<ColumnInfo> &columns)
{
    const QString from = QStringLiteral(" FROM ") + quotedIdentifier(tableName);
    if (std::all_of(columns.begin(), columns.end(), [](const ColumnInfo &c) { return c.readAs.isEmpty(); }))
        return QStringLiteral("SELECT *") + from;
    QString list;
    for (const ColumnInfo &column : columns) {
        if (!list.isEmpty())
            list += QStringLiteral(", ");
        if (column.rowLocator) {
            list += locatorSelect(column);
            continue;
        }
        const QString name = quotedIdentifier(column.name);
        list += column.readAs.isEmpty() ? name : column.readAs.arg(name) + QStringLiteral(" AS ") + name;
    }
    return QStringLiteral("SELECT ") + list + from;
}

bool readWholeText(SQLHSTMT statement, SQLUSMALLINT column, QByteArray &out)
{
    out.clear();
    char piece[4096];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(statement, column, SQL_C_CHAR, piece, SQLLEN(sizeof piece), &indicator);
        if (rc == SQL_NO_DATA) // every piece has been read
            return true;
        checkOdbc(rc, SQL_HANDLE_STMT, statement, "SQLGetData");
        if (indicator == SQL_NULL_DATA)
            return false;
        const bool truncated = indicator == SQL_NO_TOTAL || indicator >= SQLLEN(sizeof piece);
        if (!truncated) {
            out.append(piece, qsizetype(indicator));
            return true;
        }
        out.append(piece, qsizetype(sizeof piece) - 1); // the rest of the piece is its terminator
        if (indicator != SQL_NO_TOTAL) {
            // The driver knows how much is left: take it in one call.
            const qsizetype rest = qsizetype(indicator) - (qsizetype(sizeof piece) - 1);
            const qsizetype start = out.size();
            out.resize(start + rest + 1);
            SQLLEN restIndicator = 0;
            const SQLRETURN restRc =
                SQLGetData(statement, column, SQL_C_CHAR, out.data() + start, SQLLEN(rest + 1), &restIndicator);
            checkOdbc(restRc, SQL_HANDLE_STMT, statement, "SQLGetData");
            if (restRc == SQL_NO_DATA) {
                out.resize(start);
                return true;
            }
            if (restIndicator >= 0 && restIndicator <= rest) {
                out.resize(start + qsizetype(restIndicator));
                return true;
            }
            // The driver had more than it said: go on piece by piece.
            out.resize(start + rest);
        }
    }
}

} // namespace db
