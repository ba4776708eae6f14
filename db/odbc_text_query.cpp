#include "db/odbc_text_query.h"

#include "db/odbc_diagnostics.h"
#include "db/odbc_handle.h"

#include <algorithm>
#include <iterator>
#include <sqlext.h>
#include <vector>

namespace db {
namespace {

// Upper bound of the fetch buffers of one block, and of rows per block.
constexpr qsizetype blockBytes = 8 * 1024 * 1024;
constexpr qsizetype maxRowsPerBlock = 1000;
// Buffers are sized from the column's declared size within these bounds; a
// longer value makes the query run again with a wider buffer.
constexpr qsizetype minCellChars = 40;
constexpr qsizetype maxInitialCellChars = 4096;
constexpr int maxAttempts = 6;

qsizetype initialWidth(SQLSMALLINT sqlType, SQLULEN columnSize)
{
    switch (sqlType) {
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        columnSize = columnSize * 2; // as hexadecimal digits
        break;
    default:
        break;
    }
    // Room for sign, point and exponent of numbers and a terminating zero.
    const SQLULEN wanted = columnSize == 0 ? SQLULEN(256) : columnSize + 3;
    return qsizetype(std::clamp<SQLULEN>(wanted, minCellChars, maxInitialCellChars));
}

struct ColumnBuffer {
    qsizetype width = 0; // in UTF-16 units, with the terminator
    std::vector<char16_t> data;
    std::vector<SQLLEN> indicators;
};

} // namespace

bool runTextQuery(SQLHDBC connection, int queryTimeout, const QString &sql, const TextQueryCallbacks &callbacks)
{
    std::vector<qsizetype> widths;
    const std::u16string statementText = toSqlWChar(sql);

    for (int attempt = 1;; ++attempt) {
        SQLHANDLE raw = SQL_NULL_HANDLE;
        checkOdbc(SQLAllocHandle(SQL_HANDLE_STMT, connection, &raw), SQL_HANDLE_DBC, connection, "SQLAllocHandle");
        StatementHandle statement(raw);
        SQLHSTMT stmt = statement.get();

        checkOdbc(SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(SQLULEN(queryTimeout)), 0),
                  SQL_HANDLE_STMT, stmt, "SQLSetStmtAttr");
        checkOdbc(SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR *>(const_cast<char16_t *>(statementText.c_str())),
                                 SQLINTEGER(statementText.size())),
                  SQL_HANDLE_STMT, stmt, "SQLExecDirect");

        SQLSMALLINT columnCount = 0;
        checkOdbc(SQLNumResultCols(stmt, &columnCount), SQL_HANDLE_STMT, stmt, "SQLNumResultCols");
        if (columnCount <= 0)
            return false;

        if (widths.empty()) {
            for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columnCount); ++c) {
                SQLSMALLINT type = 0, digits = 0, nullable = 0, nameLength = 0;
                SQLULEN size = 0;
                // Some drivers fail without room for the name, though it is not wanted here.
                SQLWCHAR name[256];
                checkOdbc(SQLDescribeColW(stmt, c, name, SQLSMALLINT(std::size(name)), &nameLength, &type, &size,
                                          &digits, &nullable),
                          SQL_HANDLE_STMT, stmt, "SQLDescribeCol");
                widths.push_back(initialWidth(type, size));
            }
        }

        qsizetype rowBytes = 0;
        for (qsizetype w : widths)
            rowBytes += w * qsizetype(sizeof(char16_t)) + qsizetype(sizeof(SQLLEN));
        const qsizetype rowsPerBlock = std::clamp<qsizetype>(blockBytes / rowBytes, 1, maxRowsPerBlock);

        std::vector<ColumnBuffer> buffers(static_cast<size_t>(columnCount));
        std::vector<SQLUSMALLINT> rowStatus(static_cast<size_t>(rowsPerBlock));
        SQLULEN rowsFetched = 0;
        checkOdbc(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0),
                  SQL_HANDLE_STMT, stmt, "SQLSetStmtAttr");
        checkOdbc(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(rowsPerBlock)), 0),
                  SQL_HANDLE_STMT, stmt, "SQLSetStmtAttr");
        checkOdbc(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_STATUS_PTR, rowStatus.data(), 0), SQL_HANDLE_STMT, stmt,
                  "SQLSetStmtAttr");
        checkOdbc(SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &rowsFetched, 0), SQL_HANDLE_STMT, stmt,
                  "SQLSetStmtAttr");
        for (SQLSMALLINT c = 0; c < columnCount; ++c) {
            ColumnBuffer &b = buffers[size_t(c)];
            b.width = widths[size_t(c)];
            b.data.assign(size_t(b.width * rowsPerBlock), u'\0');
            b.indicators.assign(size_t(rowsPerBlock), 0);
            checkOdbc(SQLBindCol(stmt, SQLUSMALLINT(c + 1), SQL_C_WCHAR, b.data.data(),
                                 SQLLEN(b.width * qsizetype(sizeof(char16_t))), b.indicators.data()),
                      SQL_HANDLE_STMT, stmt, "SQLBindCol");
        }

        callbacks.begin(columnCount);
        std::vector<TextCell> cells(static_cast<size_t>(columnCount));
        bool truncated = false;
        for (;;) {
            const SQLRETURN rc = SQLFetch(stmt);
            if (rc == SQL_NO_DATA)
                break;
            checkOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLFetch");
            for (SQLULEN r = 0; r < rowsFetched; ++r) {
                if (rowStatus[r] == SQL_ROW_ERROR)
                    throw diagnosticsError(SQL_HANDLE_STMT, stmt, QStringLiteral("A row could not be fetched."));
                if (rowStatus[r] == SQL_ROW_NOROW)
                    continue;
                for (SQLSMALLINT c = 0; c < columnCount; ++c) {
                    ColumnBuffer &b = buffers[size_t(c)];
                    const SQLLEN indicator = b.indicators[r];
                    TextCell &cell = cells[size_t(c)];
                    if (indicator == SQL_NULL_DATA) {
                        cell = {nullptr, 0, true};
                        continue;
                    }
                    const qsizetype capacity = (b.width - 1) * qsizetype(sizeof(char16_t));
                    if (indicator == SQL_NO_TOTAL || indicator > capacity) {
                        // Measure what the next run needs; deliver nothing more.
                        truncated = true;
                        const qsizetype needed = indicator == SQL_NO_TOTAL
                            ? b.width * 4
                            : qsizetype(indicator) / qsizetype(sizeof(char16_t)) + 1;
                        widths[size_t(c)] = std::max(widths[size_t(c)], needed);
                        continue;
                    }
                    cell = {b.data.data() + r * size_t(b.width), qsizetype(indicator) / qsizetype(sizeof(char16_t)),
                            false};
                }
                if (!truncated)
                    callbacks.row(cells.data());
            }
        }
        if (!truncated)
            return true;
        if (attempt >= maxAttempts)
            throw DatabaseError(QStringLiteral("A value kept growing while it was being read."));
    }
}

} // namespace db
