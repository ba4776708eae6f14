#pragma once

#include "db/table_snapshot.h"

#include <QByteArray>
#include <optional>
#include <sql.h>
#include <vector>

namespace db {

// A value of one row as text; nullopt is NULL.
using RowValues = std::vector<std::optional<QString>>;

struct StatementParameter {
    int column = 0;                // its type is the type of this column
    std::optional<QString> value;  // nullopt binds NULL
};

struct ParameterisedSql {
    QString sql;
    std::vector<StatementParameter> parameters;
};

// UPDATE "table" SET <changed> = ? WHERE <identifying columns> = ? ... where
// the identifying columns are the key and the changed columns, or without a
// key every comparable column; a NULL original is written as IS NULL.
ParameterisedSql buildRowUpdate(const QString &tableName, const std::vector<ColumnInfo> &columns,
                                const RowValues &originals, const TableSnapshot::Changes &changes);

// SELECT * FROM "table" WHERE <key columns> = ?, with the given row values;
// nullopt when the table has no key.
std::optional<ParameterisedSql> buildKeySelect(const QString &tableName, const std::vector<ColumnInfo> &columns,
                                               const RowValues &values);

// Runs the update in a transaction of its own and commits it only when it
// changed exactly one row; otherwise rolls back and throws RowConflictError.
// Database failures roll back and throw DatabaseError.
void executeRowUpdate(SQLHDBC connection, int queryTimeout, const std::vector<ColumnInfo> &columns,
                      const ParameterisedSql &update);

// The row a key select finds, each value whole; nullopt when it finds none.
std::optional<std::vector<std::optional<QByteArray>>> readRowByKey(SQLHDBC connection, int queryTimeout,
                                                                    const std::vector<ColumnInfo> &columns,
                                                                    const ParameterisedSql &select);

} // namespace db
