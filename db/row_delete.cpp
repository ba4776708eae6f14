#include "db/row_delete.h"

#include "db/snapshot_sql.h"

namespace db {

ParameterisedSql buildRowDelete(const QString &tableName, const std::vector<ColumnInfo> &columns,
                                const RowValues &originals)
{
    ParameterisedSql statement;
    statement.sql = QStringLiteral("DELETE FROM ") + quotedIdentifier(tableName);
    bool first = true;
    for (int c = 0; c < int(columns.size()); ++c) {
        const ColumnInfo &column = columns[size_t(c)];
        if (column.inPrimaryKey || column.comparable)
            appendCondition(statement, first, columns, c, originals[size_t(c)]);
    }
    return statement;
}

} // namespace db
