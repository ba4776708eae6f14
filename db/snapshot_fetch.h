#pragma once

#include "db/row_store.h"
#include "db/table_snapshot.h"

#include <functional>
#include <memory>
#include <sql.h>
#include <vector>

namespace db {

// Reads every row of the executed statement into the store as UTF-8 text.
// `progress` is called about every 10,000 rows with the count so far; when it
// returns false the fetch stops and false is returned. Throws DatabaseError.
bool fetchAllRows(SQLHDBC connection, SQLHSTMT statement, const std::vector<ColumnInfo> &columns, RowStore &store,
                  const std::function<bool(qint64)> &progress);

// Reads the rows of an executed statement a part at a time, so that the
// first rows can be shown while the rest are still on their way. The
// statement stays bound to the reader's buffers between parts.
class BlockReader {
public:
    BlockReader(SQLHDBC connection, SQLHSTMT statement, const std::vector<ColumnInfo> &columns);
    ~BlockReader();
    BlockReader(const BlockReader &) = delete;
    BlockReader &operator=(const BlockReader &) = delete;

    // Appends whole fetched blocks until the store holds at least `untilRows`
    // rows (all that remain when negative) or the result ends; true once it
    // has ended. `progress` as for fetchAllRows; when it returns false the
    // reading stops and OpenCancelled is thrown. A cancel of the current
    // worker call stops the fetch (SQLCancel). Throws DatabaseError.
    bool read(RowStore &store, qint64 untilRows, const std::function<bool(qint64)> &progress = {});
    bool ended() const;

private:
    struct Buffers;
    std::unique_ptr<Buffers> d;
};

// The current row of a statement fetched one row at a time, every value whole.
// cells[i] is nullopt for NULL. Throws DatabaseError.
std::vector<std::optional<QByteArray>> readCurrentRow(SQLHSTMT statement, int columnCount);

} // namespace db
