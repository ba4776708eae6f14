#pragma once

#include "db/row_update.h"

namespace db {

// DELETE FROM "table" WHERE the key columns and every comparable column
// still hold the row's values (IS NULL for NULL), so that a row another user
// changed in any way since it was read is not deleted.
ParameterisedSql buildRowDelete(const QString &tableName, const std::vector<ColumnInfo> &columns,
                                const RowValues &originals);

} // namespace db
