#include "db/snapshot_fetch.h"

#include "db/snapshot_columns.h"
#include "db/odbc_diagnostics.h"
#include "db/snapshot_sql.h"

#include "app/background_call.h"

#include <QByteArray>
#include <algorithm>
#include <sqlext.h>

namespace db {
namespace {

constexpr qint64 progressInterval = 10000;
constexpr qsizetype maxRowsPerBlock = 1000;
// Upper bound of all fetch buffers of one block together.
constexpr qsizetype blockBytes = 4 * 1024 * 1024;
// Bounds of one cell's buffer. A longer value is read again whole, so the
// upper bound only trades buffer memory against those extra reads.
constexpr qsizetype minCellBytes = 16;
constexpr qsizetype maxCellBytes = 2048;

// Room for a date or timestamp as the database writes it: era, offset,
// fraction of a second, "-infinity".
constexpr qsizetype timeTextBytes = 48;

qsizetype cellBufferBytes(const ColumnInfo &column)
{
    if (!column.readAs.isEmpty())
        return std::max(timeTextBytes, qsizetype(qMin<qint64>(column.size, maxCellBytes)) + 8);
    if (column.size <= 0)
        return maxCellBytes;
    const qint64 size = qMin<qint64>(column.size, maxCellBytes);
    qint64 bytes = 0;
    if (isCharacterType(column.sqlType))
        bytes = size * 4 + 1; // UTF-8 takes up to four bytes a character
    else if (column.sqlType == SQL_BINARY || column.sqlType == SQL_VARBINARY || column.sqlType == SQL_LONGVARBINARY)
        bytes = size * 2 + 8; // hexadecimal digits, and a driver's X'...'
    else
        bytes = size + 8; // digits with sign, point, exponent and terminator
    return qsizetype(std::clamp<qint64>(bytes, minCellBytes, maxCellBytes));
}

struct ColumnBuffer {
    qsizetype width = 0;
    std::vector<char> data;
    std::vector<SQLLEN> indicators;
};

class ProgressReporter {
public:
    explicit ProgressReporter(const std::function<bool(qint64)> &progress) : progress_(progress) {}
    // False when the caller asked to stop.
    bool reached(qint64 rows)
    {
        if (!progress_ || rows < next_)
            return true;
        next_ = (rows / progressInterval + 1) * progressInterval;
        return progress_(rows);
    }

private:
    const std::function<bool(qint64)> &progress_;
    qint64 next_ = progressInterval;
};

} // namespace

struct BlockReader::Buffers {
    SQLHSTMT statement = SQL_NULL_HSTMT;
    int columnCount = 0;
    // For drivers that cannot read a value again from a block of rows: one
    // row per fetch, each value read whole.
    bool rowByRow = false;
    bool ended = false;
    // The last block came short of its size: the end is likely next.
    bool shortBlock = false;
    std::vector<ColumnBuffer> columns;
    SQLULEN fetched = 0;
    std::vector<SQLUSMALLINT> statuses;
    std::vector<CellBytes> cells;
    std::vector<QByteArray> longValues;

    // One fetch into the store; false at the end of the result.
    bool fetchOne(RowStore &store);
};

BlockReader::BlockReader(SQLHDBC connection, SQLHSTMT stmt, const std::vector<ColumnInfo> &columns)
    : d(std::make_unique<Buffers>())
{
    d->statement = stmt;
    d->columnCount = int(columns.size());
    d->ended = d->columnCount == 0;
    d->cells.resize(columns.size());
    d->longValues.resize(columns.size());
    if (d->ended)
        return;

    // Reading a too-long value again from a block needs SQLSetPos and
    // SQLGetData on bound columns; psqlODBC can, SQLite's driver cannot.
    SQLUINTEGER extensions = 0;
    SQLGetInfo(connection, SQL_GETDATA_EXTENSIONS, &extensions, SQLSMALLINT(sizeof extensions), nullptr);
    if (!(extensions & SQL_GD_BLOCK) || !(extensions & SQL_GD_BOUND)) {
        d->rowByRow = true;
        return;
    }

    d->columns.resize(columns.size());
    qsizetype rowBytes = 0;
    for (int c = 0; c < d->columnCount; ++c) {
        d->columns[size_t(c)].width = cellBufferBytes(columns[size_t(c)]);
        rowBytes += d->columns[size_t(c)].width + qsizetype(sizeof(SQLLEN));
    }
    const qsizetype rowsPerBlock = std::clamp<qsizetype>(blockBytes / rowBytes, 1, maxRowsPerBlock);
    d->statuses.resize(static_cast<size_t>(rowsPerBlock));
    checkOdbc(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQLULEN(SQL_BIND_BY_COLUMN)), 0),
              SQL_HANDLE_STMT, stmt, "SQLSetStmtAttr");
    checkOdbc(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(rowsPerBlock)), 0),
              SQL_HANDLE_STMT, stmt, "SQLSetStmtAttr");
    checkOdbc(SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &d->fetched, 0), SQL_HANDLE_STMT, stmt,
              "SQLSetStmtAttr");
    checkOdbc(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_STATUS_PTR, d->statuses.data(), 0), SQL_HANDLE_STMT, stmt,
              "SQLSetStmtAttr");
    for (int c = 0; c < d->columnCount; ++c) {
        ColumnBuffer &buffer = d->columns[size_t(c)];
        buffer.data.resize(size_t(buffer.width * rowsPerBlock));
        buffer.indicators.resize(static_cast<size_t>(rowsPerBlock));
        checkOdbc(SQLBindCol(stmt, SQLUSMALLINT(c + 1), SQL_C_CHAR, buffer.data.data(), SQLLEN(buffer.width),
                             buffer.indicators.data()),
                  SQL_HANDLE_STMT, stmt, "SQLBindCol");
    }
}

BlockReader::~BlockReader() = default;

bool BlockReader::ended() const { return d->ended; }

bool BlockReader::Buffers::fetchOne(RowStore &store)
{
    SQLHSTMT stmt = statement;
    if (rowByRow) {
        // A block of single-row fetches, as many as a block of rows would hold.
        if (shortBlock)
            return false;
        for (qsizetype r = 0; r < maxRowsPerBlock; ++r) {
            const SQLRETURN rc = SQLFetch(stmt);
            if (rc == SQL_NO_DATA) {
                shortBlock = true;
                return r > 0;
            }
            checkOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLFetch");
            for (int c = 0; c < columnCount; ++c) {
                QByteArray &value = longValues[size_t(c)];
                const bool present = readWholeText(stmt, SQLUSMALLINT(c + 1), value);
                cells[size_t(c)] =
                    present ? CellBytes{value.constData(), value.size(), false} : CellBytes{nullptr, 0, true};
            }
            store.appendRow(cells);
        }
        return true;
    }

    fetched = 0;
    const SQLRETURN rc = SQLFetch(stmt);
    if (rc == SQL_NO_DATA)
        return false;
    checkOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLFetch");
    shortBlock = fetched < statuses.size();
    for (SQLULEN r = 0; r < fetched; ++r) {
        if (statuses[r] == SQL_ROW_NOROW)
            continue;
        if (statuses[r] == SQL_ROW_ERROR)
            throw diagnosticsError(SQL_HANDLE_STMT, stmt, QStringLiteral("A row could not be read."));
        bool positioned = false;
        for (int c = 0; c < columnCount; ++c) {
            const ColumnBuffer &buffer = columns[size_t(c)];
            const SQLLEN indicator = buffer.indicators[r];
            if (indicator == SQL_NULL_DATA) {
                cells[size_t(c)] = {nullptr, 0, true};
            } else if (indicator == SQL_NO_TOTAL || indicator >= SQLLEN(buffer.width)) {
                // The buffer holds only the start: read the value again whole.
                if (!positioned) {
                    checkOdbc(SQLSetPos(stmt, SQLSETPOSIROW(r + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE),
                              SQL_HANDLE_STMT, stmt, "SQLSetPos");
                    positioned = true;
                }
                QByteArray &value = longValues[size_t(c)];
                if (readWholeText(stmt, SQLUSMALLINT(c + 1), value))
                    cells[size_t(c)] = {value.constData(), value.size(), false};
                else
                    cells[size_t(c)] = {nullptr, 0, true};
            } else {
                cells[size_t(c)] = {buffer.data.data() + qsizetype(r) * buffer.width, qsizetype(indicator), false};
            }
        }
        store.appendRow(cells);
    }
    return true;
}

bool BlockReader::read(RowStore &store, qint64 untilRows, const std::function<bool(qint64)> &progress)
{
    SQLHSTMT stmt = d->statement;
    background::CancelScope cancel([stmt] { SQLCancel(stmt); });
    ProgressReporter reporter(progress);
    // A table that fits in its first block is then read whole at once.
    while (!d->ended && (untilRows < 0 || store.rowCount() < untilRows || d->shortBlock)) {
        if (!d->fetchOne(store)) {
            d->ended = true;
            break;
        }
        if (!reporter.reached(store.rowCount()))
            throw OpenCancelled();
    }
    return d->ended;
}

bool fetchAllRows(SQLHDBC connection, SQLHSTMT stmt, const std::vector<ColumnInfo> &columns, RowStore &store,
                  const std::function<bool(qint64)> &progress)
{
    BlockReader reader(connection, stmt, columns);
    try {
        reader.read(store, -1, progress);
    } catch (const OpenCancelled &) {
        return false;
    }
    return true;
}

std::vector<std::optional<QByteArray>> readCurrentRow(SQLHSTMT statement, int columnCount)
{
    std::vector<std::optional<QByteArray>> cells(static_cast<size_t>(columnCount));
    QByteArray value;
    for (int c = 0; c < columnCount; ++c) {
        if (readWholeText(statement, SQLUSMALLINT(c + 1), value))
            cells[size_t(c)] = value;
    }
    return cells;
}

} // namespace db
