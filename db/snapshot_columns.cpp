#include "db/snapshot_columns.h"

#include "db/column_kind.h"
#include "db/dialect.h"
#include "db/odbc_diagnostics.h"
#include "db/snapshot_sql.h"

#include <QByteArray>
#include <algorithm>
#include <optional>
#include <sqlext.h>

namespace db {

bool isCharacterType(short type)
{
    return columnKindOfSqlType(type) == ColumnKind::Text;
}

bool isBinaryType(short type)
{
    return columnKindOfSqlType(type) == ColumnKind::Binary;
}

bool isFloatingType(short type)
{
    return columnKindOfSqlType(type) == ColumnKind::Floating;
}

namespace {

QString columnAttributeText(SQLHSTMT statement, SQLUSMALLINT column, SQLUSMALLINT field)
{
    SQLWCHAR text[256] = {};
    SQLSMALLINT length = 0;
    if (!odbcSucceeded(SQLColAttributeW(statement, column, field, text, SQLSMALLINT(sizeof text), &length, nullptr)))
        return {};
    return fromSqlWChar(text, std::clamp<qsizetype>(length / qsizetype(sizeof(SQLWCHAR)), 0, 255));
}

bool isNumericType(short type)
{
    switch (type) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_BIGINT:
        return true;
    default:
        return isFloatingType(type);
    }
}

// Long character types are large objects only where the database says so by
// name (Oracle's CLOB, NCLOB and LONG); PostgreSQL's and SQLite's "text" is
// reported as a long type too, yet is an ordinary string that can be compared
// and changed.
bool isLargeObject(const ColumnInfo &column)
{
    const QString name = column.typeName.toUpper();
    if (name.contains(QLatin1String("LOB")) || name == QLatin1String("BFILE"))
        return true;
    const bool longText = column.sqlType == SQL_LONGVARCHAR || column.sqlType == SQL_WLONGVARCHAR;
    return longText && name.startsWith(QLatin1String("LONG"));
}

QString userName(SQLHDBC connection)
{
    SQLWCHAR text[256] = {};
    SQLSMALLINT length = 0;
    if (!odbcSucceeded(SQLGetInfoW(connection, SQL_USER_NAME, text, SQLSMALLINT(sizeof text), &length)))
        return {};
    return fromSqlWChar(text, std::clamp<qsizetype>(length / qsizetype(sizeof(SQLWCHAR)), 0, 255));
}

// The key's column names in key order; empty when the catalogue has none for
// the table in that schema (a null schema means any the driver searches).
std::vector<QString> primaryKeyNames(SQLHDBC connection, int queryTimeout, const QString &tableName,
                                     const QString *schema)
{
    StatementHandle statement = newStatement(connection, queryTimeout);
    SQLHSTMT stmt = statement.get();
    std::u16string table = toSqlWChar(tableName);
    std::u16string schemaText = schema ? toSqlWChar(*schema) : std::u16string();
    checkOdbc(SQLPrimaryKeysW(stmt, nullptr, 0, schema ? reinterpret_cast<SQLWCHAR *>(schemaText.data()) : nullptr,
                              schema ? SQLSMALLINT(schemaText.size()) : SQLSMALLINT(0),
                              reinterpret_cast<SQLWCHAR *>(table.data()), SQLSMALLINT(table.size())),
              SQL_HANDLE_STMT, stmt, "SQLPrimaryKeys");
    std::vector<std::pair<int, QString>> keyColumns;
    QByteArray text;
    for (;;) {
        const SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA)
            break;
        checkOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLFetch");
        // Columns 4 and 5 of the result: COLUMN_NAME and KEY_SEQ.
        if (!readWholeText(stmt, 4, text))
            continue;
        const QString name = QString::fromUtf8(text);
        int sequence = int(keyColumns.size()) + 1;
        if (readWholeText(stmt, 5, text))
            sequence = text.toInt();
        keyColumns.emplace_back(sequence, name);
    }
    std::sort(keyColumns.begin(), keyColumns.end());
    std::vector<QString> names;
    for (auto &[sequence, name] : keyColumns)
        names.push_back(std::move(name));
    return names;
}

} // namespace

bool holdsLongValue(const ColumnInfo &column)
{
    return isBinaryType(column.sqlType) || isLargeObject(column);
}

void classifyColumn(ColumnInfo &column)
{
    column.kind = columnKindOfSqlType(column.sqlType);
    column.numeric = isNumericType(column.sqlType);
    // Long text and binary values are written like any other; whether they
    // can be compared is the dialect's to say.
    column.comparable = !holdsLongValue(column);
    // A file outside the database, which it only points to.
    column.editable = column.typeName.compare(QLatin1String("BFILE"), Qt::CaseInsensitive) != 0;
    if (!column.editable)
        column.readOnlyReason =
            QStringLiteral("This column points to a file outside the database, which cannot be changed here.");
}

void markDatabaseFilled(SQLHDBC connection, int queryTimeout, const Dialect &dialect, const QString &tableName,
                        std::vector<ColumnInfo> &columns)
{
    const QString query = dialect.databaseFilledColumnsQuery();
    if (query.isEmpty())
        return;
    std::vector<std::pair<QString, QString>> filled;
    try {
        StatementHandle statement = newStatement(connection, queryTimeout);
        SQLHSTMT stmt = statement.get();
        std::u16string name = toSqlWChar(tableName);
        SQLLEN length = SQLLEN(name.size() * sizeof(char16_t));
        checkOdbc(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_VARCHAR, qMax<SQLULEN>(name.size(), 1),
                                   0, name.data(), SQLLEN((name.size() + 1) * sizeof(char16_t)), &length),
                  SQL_HANDLE_STMT, stmt, "SQLBindParameter");
        executeDirect(stmt, query);
        QByteArray column, kind;
        for (;;) {
            const SQLRETURN rc = SQLFetch(stmt);
            if (rc == SQL_NO_DATA)
                break;
            checkOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLFetch");
            if (readWholeText(stmt, 1, column) && readWholeText(stmt, 2, kind))
                filled.emplace_back(QString::fromUtf8(column), QString::fromUtf8(kind));
        }
    } catch (const DatabaseError &) {
        // An older server or no access to its catalogue: such a column then
        // takes typing, and the database refuses the write with its reason.
        return;
    }
    for (const auto &[name, kind] : filled) {
        for (ColumnInfo &column : columns) {
            if (column.name != name)
                continue;
            column.editable = false;
            if (kind == QLatin1String("c")) {
                column.computed = true;
                column.readOnlyReason = QStringLiteral(
                    "The database computes this column from the row's other values; it cannot be changed here.");
            } else {
                column.readOnlyReason =
                    QStringLiteral("The database numbers the rows in this column itself; it cannot be changed here.");
            }
        }
    }
}

std::vector<ColumnInfo> describeColumns(SQLHSTMT statement)
{
    SQLSMALLINT count = 0;
    checkOdbc(SQLNumResultCols(statement, &count), SQL_HANDLE_STMT, statement, "SQLNumResultCols");
    std::vector<ColumnInfo> columns;
    columns.reserve(size_t(qMax<SQLSMALLINT>(count, 0)));
    for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(qMax<SQLSMALLINT>(count, 0)); ++c) {
        SQLWCHAR name[1024] = {};
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
        SQLULEN size = 0;
        checkOdbc(SQLDescribeColW(statement, c, name, SQLSMALLINT(std::size(name)), &nameLength, &type, &size, &digits,
                                  &nullable),
                  SQL_HANDLE_STMT, statement, "SQLDescribeCol");
        ColumnInfo column;
        column.name = fromSqlWChar(name, std::clamp<qsizetype>(nameLength, 0, qsizetype(std::size(name)) - 1));
        column.sqlType = type;
        column.size = qint64(size);
        column.decimalDigits = digits;
        column.nullable = nullable != SQL_NO_NULLS;
        column.typeName = columnAttributeText(statement, c, SQL_DESC_TYPE_NAME);
        classifyColumn(column);
        columns.push_back(std::move(column));
    }
    return columns;
}

std::vector<QString> cataloguePrimaryKey(SQLHDBC connection, int queryTimeout, const QString &tableName)
{
    // The table is the login's own: on PostgreSQL in the schema named after
    // the login, on Oracle in the user's schema (its name in capitals). SQLite
    // has no schemas and no user name; there the schema is left open.
    std::vector<std::optional<QString>> schemas;
    const QString user = userName(connection);
    if (!user.isEmpty()) {
        schemas.emplace_back(user);
        if (user.toUpper() != user)
            schemas.emplace_back(user.toUpper());
    }
    schemas.emplace_back(std::nullopt);

    std::vector<QString> names;
    for (const std::optional<QString> &schema : schemas) {
        try {
            names = primaryKeyNames(connection, queryTimeout, tableName, schema ? &*schema : nullptr);
        } catch (const DatabaseError &) {
            // A driver without catalogue functions: every write then compares
            // all comparable columns, which is still safe.
            names.clear();
        }
        if (!names.empty())
            break;
    }
    return names;
}

void markPrimaryKey(const std::vector<QString> &keyNames, std::vector<ColumnInfo> &columns)
{
    for (const QString &name : keyNames) {
        if (std::none_of(columns.begin(), columns.end(), [&](const ColumnInfo &c) { return c.name == name; }))
            return;
    }
    for (const QString &name : keyNames) {
        for (ColumnInfo &column : columns) {
            if (column.name == name)
                column.inPrimaryKey = true;
        }
    }
}

} // namespace db
