#pragma once

#include "db/table_snapshot.h"
#include "editor/row_filter.h"
#include "editor/row_order.h"
#include "editor/undo_history.h"

class AppError;
namespace background {
class CallControl;
}

#include <QAbstractTableModel>
#include <QColor>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <type_traits>

// The rows of the table being edited. Edits of one row are held as pending
// until the row is committed (when the user leaves it); only then are they
// written to the database. A row the database refuses keeps the user's text,
// so nothing typed is lost, and can be corrected or reverted. The last line
// is the new-row line: typing into it starts a new row, written with an
// INSERT when it is left. Every written change can be undone, newest first.
class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TableModel(QObject *parent = nullptr);
    ~TableModel() override;

    // Shows another table (or none); the previous snapshot and its
    // connection are released.
    void setSnapshot(std::unique_ptr<db::TableSnapshot> snapshot);
    const db::TableSnapshot *snapshot() const { return snapshot_.get(); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // The text a cell shows: the pending edit where there is one.
    QString cellText(int row, int column) const;
    bool isNumericColumn(int column) const;
    // Whether the cell holds NULL, or will once its row is written; a new
    // row's untouched cell takes the column's default and is not NULL.
    bool isNullCell(int row, int column) const;
    static constexpr QStringView nullToolTip = u"NULL";
    // Faint enough that the text of the row around it still reads as one.
    static constexpr QColor nullTint = QColor(0xEE, 0xEA, 0xF6);

    // The rows of the table, with a new row being typed, without the
    // new-row line below them.
    int dataRowCount() const;
    bool isNewRowLine(int row) const { return snapshot_ && row == dataRowCount(); }
    // Whether the row is a new one not yet written.
    bool isNewRow(int row) const { return newRowPending_ && row == pendingRow_; }

    bool hasPendingEdit() const { return pendingRow_ >= 0; }
    int pendingRow() const { return pendingRow_; }
    // Column -> text the user typed into the pending row.
    const std::map<int, QString> &pendingEdits() const { return pending_; }

    // Rows are counted as the grid shows them; this is the row of the table
    // behind one.
    qint64 tableRow(qint64 row) const
    {
        return unseen_.empty() && !orderBefore_ ? order_.tableRow(row) : tableRowWhileAnnouncing(row);
    }
    const RowOrder &rowOrder() const { return order_; }
    // Sorts by a column, or puts back the table's own order (nullopt). The
    // pending row is written first; false when the database refused it.
    bool sortByColumn(int column, std::optional<Qt::SortOrder> order);

    // Shows only the rows the filter lets through (an empty filter shows
    // every row), in the order they have, writing the pending row first;
    // false when the database refused it. Rows edited while filtered stay
    // shown until the next filter; rows added show at the end.
    bool setRowFilter(RowFilter filter);
    const RowFilter &rowFilter() const { return filter_; }
    qint64 tableRowCount() const;

    // Reads the table again, writing the pending row first; the sort and
    // the filter stay.
    // Returns the row that now shows what `row` showed (the same key), else
    // `row` within the new rows; nullopt when the pending row was refused or
    // the table could not be read (rowRejected for `row`, the rows as they
    // were).
    std::optional<int> reload(int row);

    // Reads one row again from the database, without the rest of the table;
    // what the user typed into it stays, shown over the fresh values, and is
    // then written over them. False (rowRejected) when it could not be read
    // or another user deleted it. A new row not yet written has nothing to
    // read.
    bool reloadRow(int row);

    // The row as the database holds it now, read by its key without
    // changing anything; `stored` is empty when it is gone. nullopt when it
    // could not be read (rowRejected).
    std::optional<db::TableSnapshot::WrittenRow> readRowNow(int row);
    // Makes the values read the row's values, as if the table had been read
    // with them; what was typed into it stays pending.
    void takeFreshRow(const db::TableSnapshot::WrittenRow &fresh);

    // Inserts the pending row again, after another user deleted it: the
    // typed values, and the others as the row was read. It stays where it
    // is shown; undo deletes it again. False (rowRejected) when refused,
    // or when the row holds a value that cannot be written here.
    bool insertPendingRowAgain();

    // Takes a row another user deleted out of the grid and the snapshot,
    // dropping what was typed into it. The database is not touched, so this
    // is no step of undo: the steps that concern the row go, the others
    // still find their rows. False when another row is being edited.
    bool forgetGoneRow(int row);

    // The written change the next undo takes back; nullptr when there is
    // none (a pending edit is taken back before it).
    const UndoHistory::Step *nextUndo() const { return history_.newest(); }
    // After an undo of a change refused because another user changed the
    // row since: `now` (readRowNow) becomes the row's values and the undo
    // is written over them, under the same rule; undo can then put their
    // values back. False (rowRejected) when refused again.
    bool undoOverTheirs(const db::TableSnapshot::WrittenRow &now);
    // Or their values stay: the row shows them and the change is no longer
    // one undo takes back.
    void keepTheirsOverUndo(const db::TableSnapshot::WrittenRow &now);
    // Or, for a row another user deleted, the row is put back as the undo
    // would leave it (the other values as read), where it is shown; undo
    // deletes it again. False (rowRejected) when refused.
    bool putBackUndoneRow(int row);
    // After an undo of an insert refused because another user changed the
    // row since: the row is deleted as `now` holds it, and undo can put
    // their row back; false (rowRejected) when refused again. Or their row
    // stays, showing `now`, and the insert is no longer one undo takes back.
    bool undoInsertOverTheirs(const db::TableSnapshot::WrittenRow &now);
    void keepTheirsOverUndoneInsert(const db::TableSnapshot::WrittenRow &now);

    // Writes the pending row. On refusal emits rowRejected with the reason,
    // keeps the user's text and returns false.
    bool commitPendingRow();
    // Puts back the values the pending row had before it was edited; a new
    // row goes again.
    void revertPendingRow();

    // Empties the cell as NULL, to be written when the row is left; a new
    // row's cell is then written as NULL instead of taking its default.
    bool setNull(const QModelIndex &index);
    // Sets the cell to empty text, which is written as empty text, not NULL,
    // where the database tells the two apart (the grid's own empty cell is
    // NULL).
    bool setEmptyText(const QModelIndex &index);

    // Puts a whole binary value (its bytes as binary text, see
    // db/binary_text.h; nullopt for NULL) into the cell, to be written when
    // the row is left. The grid shows binary cells but takes no typing into
    // them; the record view loads them from files through this.
    bool setBinary(const QModelIndex &index, const std::optional<QString> &binaryText);
    static constexpr QStringView binaryColumnText =
        u"This column holds binary data: change it in Row Details (Ctrl+Return), where it is loaded from a file.";

    // Deletes the rows from the table in one write (a new row not yet written
    // is only dropped). On refusal emits rowRejected and returns false.
    bool deleteRows(std::vector<int> rows);

    bool canUndo() const { return hasPendingEdit() || !history_.isEmpty(); }
    // Takes back the pending edit, or else the newest written change. On
    // refusal emits rowRejected for the row the change concerns (where
    // deleted rows would go back) and returns false.
    bool undo();

    // The cells of rows top..bottom and columns left..right as tab-separated
    // text; the new-row line gives nothing.
    QString copyText(int top, int left, int bottom, int right) const;
    // The same of the given columns, in their order (as the grid shows them).
    QString copyText(int top, int bottom, const std::vector<int> &columns) const;
    // Writes tab-separated text into the cells from (row, column) rightwards
    // and downwards, each row written as it is left; rows past the last one
    // are inserted. Stops at a row the database refuses (rowRejected, false),
    // which is then the pending row. Cells of columns that cannot be changed
    // are left as they are and the rest of their row is pasted; when that
    // left out text differing from theirs, pasteLeftOut names the columns.
    bool pasteText(int row, int column, const QString &text);
    // The same, rightwards through the given columns only.
    bool pasteText(int row, const std::vector<int> &columns, const QString &text);

    // How a database call of the model is waited for: `call` runs, its
    // failure is thrown, and background::Cancelled when the user gave up
    // waiting. True when the user pressed Cancel once the call could no longer
    // be stopped (it had committed): what it did stands. The window sets one
    // that runs it beside itself; none runs it here. `call` must own what it
    // uses: a call given up may end later.
    using DatabaseWait = std::function<bool(const QString &what, std::function<void()> call)>;
    void setDatabaseWait(DatabaseWait wait) { wait_ = std::move(wait); }

    static constexpr QStringView cancelledWriteText = u"The row was not written: you cancelled the write.";
    static constexpr QStringView cancelledDeleteText = u"Nothing was deleted: you cancelled the delete.";
    static constexpr QStringView cancelledUndoText = u"Nothing was undone: you cancelled the write.";
    static constexpr QStringView writtenBeforeCancelText = u"The row was written before the cancel arrived.";
    static constexpr QStringView deletedBeforeCancelText = u"The rows were deleted before the cancel arrived.";
    static constexpr QStringView undoneBeforeCancelText = u"The change was undone before the cancel arrived.";

    // The rest of a table opened with its first rows only is read beside
    // the window, a part at a time, each part joining the views at the end
    // (the rows shown, the current cell and a pending edit stay as they are).
    // Rows written meanwhile queue between two parts. Sorting, filtering,
    // reloading, inserting and deleting first wait for the read through the
    // read wait, which the window sets (none: they go on with the rows read).
    bool isReading() const;
    // The read broke off (the user was told): the rows read so far are all
    // there is, until the table is read again.
    bool isIncomplete() const;
    // Ends the read where it is; its statement is cancelled on the server.
    void stopReading();
    // Waits until the read has ended; false when the user gave the wait up.
    bool waitForWholeTable();
    using ReadWait = std::function<bool()>;
    void setReadWait(ReadWait wait) { readWait_ = std::move(wait); }
    // Rows per part, from the second part on.
    static constexpr qint64 rowsPerPart = 10000;

    // Why a column's cells cannot be changed here; empty when they can.
    QString readOnlyReason(int column) const;

    static constexpr QStringView cannotPutBackText =
        u"The row cannot be put back: it holds a value that cannot be written here.";
    static constexpr QStringView pasteLeftOutText =
        u"Pasted, except into these columns, which cannot be changed here and kept their values: %1.";

signals:
    void rowRejected(int row, const QString &reason);
    // A change the user tried to cancel had already been made, and is kept.
    void cancelCameTooLate(const QString &text);
    void pasteLeftOut(const QString &note);
    // Rows of the read came, or the read ended (readingChanged with
    // isReading() false).
    void readingChanged();

private:
    // The outcome of one part of the read, taken on the window's thread.
    struct ReadPart;
    void readNextPart();
    void takeReadPart(const std::shared_ptr<ReadPart> &part);
    void takeHeldReadPart();
    // Lets go of the snapshot once the worker no longer uses it.
    void releaseSnapshot();

private:
    // The filter across a reading of the table: kept by column name.
    std::vector<QString> filteredColumnNames() const;
    void refilterAfterReading(const std::vector<QString> &filteredNames);

    // What one database call of the model shows and tells: the wait's text,
    // what the user is told when they gave up the wait (empty: the wait's own
    // words), and when their Cancel came after the call had committed.
    struct CallTexts {
        QString waiting;
        QStringView givenUp;
        QStringView doneBeforeCancel;
    };
    // The row a refusal is reported for; `rowOfFailure`, where set, may name
    // another row by the failure (the one row of several that was refused).
    struct RefusalRow {
        RefusalRow(int row, std::function<int(const AppError &)> rowOfFailure = {})
            : row(row), rowOfFailure(std::move(rowOfFailure)) {}
        int row;
        std::function<int(const AppError &)> rowOfFailure;
    };

    // The one road of every database call of the model: `send` runs through
    // the wait (beside the window, on the worker) and only reads the
    // snapshot; `keep` then takes its result on this thread and changes the
    // model. A failure or a wait given up is reported once, through
    // rowRejected, and nothing is kept. Adding a call is one `send` and one
    // `keep`.
    template <class Send, class Keep>
    bool callDatabase(const CallTexts &texts, const RefusalRow &refusal, Send send, Keep keep)
    {
        using Result = std::invoke_result_t<Send &>;
        // Shared with the call, which a wait given up leaves running.
        auto result = std::make_shared<std::optional<Result>>();
        bool cancelTooLate = false;
        if (!waitForCall(texts, refusal, [result, send]() mutable { result->emplace(send()); }, cancelTooLate))
            return false;
        keep(**result);
        if (cancelTooLate && !texts.doneBeforeCancel.isEmpty())
            emit cancelCameTooLate(texts.doneBeforeCancel.toString());
        return true;
    }
    // The wait of callDatabase; false (and rowRejected) when the call failed
    // or the user gave it up.
    bool waitForCall(const CallTexts &texts, const RefusalRow &refusal, std::function<void()> call,
                     bool &cancelTooLate);

    // Inserts the row at grid row `row` again with `over` over the values
    // it was read with, in its place (another user deleted it).
    bool putRowBack(int row, const db::TableSnapshot::Changes &over, const std::function<void()> &recorded);

    void emitRowChanged(int row);
    void startNewRow(int row);
    void dropNewRow();
    // Where the views would see a deleted row again: after the row before it.
    int gridRowToRestore(qint64 tableRow) const;
    // Rows leave and join the views one announcement at a time, while the
    // views go on reading the rows around them. Rows going are announced
    // before `keep` takes them out of the snapshot (the views read the
    // table as it was, without the rows already announced); rows coming are
    // announced after `keep` has put them in (the views read the new table,
    // without the rows not yet announced).
    void removeRows(const std::vector<qint64> &ascendingTableRows, const std::function<void()> &keep);
    void restoreRows(const std::vector<qint64> &ascendingTableRows, const std::function<void()> &keep);
    qint64 tableRowWhileAnnouncing(qint64 row) const;

    std::unique_ptr<db::TableSnapshot> snapshot_;
    DatabaseWait wait_;
    RowOrder order_;
    RowFilter filter_;
    // Whether the rows hidden all failed filter_, so that a narrower filter
    // need look only at the rows shown; an undo may change a hidden row.
    bool narrowable_ = true;
    int pendingRow_ = -1;
    bool newRowPending_ = false;
    std::map<int, QString> pending_; // column -> text typed by the user
    // Pending columns whose empty text is empty text rather than NULL.
    std::set<int> emptyTextKept_;
    // While setBinary puts a value in, a binary cell takes it.
    bool puttingBinary_ = false;
    bool takesValue(const QModelIndex &index) const;
    // Whether a value can be put into the cell now, with no other row left
    // pending (it is written first); false for the new-row line.
    bool canSetCellOf(const QModelIndex &index);
    bool isBinaryColumn(int column) const;
    // The snapshot's rows as the views know them, which differs from the
    // snapshot's count while rows going or coming are announced.
    int shownRows_ = 0;
    // While rows are announced: the grid rows (of orderBefore_ while rows
    // go, of order_ while rows come) that the snapshot has and the views do
    // not see, ascending.
    std::vector<qint64> unseen_;
    std::optional<RowOrder> orderBefore_;
    UndoHistory history_;
    // The read going on beside the window: its part on the worker, a part
    // that came during another database call (kept once that call is done,
    // since the call reads the snapshot meanwhile), and which snapshot it is
    // for.
    std::shared_ptr<background::CallControl> readingCall_;
    // What the part on the worker keeps alive: once the read is stopped the
    // part is left behind (a driver may not cancel a fetch that waits on the
    // server), and the snapshot goes with it when it ends.
    struct ReadKeeper;
    std::shared_ptr<ReadKeeper> readKeeper_;
    bool readLeftBehind_ = false;
    std::shared_ptr<ReadPart> heldPart_;
    int callsWaiting_ = 0;
    quint64 readGeneration_ = 0;
    ReadWait readWait_;
};
