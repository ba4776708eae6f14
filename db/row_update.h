#pragma once

#include "db/table_snapshot.h"

#include <QByteArray>
#include <optional>
#include <sql.h>
#include <vector>

namespace db {

struct StatementParameter {
    int column = 0;                // its type is the type of this column
    std::optional<QString> value;  // nullopt binds NULL
};

struct ParameterisedSql {
    QString sql;
    std::vector<StatementParameter> parameters;
    // Where its WHERE starts in `sql` (-1 for none) and the first parameter
    // of it: a statement that changed no row asks with it whether the row
    // is still there.
    qsizetype whereAt = -1;
    size_t whereParameter = 0;
};

// Adds "<column> = ?" to the WHERE (" WHERE " first, " AND " after), or
// "IS NULL" for a NULL value.
void appendCondition(ParameterisedSql &statement, bool &first, const std::vector<ColumnInfo> &columns, int column,
                     const std::optional<QString> &value);

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
// changed exactly one row; otherwise rolls back and throws RowConflictError,
// which tells a row changed or deleted meanwhile from one still there as it
// was read (the database declined the change).
// Database failures roll back and throw DatabaseError.
void executeRowUpdate(SQLHDBC connection, int queryTimeout, const std::vector<ColumnInfo> &columns,
                      const ParameterisedSql &update);

// Runs the statements in one transaction and commits only when each of them
// affected exactly one row; otherwise rolls back and throws RowConflictError,
// whose failedStatement() is the index of the first that did not. Database
// failures roll back and throw DatabaseError.
void executeOneRowEach(SQLHDBC connection, int queryTimeout, const std::vector<ColumnInfo> &columns,
                       const std::vector<ParameterisedSql> &statements);

// The row a select finds when it finds exactly one; nullopt for none or several.
std::optional<std::vector<std::optional<QByteArray>>> readOnlyRow(SQLHDBC connection, int queryTimeout,
                                                                   const std::vector<ColumnInfo> &columns,
                                                                   const ParameterisedSql &select);

} // namespace db
