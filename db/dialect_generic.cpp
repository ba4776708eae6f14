#include "db/dialect.h"

#include "db/database_error.h"
#include "db/odbc_diagnostics.h"
#include "db/snapshot_columns.h"
#include "db/snapshot_sql.h"

#include <QByteArray>
#include <algorithm>
#include <sqlext.h>
#include <string>

namespace db {
namespace {

class GenericDialect : public Dialect {};

} // namespace

std::vector<std::vector<QString>> rowsOfQuery(SQLHDBC connection, int queryTimeout, const QString &sql,
                                              const QString &parameter, int columnCount)
{
    StatementHandle statement = newStatement(connection, queryTimeout);
    SQLHSTMT stmt = statement.get();
    std::u16string text = toSqlWChar(parameter);
    SQLLEN length = SQLLEN(text.size() * sizeof(char16_t));
    checkOdbc(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_VARCHAR, qMax<SQLULEN>(text.size(), 1), 0,
                               text.data(), SQLLEN((text.size() + 1) * sizeof(char16_t)), &length),
              SQL_HANDLE_STMT, stmt, "SQLBindParameter");
    executeDirect(stmt, sql);
    std::vector<std::vector<QString>> rows;
    QByteArray value;
    for (;;) {
        const SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA)
            break;
        checkOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLFetch");
        std::vector<QString> row;
        for (int c = 1; c <= columnCount; ++c)
            row.push_back(readWholeText(stmt, SQLUSMALLINT(c), value) ? QString::fromUtf8(value) : QString());
        rows.push_back(std::move(row));
    }
    return rows;
}

bool Dialect::comparable(const ColumnInfo &column) const
{
    // Floating-point values need not come back equal to their text.
    return column.comparable && !isFloatingType(column.sqlType);
}

void Dialect::prepareColumns(SQLHDBC, int, const QString &, std::vector<ColumnInfo> &columns) const
{
    for (ColumnInfo &column : columns) {
        if (isBinaryType(column.sqlType) && !readsBinaryAsHex()) {
            column.editable = false;
            column.comparable = false;
            column.readOnlyReason = QStringLiteral("This column holds binary data, which cannot be changed here.");
            continue;
        }
        if (!holdsLongValue(column)) {
            column.comparable = comparable(column);
            continue;
        }
        const std::optional<QString> comparison = longValueComparison(column);
        column.comparable = comparison.has_value();
        column.sameValue = comparison.value_or(QString());
    }
}

bool Dialect::isMissingTable(const DatabaseError &error) const
{
    // ODBC's "base table or view not found"; psqlODBC passes on the server's
    // own "undefined table" instead.
    return error.sqlState() == QLatin1String("42S02") || error.sqlState() == QLatin1String("42P01");
}

void Dialect::startSession(SQLHDBC connection, int queryTimeout) const
{
    for (const QString &sql : sessionStatements()) {
        StatementHandle statement = newStatement(connection, queryTimeout);
        executeDirect(statement.get(), sql);
    }
}

std::vector<QString> Dialect::primaryKey(SQLHDBC connection, int queryTimeout, const QString &tableName) const
{
    const QString query = primaryKeyQuery();
    if (!query.isEmpty()) {
        try {
            std::vector<QString> names;
            for (std::vector<QString> &row : rowsOfQuery(connection, queryTimeout, query, tableName, 1)) {
                if (!row.front().isEmpty())
                    names.push_back(std::move(row.front()));
            }
            if (!names.empty())
                return names;
        } catch (const DatabaseError &) {
            // No privilege on the dictionary, say: the catalogue may still know.
        }
    }
    return cataloguePrimaryKey(connection, queryTimeout, tableName);
}

std::unique_ptr<Dialect> makeGenericDialect() { return std::make_unique<GenericDialect>(); }

std::unique_ptr<Dialect> dialectForDatabase(const QString &databaseName)
{
    const QString name = databaseName.trimmed().toLower();
    if (name.startsWith(QLatin1String("oracle")))
        return makeOracleDialect();
    if (name.startsWith(QLatin1String("postgres")))
        return makePostgreSqlDialect();
    if (name.startsWith(QLatin1String("sqlite")))
        return makeSqliteDialect();
    if (name.startsWith(QLatin1String("mariadb")) || name.startsWith(QLatin1String("mysql")))
        return makeMariaDbDialect();
    return makeGenericDialect();
}

std::unique_ptr<Dialect> dialectOf(SQLHDBC connection)
{
    SQLWCHAR text[256] = {};
    SQLSMALLINT length = 0;
    if (!odbcSucceeded(SQLGetInfoW(connection, SQL_DBMS_NAME, text, SQLSMALLINT(sizeof text), &length)))
        return makeGenericDialect();
    return dialectForDatabase(fromSqlWChar(text, std::clamp<qsizetype>(length / qsizetype(sizeof(SQLWCHAR)), 0, 255)));
}

} // namespace db
