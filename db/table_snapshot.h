#pragma once

#include "app/app_error.h"
#include "db/column_kind.h"
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
    ColumnKind kind = ColumnKind::Other; // from sqlType, where the dialect does not say otherwise
    bool nullable = true;
    bool inPrimaryKey = false;
    bool numeric = false;   // integer, decimal, floating point
    bool editable = true;   // false for binary and large-object columns
    bool comparable = true; // may stand in the WHERE of an optimistic update
    QString typeName;       // the database's own name of the type
    qint64 size = 0;        // SQLDescribeCol's column size; 0 when unknown
    short decimalDigits = 0;

    // Set by the connection's dialect, as SQL with %1 for the quoted column
    // (and %2 for a parameter marker); empty where nothing special is needed.
    // readAs: what the table's query selects instead of the bare column, where
    // the driver would change the value on its way (a date it cannot hold, an
    // offset it drops); such values are also sent as plain text, for the
    // database to read. sameValue: the condition that holds only for the very
    // same value, where the type's "=" ignores differences (letter case) or
    // does not exist.
    QString readAs{};
    QString sameValue{};
    // The database computes the value from the row's other values (a
    // generated column): it follows them when they are written.
    bool computed = false;
    // Why the column cannot be edited, for the user; empty when it can.
    QString readOnlyReason{};
    // Not a column of the table: the database's own address of the row,
    // read beside the columns of a table without a key so that rows holding
    // the same values can be told apart. Its readAs is the whole expression
    // read, its sameValue the condition, with %1 for the parameter marker.
    // The snapshot keeps it after the columns and shows it to nobody.
    bool rowLocator = false;
};

// A value of one row as text; nullopt is NULL.
using RowValues = std::vector<std::optional<QString>>;

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
    // The same, returning once the first `firstRows` rows are in (at least
    // one fetched block); the rest are read by readMore, a part at a time,
    // on the worker. `reconnect` opens another connection with the same
    // login: where the driver cannot write while the reading cursor is open
    // (a commit would close it), the rows written meanwhile go through such
    // a second connection, closed when the read ends; and a table whose read
    // failed is read again on a fresh one.
    using Reconnect = std::function<std::unique_ptr<Connection>()>;
    static std::unique_ptr<TableSnapshot> openFirstRows(std::unique_ptr<Connection> connection,
                                                        const QString &tableName, qint64 firstRows,
                                                        Reconnect reconnect, const Progress &progress = {});
    ~TableSnapshot();

    // Rows still to be read. These are asked and changed on the window's
    // thread, in two halves as the writes below: readMore runs on the worker
    // and touches only the reading cursor; keepMoreRows appends its rows.
    bool isReading() const;
    // False when the read ended early (it failed, or it was stopped): the
    // rows read so far are all there is.
    bool isComplete() const;
    struct MoreRows;
    // At least `rows` more rows, or all that remain. On failure the read
    // ends, its cursor and second connection are closed, and the rows read
    // before it come with the failure's message (failureOf).
    std::shared_ptr<MoreRows> readMore(qint64 rows) const;
    static qint64 rowsIn(const MoreRows &more);
    static std::optional<QString> failureOf(const MoreRows &more);
    // True when these were the last rows.
    bool keepMoreRows(const std::shared_ptr<MoreRows> &more);
    // The read ended without its last rows (after readMore failed, or when
    // the user stopped it).
    void markIncomplete();
    // Whether rows written now go through a connection of their own.
    bool writesBesideRead() const;

    // Reads the table again on the same connection: rows, columns and key as
    // they are now, in two halves as sendRow and keepWrittenRow below are.
    // readAgain only reads; on failure (DatabaseError, AppError) nothing
    // changes. keepFreshTable then puts the new rows in place.
    struct FreshTable;
    std::shared_ptr<FreshTable> readAgain(const Progress &progress = {}) const;
    void keepFreshTable(const std::shared_ptr<FreshTable> &fresh);

    const QString &tableName() const;
    int columnCount() const;
    const ColumnInfo &column(int index) const;
    qint64 rowCount() const;

    bool isNull(qint64 row, int column) const;
    // Whether the database keeps empty text as NULL, so that the two are one.
    bool storesEmptyTextAsNull() const;
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

    // New values of the changed columns of one row; nullopt writes NULL, and
    // so does empty text where the database keeps it as NULL.
    using Changes = std::vector<std::pair<int, std::optional<QString>>>;

    // UPDATE of the changed columns only, WHERE the key columns (or, without
    // a primary key, every comparable column) and the changed columns equal
    // their values in the snapshot; committed only when exactly one row was
    // affected. On success the snapshot row holds what the database now holds.
    // Throws DatabaseError or RowConflictError; on failure nothing changes.
    void writeRow(qint64 row, const Changes &changes);

    // writeRow in its two halves, for a write that runs beside the window:
    // sendRow talks to the database and only reads the snapshot, so the
    // window may go on showing it; keepWrittenRow then stores the row, on the
    // window's thread. An empty WrittenRow (nothing changed) keeps nothing.
    struct WrittenRow {
        qint64 row = -1;
        RowValues written;
        std::vector<bool> known;
        std::optional<std::vector<std::optional<QByteArray>>> stored; // as read back
    };
    WrittenRow sendRow(qint64 row, const Changes &changes) const;
    void keepWrittenRow(const WrittenRow &written);

    // A row to put in at `position` of the snapshot, with the values of the
    // given columns; the table's defaults fill the others.
    struct NewRow {
        qint64 position = 0;
        Changes values;
    };

    // One INSERT per row, all in one transaction, committed only when each
    // inserted exactly one row. The rows then join the snapshot at their
    // positions (ascending, each counted with the ones before it in place)
    // and are read back: by the key where its values are known, else by
    // every comparable value given, when that finds exactly one row. A row
    // that cannot be found keeps the given values, NULL elsewhere, and is not
    // isReadBack() until a later write finds it. Throws DatabaseError or
    // RowConflictError; on failure nothing changes.
    void insertRows(const std::vector<NewRow> &rows);
    // Its two halves: the rows as read back, each at its position.
    std::vector<WrittenRow> sendInsert(const std::vector<NewRow> &rows) const;
    void keepInsertedRows(const std::vector<WrittenRow> &inserted);

    // One DELETE per row, identified by the key and every comparable value
    // it was read with, all in one transaction, committed only when each
    // deleted exactly one row: a row another user changed or deleted meanwhile
    // deletes nothing at all, and the RowConflictError names it. The rows then
    // leave the snapshot; those after them move up.
    void deleteRows(std::vector<qint64> rows);
    // Its two halves: sendDelete gives the rows deleted, ascending.
    std::vector<qint64> sendDelete(std::vector<qint64> rows) const;
    void keepDeletedRows(const std::vector<qint64> &deleted);

    // One row read again by its key (without a key, by every value it was
    // read with), in two halves as above: sendRowRead only reads and throws
    // RowConflictError (goneText) when the database no longer holds the row;
    // keepFreshRow then puts the values read in the row's place, as its new
    // originals.
    WrittenRow sendRowRead(qint64 row) const;
    void keepFreshRow(const WrittenRow &fresh);

    // False for an inserted row whose generated or default values are not
    // known, because it could not be found again.
    bool isReadBack(qint64 row) const;
    RowValues rowValues(qint64 row) const;
    // The values that insertRows needs to put the row back as it is: every
    // writable column whose value is known. nullopt when a column that cannot
    // be written here holds a value, so the row could not be put back whole.
    std::optional<Changes> restoringValues(qint64 row) const;

private:
    TableSnapshot();
    // The calls above, each tried once; the public ones make a call that
    // found the connection lost once more on a new one.
    std::shared_ptr<FreshTable> readAgainOnce(const Progress &progress) const;
    WrittenRow sendRowOnce(qint64 row, const Changes &changes) const;
    std::vector<WrittenRow> sendInsertOnce(const std::vector<NewRow> &rows) const;
    std::vector<qint64> sendDeleteOnce(std::vector<qint64> rows) const;
    WrittenRow sendRowReadOnce(qint64 row) const;

    struct Data;
    std::unique_ptr<Data> d;
};

class RowConflictError : public AppError {
public:
    explicit RowConflictError(const QString &description, int failedStatement = -1)
        : AppError(description), failedStatement_(failedStatement) {}
    // Which of several statements run together matched no row or several; -1
    // when unknown.
    int failedStatement() const noexcept { return failedStatement_; }
    // The update matched no row.
    static constexpr QStringView changedOrDeletedText =
        u"The row was not written: another user has changed or deleted it since the table was opened.";
    // The update matched no row, yet the row is still there as it was read:
    // the database itself declined the change.
    static constexpr QStringView refusedText =
        u"The row was not written: it is still there unchanged, but the database did not apply the change "
        u"(a rule, a trigger or a row-level security policy of the table refused it).";
    // An insert that added no row, without an error: a rule or trigger of
    // the table dropped it.
    static constexpr QStringView insertRefusedText =
        u"The row was not written: the database did not add it (a rule or a trigger of the table refused it).";
    // The update matched several rows (a table without a primary key holding
    // identical rows); it was rolled back.
    static constexpr QStringView notUniqueText =
        u"The row was not written: it cannot be told apart from other rows of the table that hold the same "
        u"values, and changing it would change them all.";
    // A row read again is not in the database: by its key it is gone; a
    // row without a key is not there as it was read.
    static constexpr QStringView goneText =
        u"The row is no longer in the database: another user has deleted it since the table was opened.";
    static constexpr QStringView goneOrChangedText =
        u"The row is no longer in the database as it was read: another user has changed or deleted it since "
        u"the table was opened.";
    // Put before one of the two texts above when rows are deleted together.
    static constexpr QStringView nothingDeletedText = u"Nothing was deleted, because of the row with %1:";

private:
    int failedStatement_;
};

} // namespace db
