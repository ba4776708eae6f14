#include "db/row_locator.h"

#include "db/dialect.h"
#include "db/snapshot_sql.h"

namespace db {

ColumnInfo locatorColumn(const QString &name, const QString &select, const QString &condition)
{
    ColumnInfo locator;
    locator.name = name;
    locator.sqlType = SQL_VARCHAR;
    locator.kind = ColumnKind::Text;
    locator.editable = false;
    locator.readAs = select;
    locator.sameValue = condition;
    locator.rowLocator = true;
    locator.readOnlyReason = QStringLiteral("The database's own address of the row.");
    return locator;
}

QString locatorSelect(const ColumnInfo &locator)
{
    // Its own expression, unquoted: a pseudo-column quoted is a name the
    // table does not have (or, in SQLite, a string).
    return locator.readAs + QStringLiteral(" AS ") + quotedIdentifier(locator.name);
}

void appendLocatorCondition(ParameterisedSql &statement, int column, const ColumnInfo &locator,
                            const std::optional<QString> &value)
{
    statement.sql += locator.sameValue.arg(QStringLiteral("?"));
    statement.parameters.push_back({column, value});
}

void excludeAddress(ParameterisedSql &statement, int column, const ColumnInfo &locator, const QString &address)
{
    statement.sql += QStringLiteral(" AND NOT (") + locator.sameValue.arg(QStringLiteral("?")) + u')';
    statement.parameters.push_back({column, address});
}

std::vector<ColumnInfo> locatedWhereKnown(std::vector<ColumnInfo> columns, const RowValues &values)
{
    for (size_t c = 0; c < columns.size() && c < values.size(); ++c) {
        if (columns[c].rowLocator && !values[c])
            columns[c].comparable = false;
    }
    return columns;
}

std::vector<ColumnInfo> withoutLocator(std::vector<ColumnInfo> columns)
{
    for (ColumnInfo &column : columns) {
        if (column.rowLocator)
            column.comparable = false;
    }
    return columns;
}

int tableColumnCount(const std::vector<ColumnInfo> &columns)
{
    return int(columns.size()) - (!columns.empty() && columns.back().rowLocator ? 1 : 0);
}

} // namespace db
