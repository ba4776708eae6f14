#include "db/table_snapshot.h"

#include "db/ado_messages.h"
#include "db/connection_handles.h"
#include "db/database_error.h"
#include "db/dialect.h"
#include "db/lost_connection.h"
#include "db/row_delete.h"
#include "db/row_insert.h"
#include "db/row_locator.h"
#include "db/row_store.h"
#include "db/row_update.h"
#include "db/snapshot_columns.h"
#include "db/snapshot_fetch.h"
#include "db/snapshot_sql.h"

#include "app/background_call.h"

#include <QStringList>
#include <algorithm>
#include <atomic>
#include <map>

namespace db {

// The open cursor of a table still being read, used only on the worker.
struct PendingRead {
    StatementHandle statement;
    std::unique_ptr<BlockReader> reader;
};

struct TableSnapshot::Data {
    std::unique_ptr<Connection> connection;
    // The dialect's answer for the window, which asks it while the worker
    // may be putting a new connection in place of a lost one.
    bool emptyTextIsNull = false;
    QString tableName;
    std::vector<ColumnInfo> columns;
    RowStore rows;
    Reconnect reconnect;
    // Worker side of a read still going on; the second connection for the
    // writes made meanwhile, where the driver needs one. Declared after the
    // connection, so that they go before it.
    mutable std::unique_ptr<PendingRead> pending;
    mutable std::unique_ptr<Connection> writer;
    // The driver closes open cursors on commit or rollback.
    bool writesBeside = false;
    // Set on the worker when the read failed: the connection may be gone.
    mutable std::atomic<bool> readBroken{false};
    // Why, where a write that found the connection lost ended it.
    mutable QString readFailure;
    // Window side of the read.
    enum class ReadState { Complete, Reading, Incomplete } state = ReadState::Complete;

    void endRead() const
    {
        pending.reset();
        writer.reset();
    }
    // Inserted rows that could not be found again, with which of their values
    // are known (those the user gave); the others are shown as NULL.
    std::map<qint64, std::vector<bool>> partlyKnown;

    bool inRange(qint64 row, int column) const
    {
        return row >= 0 && row < rows.rowCount() && column >= 0 && column < tableColumnCount(columns);
    }

    RowValues rowValues(qint64 row) const
    {
        RowValues values(columns.size());
        for (int c = 0; c < int(columns.size()); ++c) {
            if (!rows.isNull(row, c))
                values[size_t(c)] = QString::fromUtf8(rows.cell(row, c));
        }
        return values;
    }

    // The row's values as a WHERE must find them. Where the database keeps
    // '' as NULL, an empty cell is NULL whichever it was read as; elsewhere
    // '' and NULL are two values, and a change from one to the other is a
    // change like any other.
    RowValues matchingValues(qint64 row) const
    {
        RowValues values = rowValues(row);
        if (connection && connection->isOpen() && connection->handles().dialect->storesEmptyTextAsNull()) {
            for (std::optional<QString> &value : values) {
                if (value && value->isEmpty())
                    value.reset();
            }
        }
        return values;
    }

    const std::vector<bool> *knownColumns(qint64 row) const
    {
        const auto found = partlyKnown.find(row);
        return found == partlyKnown.end() ? nullptr : &found->second;
    }

    // The columns as a statement may use them to identify a row: a value
    // that is not known cannot stand in a WHERE, and a key with such a value
    // is no key for that row.
    std::vector<ColumnInfo> identifyingColumns(const std::vector<bool> *known) const
    {
        std::vector<ColumnInfo> view = columns;
        if (!known)
            return view;
        bool keyKnown = true;
        for (size_t c = 0; c < view.size(); ++c) {
            if (!(*known)[c]) {
                view[c].comparable = false;
                keyKnown = keyKnown && !view[c].inPrimaryKey;
            }
        }
        if (!keyKnown) {
            for (ColumnInfo &column : view)
                column.inPrimaryKey = false;
        }
        return view;
    }

    // On the worker: the connection statements of a write use.
    SQLHDBC connectionHandle() const
    {
        if (!connection || !connection->isOpen())
            throw AppError(adoMessage::objectClosed);
        if (pending && writesBeside && reconnect) {
            if (!writer || !writer->isOpen())
                writer = reconnect();
            return writer->handles().connection.get();
        }
        return connection->handles().connection.get();
    }
    int timeout() const { return connection->handles().commandTimeout; }

    // A call that failed because the connection was lost is made once more
    // on a new connection with the same login. Sending a write twice does no
    // harm under the exactly-one-row rule: had the first one committed after
    // all, the second finds the row no longer as read and is refused like a
    // change by another user. Runs where the send halves run; the window
    // reads nothing of the connection meanwhile.
    template <class Call>
    auto survivingLostConnection(Call &&call) const -> decltype(call())
    {
        bool readerLost = true;
        try {
            return call();
        } catch (const DatabaseError &error) {
            if (!isLostConnection(error))
                throw;
            if (pending && writesBeside && writer) {
                // The writes' own connection went: the retry opens another.
                writer.reset();
                readerLost = false;
            } else if (pending) {
                // The read's cursor goes with the connection it was open on,
                // which is about to be replaced: the read ends there.
                readFailure = error.description();
                readBroken = true;
                pending.reset();
                writer.reset();
            }
        }
        try {
            if (readerLost)
                connection->reopen();
        } catch (const DatabaseError &error) {
            throw ConnectionLostError(error);
        }
        try {
            return call();
        } catch (const DatabaseError &error) {
            if (isLostConnection(error))
                throw ConnectionLostError(error);
            throw;
        }
    }

    // Where the database keeps '' as NULL, writing '' is writing NULL, and
    // the row holds NULL afterwards even when it cannot be read back.
    Changes normalised(const Changes &requested) const
    {
        Changes changes = requested;
        if (connection->handles().dialect->storesEmptyTextAsNull()) {
            for (auto &[column, value] : changes) {
                if (value && value->isEmpty())
                    value.reset();
            }
        }
        return changes;
    }

    void checkWritable(const Changes &changes) const
    {
        for (const auto &[column, value] : changes) {
            if (column < 0 || column >= int(columns.size()))
                throw AppError(QStringLiteral("There is no column %1 in the table.").arg(column));
            if (!columns[size_t(column)].editable)
                throw AppError(QStringLiteral("The column %1 cannot be changed here.").arg(columns[size_t(column)].name));
        }
    }

    // What the database made of a written row (1.5 in a numeric(9,2) column
    // reads back as 1.50, a trigger or a generated column may have changed
    // others); only reads, so it may run beside the window. The row is
    // already committed, so a failure to read it back is no failure of the
    // write: the written text stays. Rows fully known are looked for by key,
    // else by every comparable value just written, else, should the database
    // have changed some of them, by the written columns alone; each only
    // when it finds exactly one row.
    WrittenRow readWritten(qint64 row, RowValues written, std::vector<bool> known,
                           const std::vector<bool> &changed = {}) const
    {
        const bool allKnown = std::all_of(known.begin(), known.end(), [](bool k) { return k; });
        std::vector<ColumnInfo> view = identifyingColumns(allKnown ? nullptr : &known);
        // A computed value written as it was read is stale: the others decide it.
        for (ColumnInfo &column : view) {
            if (column.computed && !column.inPrimaryKey)
                column.comparable = false;
        }
        const bool keyKnown = std::any_of(view.begin(), view.end(), [](const ColumnInfo &c) { return c.inPrimaryKey; });
        WrittenRow result{row, std::move(written), std::move(known), std::nullopt};
        view = locatedWhereKnown(std::move(view), result.written);
        std::vector<std::vector<ColumnInfo>> attempts{view};
        // Where an update moves the row, it is no longer at the address read.
        const auto locating = [](const ColumnInfo &c) { return c.rowLocator && c.comparable; };
        if (!keyKnown && std::any_of(view.begin(), view.end(), locating))
            attempts.push_back(withoutLocator(view));
        if (!keyKnown && changed.size() == view.size()) {
            std::vector<ColumnInfo> writtenOnly = view;
            for (size_t c = 0; c < writtenOnly.size(); ++c)
                writtenOnly[c].comparable = writtenOnly[c].comparable && changed[c];
            attempts.push_back(std::move(writtenOnly));
        }
        try {
            for (const std::vector<ColumnInfo> &attempt : attempts) {
                const ParameterisedSql find = buildRowFind(tableName, attempt, result.written);
                // Without a condition any lone row of the table would do.
                if (find.whereAt < 0)
                    continue;
                result.stored = readOnlyRow(connectionHandle(), timeout(), columns, find);
                if (result.stored)
                    break;
            }
            if (!result.stored)
                result.stored = findAmongTwins(withoutLocator(view), result.written);
        } catch (const DatabaseError &) {
            result.stored.reset();
        }
        return result;
    }

    // A written row whose values other rows hold too is the one among them
    // at none of the addresses those rows were read at: the others are all
    // in the snapshot. Should a row of another user's match as well, none is
    // taken, and the row is found by its values alone afterwards.
    std::optional<std::vector<std::optional<QByteArray>>> findAmongTwins(const std::vector<ColumnInfo> &view,
                                                                        const RowValues &written) const
    {
        constexpr int mostTwins = 100;
        if (columns.empty() || !columns.back().rowLocator)
            return std::nullopt;
        const int locator = int(columns.size()) - 1;
        ParameterisedSql find = buildRowFind(tableName, view, written);
        if (find.whereAt < 0)
            return std::nullopt;
        std::vector<std::pair<int, std::optional<QByteArray>>> compared;
        for (int c = 0; c < locator; ++c) {
            const std::optional<QString> &value = written[size_t(c)];
            if (view[size_t(c)].comparable)
                compared.emplace_back(c, value ? std::optional(value->toUtf8()) : std::nullopt);
        }
        int twins = 0;
        for (qint64 r = 0; r < rows.rowCount(); ++r) {
            if (rows.isNull(r, locator))
                continue;
            const bool same = std::all_of(compared.begin(), compared.end(), [&](const auto &value) {
                const bool isNull = rows.isNull(r, value.first);
                return value.second ? !isNull && rows.cell(r, value.first) == QByteArrayView(*value.second) : isNull;
            });
            if (!same)
                continue;
            if (++twins > mostTwins)
                return std::nullopt;
            excludeAddress(find, locator, columns.back(), QString::fromUtf8(rows.cell(r, locator)));
        }
        if (twins == 0)
            return std::nullopt;
        return readOnlyRow(connectionHandle(), timeout(), columns, find);
    }

    // Puts the written row into the store as the database now holds it; rows
    // fully known are looked for by key only, partly known ones by what is
    // known of them.
    void keepWritten(WrittenRow result)
    {
        const qint64 row = result.row;
        const bool allKnown = std::all_of(result.known.begin(), result.known.end(), [](bool k) { return k; });
        std::vector<QByteArray> bytes(columns.size());
        std::vector<CellBytes> cells(columns.size());
        for (size_t c = 0; c < columns.size(); ++c) {
            std::optional<QByteArray> value;
            if (result.stored)
                value = (*result.stored)[c];
            else if (result.written[c] && !columns[c].rowLocator) // the address a write may have moved
                value = result.written[c]->toUtf8();
            if (value) {
                bytes[c] = std::move(*value);
                cells[c] = {bytes[c].constData(), bytes[c].size(), false};
            } else {
                cells[c] = {nullptr, 0, true};
            }
        }
        rows.replaceRow(row, cells);
        if (result.stored || allKnown)
            partlyKnown.erase(row);
        else
            partlyKnown[row] = std::move(result.known);
    }

    // Row numbers of the rows not yet found again follow rows put in or taken out.
    void shiftForInsert(qint64 position)
    {
        std::map<qint64, std::vector<bool>> shifted;
        for (auto &[row, known] : partlyKnown)
            shifted.emplace(row >= position ? row + 1 : row, std::move(known));
        partlyKnown = std::move(shifted);
    }
    void shiftForRemoval(const std::vector<qint64> &removed)
    {
        std::map<qint64, std::vector<bool>> shifted;
        for (auto &[row, known] : partlyKnown) {
            const auto below = std::lower_bound(removed.begin(), removed.end(), row);
            if (below != removed.end() && *below == row)
                continue;
            shifted.emplace(row - (below - removed.begin()), std::move(known));
        }
        partlyKnown = std::move(shifted);
    }

    // A row named by its key, else by its first few values, for messages.
    QString describeRow(qint64 row) const
    {
        const RowValues values = rowValues(row);
        const bool hasKey = std::any_of(columns.begin(), columns.end(), [](const ColumnInfo &c) { return c.inPrimaryKey; });
        QStringList parts;
        for (size_t c = 0; c < columns.size() && parts.size() < 4; ++c) {
            if ((hasKey && !columns[c].inPrimaryKey) || columns[c].rowLocator)
                continue;
            QString value = values[c] ? *values[c] : QStringLiteral("NULL");
            if (value.size() > 40)
                value = value.left(40) + QChar(0x2026);
            parts << columns[c].name + QStringLiteral(" = ") + value;
        }
        return parts.join(QStringLiteral(", "));
    }
};

TableSnapshot::TableSnapshot() : d(std::make_unique<Data>()) {}
TableSnapshot::~TableSnapshot() = default;

namespace {

// Rows of a table without a key are told apart by the database's own
// address of each, where it has one: read after the columns.
void addRowLocator(SQLHDBC dbc, int timeout, const Dialect &dialect, const QString &tableName,
                   std::vector<ColumnInfo> &columns)
{
    if (columns.empty())
        return;
    markPrimaryKey(dialect.primaryKey(dbc, timeout, tableName), columns);
    if (std::any_of(columns.begin(), columns.end(), [](const ColumnInfo &c) { return c.inPrimaryKey; }))
        return;
    if (std::optional<ColumnInfo> locator = dialect.rowLocator(dbc, timeout, tableName, columns))
        columns.push_back(std::move(*locator));
}

// Whether a commit or a rollback on the connection closes its open cursors.
bool commitClosesCursors(SQLHDBC dbc)
{
    for (const SQLUSMALLINT info : {SQLUSMALLINT(SQL_CURSOR_COMMIT_BEHAVIOR), SQLUSMALLINT(SQL_CURSOR_ROLLBACK_BEHAVIOR)}) {
        SQLUSMALLINT behaviour = SQL_CB_PRESERVE;
        if (SQL_SUCCEEDED(SQLGetInfo(dbc, info, &behaviour, SQLSMALLINT(sizeof behaviour), nullptr))
            && behaviour != SQL_CB_PRESERVE)
            return true;
    }
    return false;
}

// The table's columns and key into the given places, and its query running;
// nullptr for a table without columns, whose rows are already in `rows`.
std::unique_ptr<PendingRead> startReading(Connection &connection, const QString &tableName,
                                          std::vector<ColumnInfo> &columns, RowStore &rows)
{
    Connection::Handles &handles = connection.handles();
    SQLHDBC dbc = handles.connection.get();
    const Dialect &dialect = *handles.dialect;
    // Described before it runs, so that a column whose values the driver
    // would change on their way can be read as the database's own text.
    // Where there is none, the very statement described is the one run.
    auto read = std::make_unique<PendingRead>();
    read->statement = newStatement(dbc, handles.commandTimeout);
    const QString everyColumn = QStringLiteral("SELECT * FROM ") + quotedIdentifier(tableName);
    {
        SQLHSTMT described = read->statement.get();
        background::CancelScope cancel([described] { SQLCancel(described); });
        prepareStatement(described, everyColumn);
        columns = describeColumns(described);
    }
    if (columns.empty()) {
        // A table without columns still has rows, which its query gives
        // without anything to fetch: they are counted instead.
        read.reset();
        StatementHandle count = newStatement(dbc, handles.commandTimeout);
        executeDirect(count.get(), QStringLiteral("SELECT count(*) FROM ") + quotedIdentifier(tableName));
        QByteArray rowsText;
        if (SQLFetch(count.get()) == SQL_SUCCESS && readWholeText(count.get(), 1, rowsText)) {
            const qint64 total = rowsText.toLongLong();
            for (qint64 r = 0; r < total; ++r)
                rows.appendRow({});
        }
        return nullptr;
    }
    dialect.prepareColumns(dbc, handles.commandTimeout, tableName, columns);
    for (ColumnInfo &column : columns)
        column.kind = dialect.kind(column);
    // Asked before the rows come: the rows are shown as soon as the first
    // of them are in, while the cursor that reads the rest stays open.
    markDatabaseFilled(dbc, handles.commandTimeout, dialect, tableName, columns);
    addRowLocator(dbc, handles.commandTimeout, dialect, tableName, columns);

    const QString query = selectFrom(tableName, columns);
    if (query == everyColumn) {
        SQLHSTMT statement = read->statement.get();
        background::CancelScope cancel([statement] { SQLCancel(statement); });
        executePrepared(statement);
    } else {
        read->statement = newStatement(dbc, handles.commandTimeout);
        executeDirect(read->statement.get(), query);
    }
    read->reader = std::make_unique<BlockReader>(dbc, read->statement.get(), columns);
    return read;
}

// The table's columns, rows and key, read into the given places.
void readTable(Connection &connection, const QString &tableName, std::vector<ColumnInfo> &columns, RowStore &rows,
               const TableSnapshot::Progress &progress)
{
    const std::unique_ptr<PendingRead> read = startReading(connection, tableName, columns, rows);
    if (read && !fetchAllRows(connection.handles().connection.get(), read->statement.get(), columns, rows, progress))
        throw OpenCancelled();
}

} // namespace

std::unique_ptr<TableSnapshot> TableSnapshot::open(std::unique_ptr<Connection> connection, const QString &tableName,
                                                   const Progress &progress)
{
    if (!connection || !connection->isOpen())
        throw AppError(adoMessage::objectClosed);

    // Built aside and handed out only when complete: a failure or a cancel
    // leaves nothing half-filled behind.
    std::unique_ptr<TableSnapshot> snapshot(new TableSnapshot());
    Data &data = *snapshot->d;
    data.tableName = tableName;
    readTable(*connection, tableName, data.columns, data.rows, progress);
    data.emptyTextIsNull = connection->handles().dialect->storesEmptyTextAsNull();
    data.connection = std::move(connection);
    return snapshot;
}

std::unique_ptr<TableSnapshot> TableSnapshot::openFirstRows(std::unique_ptr<Connection> connection,
                                                           const QString &tableName, qint64 firstRows,
                                                           Reconnect reconnect, const Progress &progress)
{
    if (!connection || !connection->isOpen())
        throw AppError(adoMessage::objectClosed);
    std::unique_ptr<TableSnapshot> snapshot(new TableSnapshot());
    Data &data = *snapshot->d;
    data.tableName = tableName;
    data.reconnect = std::move(reconnect);
    std::unique_ptr<PendingRead> read = startReading(*connection, tableName, data.columns, data.rows);
    if (read) {
        read->reader->read(data.rows, firstRows, progress);
        if (!read->reader->ended()) {
            data.writesBeside = commitClosesCursors(connection->handles().connection.get());
            data.pending = std::move(read);
            data.state = Data::ReadState::Reading;
        }
    }
    data.emptyTextIsNull = connection->handles().dialect->storesEmptyTextAsNull();
    data.connection = std::move(connection);
    return snapshot;
}

struct TableSnapshot::MoreRows {
    RowStore rows;
    bool ended = false;
    // Why the read broke off after these rows.
    std::optional<QString> failure;
};

qint64 TableSnapshot::rowsIn(const MoreRows &more) { return more.rows.rowCount(); }

bool TableSnapshot::isReading() const { return d->state == Data::ReadState::Reading; }
bool TableSnapshot::isComplete() const { return d->state != Data::ReadState::Incomplete; }
bool TableSnapshot::writesBesideRead() const { return d->writesBeside; }

std::shared_ptr<TableSnapshot::MoreRows> TableSnapshot::readMore(qint64 rows) const
{
    auto more = std::make_shared<MoreRows>();
    if (!d->pending) {
        more->ended = true;
        if (d->readBroken)
            more->failure = d->readFailure;
        return more;
    }
    try {
        more->ended = d->pending->reader->read(more->rows, rows);
    } catch (const AppError &error) {
        // The rows that came before the failure are kept with it.
        d->readBroken = true;
        more->ended = true;
        more->failure = error.description();
    }
    if (more->ended)
        d->endRead();
    return more;
}

std::optional<QString> TableSnapshot::failureOf(const MoreRows &more) { return more.failure; }

bool TableSnapshot::keepMoreRows(const std::shared_ptr<MoreRows> &more)
{
    if (!more || d->state != Data::ReadState::Reading)
        return false;
    d->rows.appendRows(more->rows, columnCount());
    more->rows = RowStore();
    if (more->ended)
        d->state = more->failure ? Data::ReadState::Incomplete : Data::ReadState::Complete;
    return more->ended;
}

void TableSnapshot::markIncomplete()
{
    if (d->state == Data::ReadState::Reading)
        d->state = Data::ReadState::Incomplete;
}

struct TableSnapshot::FreshTable {
    std::vector<ColumnInfo> columns;
    RowStore rows;
};

std::shared_ptr<TableSnapshot::FreshTable> TableSnapshot::readAgain(const Progress &progress) const
{
    return d->survivingLostConnection([&] { return readAgainOnce(progress); });
}

std::shared_ptr<TableSnapshot::FreshTable> TableSnapshot::readAgainOnce(const Progress &progress) const
{
    if (!d->connection || !d->connection->isOpen())
        throw AppError(adoMessage::objectClosed);
    // A read that broke off with its connection is read again on a new one,
    // as any call that finds the connection lost (readAgain).
    auto fresh = std::make_shared<FreshTable>();
    readTable(*d->connection, d->tableName, fresh->columns, fresh->rows, progress);
    return fresh;
}

void TableSnapshot::keepFreshTable(const std::shared_ptr<FreshTable> &fresh)
{
    if (!fresh)
        return;
    d->readBroken = false;
    d->state = Data::ReadState::Complete;
    d->columns = std::move(fresh->columns);
    d->rows = std::move(fresh->rows);
    d->partlyKnown.clear();
}

const QString &TableSnapshot::tableName() const { return d->tableName; }
int TableSnapshot::columnCount() const { return tableColumnCount(d->columns); }
const ColumnInfo &TableSnapshot::column(int index) const { return d->columns.at(size_t(index)); }
qint64 TableSnapshot::rowCount() const { return d->rows.rowCount(); }

bool TableSnapshot::isNull(qint64 row, int column) const
{
    return !d->inRange(row, column) || d->rows.isNull(row, column);
}

QString TableSnapshot::text(qint64 row, int column) const
{
    return QString::fromUtf8(rawUtf8(row, column));
}

QByteArrayView TableSnapshot::rawUtf8(qint64 row, int column) const
{
    if (!d->inRange(row, column))
        return {};
    return d->rows.cell(row, column);
}

void TableSnapshot::appendUtf8(qint64 row, int column, QByteArray &out) const
{
    out.append(rawUtf8(row, column));
}

void TableSnapshot::rowUtf8(qint64 row, std::span<QByteArrayView> cells) const
{
    if (row < 0 || row >= rowCount() || cells.size() != std::size_t(columnCount())) {
        std::fill(cells.begin(), cells.end(), QByteArrayView());
        return;
    }
    d->rows.cells(row, cells);
}

std::size_t TableSnapshot::memoryUsed() const { return d->rows.memoryUsed(); }

void TableSnapshot::writeRow(qint64 row, const Changes &changes)
{
    keepWrittenRow(sendRow(row, changes));
}

TableSnapshot::WrittenRow TableSnapshot::sendRow(qint64 row, const Changes &changes) const
{
    return d->survivingLostConnection([&] { return sendRowOnce(row, changes); });
}

TableSnapshot::WrittenRow TableSnapshot::sendRowOnce(qint64 row, const Changes &requested) const
{
    if (row < 0 || row >= rowCount())
        throw AppError(QStringLiteral("There is no row %1 in the table.").arg(row));
    if (requested.empty())
        return {};
    d->checkWritable(requested);
    SQLHDBC dbc = d->connectionHandle();
    const Changes changes = d->normalised(requested);

    const RowValues originals = d->matchingValues(row);
    const std::vector<bool> *known = d->knownColumns(row);
    executeRowUpdate(dbc, d->timeout(), d->columns,
                     buildRowUpdate(d->tableName, locatedWhereKnown(d->identifyingColumns(known), originals),
                                    originals, changes));

    RowValues written = originals;
    std::vector<bool> nowKnown = known ? *known : std::vector<bool>(d->columns.size(), true);
    std::vector<bool> changed(d->columns.size(), false);
    for (const auto &[column, value] : changes) {
        written[size_t(column)] = value;
        nowKnown[size_t(column)] = true;
        changed[size_t(column)] = true;
    }
    return d->readWritten(row, std::move(written), std::move(nowKnown), changed);
}

void TableSnapshot::keepWrittenRow(const WrittenRow &written)
{
    if (written.row < 0 || written.row >= rowCount() || written.written.size() != d->columns.size())
        return;
    d->keepWritten(written);
}

TableSnapshot::WrittenRow TableSnapshot::sendRowRead(qint64 row) const
{
    return d->survivingLostConnection([&] { return sendRowReadOnce(row); });
}

TableSnapshot::WrittenRow TableSnapshot::sendRowReadOnce(qint64 row) const
{
    if (row < 0 || row >= rowCount())
        throw AppError(QStringLiteral("There is no row %1 in the table.").arg(row));
    const std::vector<ColumnInfo> view =
        locatedWhereKnown(d->identifyingColumns(d->knownColumns(row)), d->matchingValues(row));
    const bool byKey = std::any_of(view.begin(), view.end(), [](const ColumnInfo &c) { return c.inPrimaryKey; });
    WrittenRow fresh{row, d->matchingValues(row), std::vector<bool>(d->columns.size(), true), std::nullopt};
    const ParameterisedSql find = buildRowFind(d->tableName, view, fresh.written);
    // Without a condition any lone row of the table would do.
    if (find.whereAt >= 0)
        fresh.stored = readOnlyRow(d->connectionHandle(), d->timeout(), d->columns, find);
    // Rewritten as it was (its values all still as read), a row has moved
    // to a new address: it is the one row holding them at none of the
    // addresses read.
    if (!fresh.stored && !byKey && !d->columns.empty() && d->columns.back().rowLocator) {
        const std::vector<ColumnInfo> byValues = withoutLocator(view);
        const ParameterisedSql moved = buildRowFind(d->tableName, byValues, fresh.written);
        if (moved.whereAt >= 0)
            fresh.stored = readOnlyRow(d->connectionHandle(), d->timeout(), d->columns, moved);
        if (!fresh.stored)
            fresh.stored = d->findAmongTwins(byValues, fresh.written);
    }
    if (!fresh.stored)
        throw RowConflictError((byKey ? RowConflictError::goneText : RowConflictError::goneOrChangedText).toString());
    return fresh;
}

void TableSnapshot::keepFreshRow(const WrittenRow &fresh)
{
    if (!fresh.stored || fresh.row < 0 || fresh.row >= rowCount() || fresh.stored->size() != d->columns.size())
        return;
    d->keepWritten(fresh);
}

void TableSnapshot::insertRows(const std::vector<NewRow> &newRows)
{
    keepInsertedRows(sendInsert(newRows));
}

std::vector<TableSnapshot::WrittenRow> TableSnapshot::sendInsert(const std::vector<NewRow> &newRows) const
{
    return d->survivingLostConnection([&] { return sendInsertOnce(newRows); });
}

std::vector<TableSnapshot::WrittenRow> TableSnapshot::sendInsertOnce(const std::vector<NewRow> &newRows) const
{
    if (newRows.empty())
        return {};
    qint64 count = rowCount();
    for (const NewRow &newRow : newRows) {
        if (newRow.position < 0 || newRow.position > count)
            throw AppError(QStringLiteral("There is no row %1 in the table.").arg(newRow.position));
        ++count;
        d->checkWritable(newRow.values);
    }
    SQLHDBC dbc = d->connectionHandle();
    std::vector<Changes> values;
    std::vector<ParameterisedSql> inserts;
    for (const NewRow &newRow : newRows) {
        values.push_back(d->normalised(newRow.values));
        inserts.push_back(buildRowInsert(d->tableName, d->columns, values.back()));
    }
    executeOneRowEach(dbc, d->timeout(), d->columns, inserts);

    std::vector<WrittenRow> inserted;
    for (size_t i = 0; i < newRows.size(); ++i) {
        RowValues written(d->columns.size());
        std::vector<bool> known(d->columns.size(), false);
        for (const auto &[column, value] : values[i]) {
            written[size_t(column)] = value;
            known[size_t(column)] = true;
        }
        inserted.push_back(d->readWritten(newRows[i].position, std::move(written), std::move(known)));
    }
    return inserted;
}

void TableSnapshot::keepInsertedRows(const std::vector<WrittenRow> &inserted)
{
    const std::vector<CellBytes> nulls(d->columns.size(), CellBytes{nullptr, 0, true});
    for (const WrittenRow &row : inserted) {
        if (row.row < 0 || row.row > rowCount() || row.written.size() != d->columns.size())
            continue;
        d->rows.insertRow(row.row, nulls);
        d->shiftForInsert(row.row);
        d->keepWritten(row);
    }
}

void TableSnapshot::deleteRows(std::vector<qint64> rows)
{
    keepDeletedRows(sendDelete(std::move(rows)));
}

std::vector<qint64> TableSnapshot::sendDelete(std::vector<qint64> rows) const
{
    return d->survivingLostConnection([&] { return sendDeleteOnce(rows); });
}

std::vector<qint64> TableSnapshot::sendDeleteOnce(std::vector<qint64> rows) const
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty())
        return rows;
    if (rows.front() < 0 || rows.back() >= rowCount())
        throw AppError(QStringLiteral("There is no row %1 in the table.").arg(rows.front() < 0 ? rows.front() : rows.back()));
    SQLHDBC dbc = d->connectionHandle();
    std::vector<ParameterisedSql> deletes;
    // Rows without columns are all alike: any one of them is the one chosen.
    const QString anyOne = d->columns.empty()
                               ? d->connection->handles().dialect->deleteAnyOneRow(quotedIdentifier(d->tableName))
                               : QString();
    for (qint64 row : rows) {
        if (!anyOne.isEmpty())
            deletes.push_back({anyOne, {}});
        else
        {
            const RowValues values = d->matchingValues(row);
            deletes.push_back(buildRowDelete(
                d->tableName, locatedWhereKnown(d->identifyingColumns(d->knownColumns(row)), values), values));
        }
    }
    try {
        executeOneRowEach(dbc, d->timeout(), d->columns, deletes);
    } catch (const RowConflictError &conflict) {
        const int failed = conflict.failedStatement();
        if (failed < 0)
            throw;
        throw RowConflictError(RowConflictError::nothingDeletedText.toString().arg(d->describeRow(rows[size_t(failed)]))
                                   + QStringLiteral("\r\n") + conflict.description(),
                               failed);
    }
    return rows;
}

void TableSnapshot::keepDeletedRows(const std::vector<qint64> &deleted)
{
    if (deleted.empty() || deleted.front() < 0 || deleted.back() >= rowCount())
        return;
    d->rows.removeRows(deleted);
    d->shiftForRemoval(deleted);
}

bool TableSnapshot::storesEmptyTextAsNull() const
{
    return d->emptyTextIsNull;
}

bool TableSnapshot::isReadBack(qint64 row) const
{
    return !d->knownColumns(row);
}

RowValues TableSnapshot::rowValues(qint64 row) const
{
    RowValues values = row < 0 || row >= rowCount() ? RowValues(d->columns.size()) : d->rowValues(row);
    values.resize(size_t(columnCount()));
    return values;
}

std::optional<TableSnapshot::Changes> TableSnapshot::restoringValues(qint64 row) const
{
    const RowValues values = rowValues(row);
    const std::vector<bool> *known = d->knownColumns(row);
    Changes changes;
    for (int c = 0; c < columnCount(); ++c) {
        if (known && !(*known)[size_t(c)])
            continue;
        // Computed again from the others when the row is put back.
        if (d->columns[size_t(c)].computed)
            continue;
        if (d->columns[size_t(c)].editable)
            changes.emplace_back(c, values[size_t(c)]);
        else if (values[size_t(c)])
            return std::nullopt;
    }
    return changes;
}

} // namespace db
