#include "db/row_insert.h"

#include "db/snapshot_sql.h"

#include <algorithm>

namespace db {

ParameterisedSql buildRowInsert(const QString &tableName, const std::vector<ColumnInfo> &columns,
                                const TableSnapshot::Changes &values)
{
    ParameterisedSql statement;
    statement.sql = QStringLiteral("INSERT INTO ") + quotedIdentifier(tableName);
    if (values.empty()) {
        statement.sql += QStringLiteral(" DEFAULT VALUES");
        return statement;
    }
    QString names, marks;
    for (const auto &[column, value] : values) {
        if (!names.isEmpty()) {
            names += QStringLiteral(", ");
            marks += QStringLiteral(", ");
        }
        names += quotedIdentifier(columns[size_t(column)].name);
        marks += u'?';
        statement.parameters.push_back({column, value});
    }
    statement.sql += QStringLiteral(" (") + names + QStringLiteral(") VALUES (") + marks + u')';
    return statement;
}

ParameterisedSql buildRowFind(const QString &tableName, const std::vector<ColumnInfo> &columns,
                              const RowValues &values)
{
    ParameterisedSql statement;
    statement.sql = selectFrom(tableName, columns);
    const bool hasKey = std::any_of(columns.begin(), columns.end(), [](const ColumnInfo &c) { return c.inPrimaryKey; });
    bool first = true;
    for (int c = 0; c < int(columns.size()); ++c) {
        const ColumnInfo &column = columns[size_t(c)];
        if (hasKey ? column.inPrimaryKey : column.comparable)
            appendCondition(statement, first, columns, c, values[size_t(c)]);
    }
    return statement;
}

} // namespace db
