#include "db/table_snapshot.h"
#include "editor/undo_history.h"
#include "support/sqlite_database.h"

#include <QtTest>

// Taking back written changes newest first, on a SQLite table: each step
// finds its rows where the steps after it left them, a step that cannot be
// taken back stays for another try, and the database's half only reads.
namespace {

using Changes = db::TableSnapshot::Changes;

QString rowsOf(const db::TableSnapshot &snapshot)
{
    QStringList rows;
    for (qint64 row = 0; row < snapshot.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < snapshot.columnCount(); ++column)
            cells << (snapshot.isNull(row, column) ? QStringLiteral("-") : snapshot.text(row, column));
        rows << cells.join(u'|');
    }
    return rows.join(u' ');
}

Changes previousValues(const db::TableSnapshot &snapshot, qint64 row, const std::vector<int> &columns)
{
    Changes previous;
    for (int column : columns)
        previous.emplace_back(column, snapshot.isNull(row, column) ? std::nullopt
                                                                   : std::optional(snapshot.text(row, column)));
    return previous;
}

// Both halves of an undo, one after the other, as the grid's model runs them.
UndoHistory::Undone undoLast(UndoHistory &history, db::TableSnapshot &snapshot)
{
    const UndoHistory::Step *step = history.newest();
    if (!step)
        return {};
    return history.keepUndone(snapshot, UndoHistory::sendUndo(snapshot, *step));
}

} // namespace

class UndoHistoryTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        database_ = std::make_unique<SqliteDatabase>();
        TABVALE_REQUIRE_SQLITE(*database_);
        database_->exec(QStringLiteral(
            "CREATE TABLE people (id INTEGER PRIMARY KEY, name TEXT NOT NULL, city TEXT DEFAULT 'Oslo');"
            "INSERT INTO people VALUES (1, 'Ann', 'Rome'), (2, 'Bob', NULL), (3, 'Cyd', 'Bern'), (4, 'Dan', 'Kiel');"
            "CREATE TABLE pictures (id INTEGER PRIMARY KEY, photo BFILE, thumb BLOB);"
            "INSERT INTO pictures VALUES (1, 'dir/a.jpg', x'0102'), (2, NULL, x'00ff');"));
    }
    void cleanup() { database_.reset(); }

    // Updates, inserts and deletes mixed, taken back one by one: after each
    // step the table and the snapshot are as they were before it.
    void stepsAreTakenBackNewestFirst()
    {
        const auto snapshot = database_->open(QStringLiteral("people"));
        const QString start = database_->query(QStringLiteral("SELECT * FROM people ORDER BY id")).join(u' ');
        UndoHistory history;
        QVERIFY(history.isEmpty());
        QStringList tables{start}, snapshots{rowsOf(*snapshot)};
        const auto remember = [&] {
            tables << database_->query(QStringLiteral("SELECT * FROM people ORDER BY id")).join(u' ');
            snapshots << rowsOf(*snapshot);
        };

        // Bob's NULL city gets a value.
        Changes previous = previousValues(*snapshot, 1, {2});
        snapshot->writeRow(1, {{2, QStringLiteral("Wien")}});
        history.recordUpdate(1, previous);
        remember();
        // Two rows go, the first and the third.
        UndoHistory::Step deletion = UndoHistory::deletion(*snapshot, {2, 0});
        snapshot->deleteRows({0, 2});
        history.record(std::move(deletion));
        remember();
        // A new row at the end, its city from the default.
        snapshot->insertRows({{snapshot->rowCount(), {{1, QStringLiteral("Eve")}}}});
        history.recordInsert(snapshot->rowCount() - 1);
        remember();
        // Then the new row is changed, and Bob again.
        previous = previousValues(*snapshot, 2, {1, 2});
        snapshot->writeRow(2, {{1, QStringLiteral("Eva")}, {2, std::nullopt}});
        history.recordUpdate(2, previous);
        remember();
        previous = previousValues(*snapshot, 0, {1});
        snapshot->writeRow(0, {{1, QStringLiteral("Bobby")}});
        history.recordUpdate(0, previous);
        QCOMPARE(rowsOf(*snapshot), QStringLiteral("2|Bobby|Wien 4|Dan|Kiel 5|Eva|-"));

        const struct {
            UndoHistory::Kind kind;
            std::vector<qint64> rows;
            int back; // the state it goes back to
        } undos[] = {
            {UndoHistory::Kind::Updated, {0}, 4},
            {UndoHistory::Kind::Updated, {2}, 3},
            {UndoHistory::Kind::Inserted, {2}, 2},
            {UndoHistory::Kind::Deleted, {0, 2}, 1},
            {UndoHistory::Kind::Updated, {1}, 0},
        };
        for (const auto &expected : undos) {
            const UndoHistory::Undone undone = undoLast(history, *snapshot);
            QCOMPARE(int(undone.kind), int(expected.kind));
            QCOMPARE(undone.rows, expected.rows);
            QCOMPARE(database_->query(QStringLiteral("SELECT * FROM people ORDER BY id")).join(u' '),
                     tables[expected.back]);
            QCOMPARE(rowsOf(*snapshot), snapshots[expected.back]);
        }
        QVERIFY(history.isEmpty());
        QCOMPARE(undoLast(history, *snapshot).rows, std::vector<qint64>{});
    }

    // Another user's change since: the undo is refused, writes nothing and
    // stays, to succeed once the change is gone.
    void aRefusedUndoStaysForAnotherTry()
    {
        const auto snapshot = database_->open(QStringLiteral("people"));
        UndoHistory history;
        const Changes previous = previousValues(*snapshot, 0, {2});
        snapshot->writeRow(0, {{2, QStringLiteral("Milan")}});
        history.recordUpdate(0, previous);
        database_->exec(QStringLiteral("UPDATE people SET city = 'Turin' WHERE id = 1"));
        QVERIFY_THROWS_EXCEPTION(db::RowConflictError, undoLast(history, *snapshot));
        QVERIFY(!history.isEmpty());
        QCOMPARE(database_->query(QStringLiteral("SELECT city FROM people WHERE id = 1")), QStringList{"Turin"});

        database_->exec(QStringLiteral("UPDATE people SET city = 'Milan' WHERE id = 1"));
        undoLast(history, *snapshot);
        QVERIFY(history.isEmpty());
        QCOMPARE(database_->query(QStringLiteral("SELECT city FROM people WHERE id = 1")), QStringList{"Rome"});
    }

    // Rows holding a value that cannot be written back (a file the database
    // only points to) cannot be put back: the undo says so and changes
    // nothing; an insert still can be undone.
    void rowsThatCannotBeWrittenBackStayDeleted()
    {
        const auto snapshot = database_->open(QStringLiteral("pictures"));
        UndoHistory history;
        UndoHistory::Step step = UndoHistory::deletion(*snapshot, {0});
        QVERIFY(!step.notRestorable.isEmpty());
        snapshot->deleteRows({0});
        history.record(std::move(step));
        try {
            undoLast(history, *snapshot);
            QFAIL("the rows were put back");
        } catch (const AppError &error) {
            QCOMPARE(error.description(), QStringLiteral("The deleted rows cannot be put back: one of them holds a "
                                                         "value in a column that cannot be written here."));
        }
        QVERIFY(!history.isEmpty());
        QCOMPARE(database_->query(QStringLiteral("SELECT count(*) FROM pictures")), QStringList{"1"});

        // A row whose unwritable column is NULL goes back whole.
        UndoHistory other;
        UndoHistory::Step empty = UndoHistory::deletion(*snapshot, {0});
        QVERIFY(empty.notRestorable.isEmpty());
        snapshot->deleteRows({0});
        other.record(std::move(empty));
        undoLast(other, *snapshot);
        QCOMPARE(database_->query(QStringLiteral("SELECT id, photo IS NULL FROM pictures")), QStringList{"2|1"});
        // Binary values are written back as the bytes they were.
        QCOMPARE(database_->query(QStringLiteral("SELECT hex(thumb) FROM pictures")), QStringList{"00FF"});
    }

    // The database's half changes neither the snapshot nor the history, so
    // that a wait given up after it leaves both as they were; the keep half
    // then takes the step.
    void theDatabasesHalfOnlyReads()
    {
        const auto snapshot = database_->open(QStringLiteral("people"));
        UndoHistory history;
        snapshot->insertRows({{4, {{1, QStringLiteral("Eve")}}}});
        history.recordInsert(4);
        const QString before = rowsOf(*snapshot);

        const UndoHistory::Sent sent = UndoHistory::sendUndo(*snapshot, *history.newest());
        QCOMPARE(rowsOf(*snapshot), before);
        QCOMPARE(database_->query(QStringLiteral("SELECT count(*) FROM people")), QStringList{"4"});
        QVERIFY(!history.isEmpty());

        const auto undone = history.keepUndone(*snapshot, sent);
        QCOMPARE(undone.rows, std::vector<qint64>{4});
        QCOMPARE(database_->query(QStringLiteral("SELECT count(*) FROM people")), QStringList{"4"});
        QCOMPARE(snapshot->rowCount(), 4);
        QVERIFY(history.isEmpty());
    }

    // Another user deletes a row between the steps: the steps of that row
    // go, and every other step still takes back its own row, also across a
    // delete that put rows back above it.
    void aRowDeletedByAnotherUserIsForgotten()
    {
        const auto snapshot = database_->open(QStringLiteral("people"));
        UndoHistory history;
        // Cyd and Dan get new cities, Ann goes, Eve comes, Bob is renamed.
        for (qint64 row : {2, 3}) {
            const Changes previous = previousValues(*snapshot, row, {2});
            snapshot->writeRow(row, {{2, QStringLiteral("Oslo")}});
            history.recordUpdate(row, previous);
        }
        UndoHistory::Step deletion = UndoHistory::deletion(*snapshot, {0});
        snapshot->deleteRows({0});
        history.record(std::move(deletion));
        snapshot->insertRows({{3, {{1, QStringLiteral("Eve")}}}});
        history.recordInsert(3);
        Changes previous = previousValues(*snapshot, 0, {1});
        snapshot->writeRow(0, {{1, QStringLiteral("Bobby")}});
        history.recordUpdate(0, previous);
        QCOMPARE(rowsOf(*snapshot), QStringLiteral("2|Bobby|- 3|Cyd|Oslo 4|Dan|Oslo 5|Eve|Oslo"));

        // Cyd is deleted by someone else and leaves the snapshot.
        database_->exec(QStringLiteral("DELETE FROM people WHERE id = 3"));
        snapshot->keepDeletedRows({1});
        history.forgetRow(1);

        while (!history.isEmpty())
            undoLast(history, *snapshot);
        QCOMPARE(rowsOf(*snapshot), QStringLiteral("1|Ann|Rome 2|Bob|- 4|Dan|Kiel"));
        QCOMPARE(database_->query(QStringLiteral("SELECT * FROM people ORDER BY id")),
                 QStringList({"1|Ann|Rome", "2|Bob|", "4|Dan|Kiel"}));
    }

    // A row put back where another user's deletion left it shown: undoing
    // that takes it out for good, and the steps before still find theirs.
    void undoingARowPutBackInPlaceForgetsIt()
    {
        const auto snapshot = database_->open(QStringLiteral("people"));
        UndoHistory history;
        const Changes previous = previousValues(*snapshot, 3, {2});
        snapshot->writeRow(3, {{2, QStringLiteral("Oslo")}});
        history.recordUpdate(3, previous);

        database_->exec(QStringLiteral("DELETE FROM people WHERE id = 2"));
        const std::vector<db::TableSnapshot::WrittenRow> inserted =
            snapshot->sendInsert({{1, {{0, QStringLiteral("2")}, {1, QStringLiteral("Bo")}}}});
        snapshot->keepWrittenRow(inserted.front());
        history.recordInsertInPlace(1);
        QCOMPARE(rowsOf(*snapshot), QStringLiteral("1|Ann|Rome 2|Bo|Oslo 3|Cyd|Bern 4|Dan|Oslo"));

        QCOMPARE(undoLast(history, *snapshot).rows, std::vector<qint64>{1});
        QCOMPARE(rowsOf(*snapshot), QStringLiteral("1|Ann|Rome 3|Cyd|Bern 4|Dan|Oslo"));
        QCOMPARE(undoLast(history, *snapshot).rows, std::vector<qint64>{2});
        QCOMPARE(rowsOf(*snapshot), QStringLiteral("1|Ann|Rome 3|Cyd|Bern 4|Dan|Kiel"));
        QCOMPARE(database_->query(QStringLiteral("SELECT * FROM people ORDER BY id")),
                 QStringList({"1|Ann|Rome", "3|Cyd|Bern", "4|Dan|Kiel"}));
        QVERIFY(history.isEmpty());
    }

private:
    std::unique_ptr<SqliteDatabase> database_;
};

QTEST_GUILESS_MAIN(UndoHistoryTest)
#include "undo_history_test.moc"
