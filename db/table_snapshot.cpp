#include "db/table_snapshot.h"

#include "db/ado_messages.h"
#include "db/connection_handles.h"
#include "db/database_error.h"
#include "db/row_store.h"
#include "db/row_update.h"
#include "db/snapshot_columns.h"
#include "db/snapshot_fetch.h"
#include "db/snapshot_sql.h"

#include <algorithm>

namespace db {

struct TableSnapshot::Data {
    std::unique_ptr<Connection> connection;
    QString tableName;
    std::vector<ColumnInfo> columns;
    RowStore rows;

    bool inRange(qint64 row, int column) const
    {
        return row >= 0 && row < rows.rowCount() && column >= 0 && column < int(columns.size());
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
};

TableSnapshot::TableSnapshot() : d(std::make_unique<Data>()) {}
TableSnapshot::~TableSnapshot() = default;

namespace {

// The table's columns, rows and key, read into the given places.
void readTable(Connection &connection, const QString &tableName, std::vector<ColumnInfo> &columns, RowStore &rows,
               const TableSnapshot::Progress &progress)
{
    Connection::Handles &handles = connection.handles();
    SQLHDBC dbc = handles.connection.get();
    {
        StatementHandle statement = newStatement(dbc, handles.commandTimeout);
        executeDirect(statement.get(), QStringLiteral("SELECT * FROM ") + quotedIdentifier(tableName));
        columns = describeColumns(statement.get());
        if (!fetchAllRows(dbc, statement.get(), columns, rows, progress))
            throw OpenCancelled();
    }
    markPrimaryKey(dbc, handles.commandTimeout, tableName, columns);
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
    data.connection = std::move(connection);
    return snapshot;
}

void TableSnapshot::reload(const Progress &progress)
{
    if (!d->connection || !d->connection->isOpen())
        throw AppError(adoMessage::objectClosed);
    std::vector<ColumnInfo> columns;
    RowStore rows;
    readTable(*d->connection, d->tableName, columns, rows, progress);
    d->columns = std::move(columns);
    d->rows = std::move(rows);
}

const QString &TableSnapshot::tableName() const { return d->tableName; }
int TableSnapshot::columnCount() const { return int(d->columns.size()); }
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
    if (row < 0 || row >= rowCount())
        throw AppError(QStringLiteral("There is no row %1 in the table.").arg(row));
    if (changes.empty())
        return;
    for (const auto &[column, value] : changes) {
        if (column < 0 || column >= columnCount())
            throw AppError(QStringLiteral("There is no column %1 in the table.").arg(column));
        if (!d->columns[size_t(column)].editable)
            throw AppError(QStringLiteral("The column %1 cannot be changed here.").arg(d->columns[size_t(column)].name));
    }
    if (!d->connection || !d->connection->isOpen())
        throw AppError(adoMessage::objectClosed);
    Connection::Handles &handles = d->connection->handles();
    SQLHDBC dbc = handles.connection.get();

    const RowValues originals = d->rowValues(row);
    executeRowUpdate(dbc, handles.commandTimeout, d->columns,
                     buildRowUpdate(d->tableName, d->columns, originals, changes));

    RowValues written = originals;
    for (const auto &[column, value] : changes)
        written[size_t(column)] = value;

    // Show what the database made of the values (1.5 in a numeric(9,2)
    // column reads back as 1.50). The row is already committed, so a failure
    // to read it back is no failure of the write: the written text stays.
    std::optional<std::vector<std::optional<QByteArray>>> stored;
    if (const auto select = buildKeySelect(d->tableName, d->columns, written)) {
        try {
            stored = readRowByKey(dbc, handles.commandTimeout, d->columns, *select);
        } catch (const DatabaseError &) {
            stored.reset();
        }
    }
    std::vector<QByteArray> bytes(d->columns.size());
    std::vector<CellBytes> cells(d->columns.size());
    for (size_t c = 0; c < d->columns.size(); ++c) {
        std::optional<QByteArray> value;
        if (stored)
            value = (*stored)[c];
        else if (written[c])
            value = written[c]->toUtf8();
        if (value) {
            bytes[c] = std::move(*value);
            cells[c] = {bytes[c].constData(), bytes[c].size(), false};
        } else {
            cells[c] = {nullptr, 0, true};
        }
    }
    d->rows.replaceRow(row, cells);
}

} // namespace db
