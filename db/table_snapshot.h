#pragma once

#include "app/app_error.h"
#include "db/connection.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace db {

struct ColumnInfo {
    QString name;
    short sqlType = 0;      // SQL_VARCHAR, SQL_INTEGER, ...
    bool nullable = true;
    bool inPrimaryKey = false;
    bool numeric = false;   // integer, decimal, floating point
    bool editable = true;   // false for binary and large-object columns
    bool comparable = true; // may stand in the WHERE of an optimistic update
    QString typeName;       // the database's own name of the type
    qint64 size = 0;        // SQLDescribeCol's column size; 0 when unknown
    short decimalDigits = 0;
};

// Thrown when an optimistic update matched no row (changed or deleted by
// another user since the table was opened) or more than one row.
class RowConflictError;

// Thrown by TableSnapshot::open when the progress callback asked to stop.
class OpenCancelled : public AppError {
public:
    static constexpr QStringView text = u"Opening the table was cancelled.";
    OpenCancelled() : AppError(text.toString()) {}
};

// All rows of one table, fetched in blocks as text into compact storage, and
// the connection they came from, which lives as long as the snapshot. Edited
// rows are written back one at a time under optimistic concurrency.
class TableSnapshot {
public:
    // Called now and then while rows arrive; returning false cancels the open.
    using Progress = std::function<bool(qint64 rowsFetched)>;

    // Runs SELECT * FROM "<tableName>" (inner double quotes doubled) on the
    // open connection and takes ownership of it. Throws DatabaseError, or
    // AppError when the connection is not open or the open was cancelled.
    static std::unique_ptr<TableSnapshot> open(std::unique_ptr<Connection> connection,
                                               const QString &tableName,
                                               const Progress &progress = {});
    ~TableSnapshot();

    // Reads the table again on the same connection: rows, columns and key as
    // they are now. On failure (DatabaseError, AppError) nothing changes.
    void reload(const Progress &progress = {});

    const QString &tableName() const;
    int columnCount() const;
    const ColumnInfo &column(int index) const;
    qint64 rowCount() const;

    bool isNull(qint64 row, int column) const;
    // The cell's text; NULL gives empty text.
    QString text(qint64 row, int column) const;
    // The cell's UTF-8 bytes, without conversion: for writers of large files.
    // Valid until the row is written.
    QByteArrayView rawUtf8(qint64 row, int column) const;
    void appendUtf8(qint64 row, int column, QByteArray &out) const;
    // Every cell of a row, as rawUtf8 gives them, decoded in one pass;
    // `cells` holds room for columnCount() views.
    void rowUtf8(qint64 row, std::span<QByteArrayView> cells) const;

    // Bytes of memory the rows take, for measurements.
    std::size_t memoryUsed() const;

    // New values of the changed columns of one row; nullopt writes NULL.
    using Changes = std::vector<std::pair<int, std::optional<QString>>>;

    // UPDATE of the changed columns only, WHERE the key columns (or, without
    // a primary key, every comparable column) and the changed columns equal
    // their values in the snapshot; committed only when exactly one row was
    // affected. On success the snapshot row holds what the database now holds.
    // Throws DatabaseError or RowConflictError; on failure nothing changes.
    void writeRow(qint64 row, const Changes &changes);

private:
    TableSnapshot();
    struct Data;
    std::unique_ptr<Data> d;
};

class RowConflictError : public AppError {
public:
    using AppError::AppError;
    // The update matched no row.
    static constexpr QStringView changedOrDeletedText =
        u"The row was not written: another user has changed or deleted it since the table was opened.";
    // The update matched several rows (a table without a primary key holding
    // identical rows); it was rolled back.
    static constexpr QStringView notUniqueText =
        u"The row was not written: it cannot be told apart from other rows of the table that hold the same "
        u"values, and changing it would change them all.";
};

} // namespace db
