#pragma once

#include "db/table_snapshot.h"

#include <vector>

namespace db {

// Which columns stand in the WHERE of an update of a row whose `changed`
// columns get new values: the key and the changed columns, which must still
// hold what the user saw; without a key, every comparable column. Where a
// changed column cannot be compared (Oracle's LONG), another user's change to
// it cannot be seen: every other comparable column then stands in for it.
std::vector<bool> columnsIdentifyingUpdate(const std::vector<ColumnInfo> &columns, const std::vector<bool> &changed);

} // namespace db
