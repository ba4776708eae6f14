#include "app/background_call.h"
#include "db/table_snapshot.h"
#include "editor/cell_tooltip.h"
#include "editor/table_model.h"
#include "editor/ui/data_grid.h"
#include "support/message_capture.h"
#include "support/sqlite_database.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QTextDocument>
#include <QtTest>

// The grid's model on a real SQLite table, with Qt's model tester watching
// every signal it sends: the rows the views are told about must always be
// the rows it has, through edits, new rows, deletes, undos, sorts, reloads
// and refusals; a refusal names the row the user is in.
namespace {

using Rejection = std::pair<int, QString>;

// A model on one table, with what it refused.
class OpenModel {
public:
    OpenModel(const SqliteDatabase &database, const QString &table)
    {
        QObject::connect(&model, &TableModel::rowRejected,
                         [this](int row, const QString &reason) { rejections.emplace_back(row, reason); });
        model.setSnapshot(database.open(table));
    }

    QModelIndex at(int row, int column) const { return model.index(row, column); }
    bool set(int row, int column, const QString &text) { return model.setData(model.index(row, column), text); }
    QString header(int row) const { return model.headerData(row, Qt::Vertical).toString(); }
    // The id column of every row, in the grid's order.
    QString ids() const
    {
        QStringList ids;
        for (int row = 0; row < model.dataRowCount(); ++row)
            ids << model.cellText(row, 0);
        return ids.join(u',');
    }

    TableModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};
    std::vector<Rejection> rejections;
};

// What a view reads of the row next to rows being removed or inserted,
// while they are announced and once they are gone or in: the same row, or
// the view shows another row's values under it.
class NeighbourWatch {
public:
    explicit NeighbourWatch(const QAbstractItemModel &model)
    {
        const auto id = [&model](int row) { return model.index(row, 0).data().toString(); };
        QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved,
                         [this, id](const QModelIndex &, int, int last) { announced << id(last + 1); });
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved,
                         [this, id](const QModelIndex &, int first, int) { after << id(first); });
        QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeInserted,
                         [this, id](const QModelIndex &, int first, int) { announced << id(first); });
        QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                         [this, id](const QModelIndex &, int, int last) { after << id(last + 1); });
    }
    QStringList announced, after;
};

const QString pendingMark = QStringLiteral("\u270E");
const QString checkFailed = QStringLiteral("CHECK constraint failed");

} // namespace

class TableModelTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        database_ = std::make_unique<SqliteDatabase>();
        TABVALE_REQUIRE_SQLITE(*database_);
        database_->exec(QStringLiteral(
            "CREATE TABLE people (id INTEGER PRIMARY KEY, name TEXT NOT NULL CHECK (name <> 'bad'), "
            "  city TEXT DEFAULT 'Oslo', age INTEGER);"
            "INSERT INTO people VALUES (1, 'Ann', 'Rome', 30), (2, 'Bob', 'Paris', 25), (3, 'Cyd', NULL, 41), "
            "  (4, 'Dan', 'Bern', 25), (5, 'Eve', 'Kiel', 19);"));
    }
    void cleanup() { database_.reset(); }

    // Sorted descending by age, the grid's rows stay where the user sees
    // them while rows are written, added, deleted and taken back.
    void aSortedGridFollowsEveryChange()
    {
        OpenModel open(*database_, QStringLiteral("people"));
        QVERIFY(open.model.sortByColumn(3, Qt::DescendingOrder));
        QCOMPARE(open.ids(), QStringLiteral("3,1,2,4,5"));

        QVERIFY(open.set(1, 3, QStringLiteral("50")));
        QCOMPARE(open.header(1), pendingMark);
        QVERIFY(open.model.commitPendingRow());
        QCOMPARE(open.header(1), QString());
        QCOMPARE(ages(), QStringLiteral("50,25,41,25,19"));
        QCOMPARE(open.ids(), QStringLiteral("3,1,2,4,5"));

        QVERIFY(open.set(5, 1, QStringLiteral("Fay")));
        QCOMPARE(open.model.rowCount(), 7);
        QCOMPARE(open.header(6), QStringLiteral("*"));
        QVERIFY(open.model.commitPendingRow());
        QCOMPARE(database_->query(QStringLiteral("SELECT * FROM people WHERE name = 'Fay'")),
                 QStringList{"6|Fay|Oslo|"});
        QCOMPARE(open.ids(), QStringLiteral("3,1,2,4,5,6"));
        QCOMPARE(open.model.cellText(5, 2), QStringLiteral("Oslo"));

        // Rows apart from each other in the grid go together.
        QVERIFY(open.model.deleteRows({2, 0}));
        QCOMPARE(open.ids(), QStringLiteral("1,4,5,6"));
        QCOMPARE(database_->query(QStringLiteral("SELECT group_concat(id) FROM people")), QStringList{"1,4,5,6"});

        QVERIFY(open.model.undo());
        QCOMPARE(open.ids(), QStringLiteral("1,2,3,4,5,6"));
        QCOMPARE(open.model.cellText(2, 3), QStringLiteral("41"));
        QCOMPARE(open.model.cellText(2, 2), QString());
        QVERIFY(open.model.snapshot()->isNull(open.model.tableRow(2), 2));
        QVERIFY(open.model.undo());
        QCOMPARE(open.ids(), QStringLiteral("1,2,3,4,5"));
        QVERIFY(open.model.undo());
        QCOMPARE(ages(), QStringLiteral("30,25,41,25,19"));
        QVERIFY(!open.model.canUndo());
        QCOMPARE(database_->query(QStringLiteral("SELECT group_concat(id) FROM people")), QStringList{"1,2,3,4,5"});
        QVERIFY(open.rejections.empty());
    }

    // While rows are announced as going or coming, the rows around them
    // must still show what they showed; only then are they renumbered.
    void neighboursOfAnnouncedRowsStayPut()
    {
        OpenModel open(*database_, QStringLiteral("people"));
        NeighbourWatch neighbours(open.model);
        QVERIFY(open.model.deleteRows({0, 1}));
        QVERIFY(open.model.undo());
        QCOMPARE(open.ids(), QStringLiteral("1,2,3,4,5"));
        QCOMPARE(neighbours.after.size(), 3);
        QCOMPARE(neighbours.announced, neighbours.after);
    }

    // A refused write keeps the user's text in its row; a delete refused
    // for one of several rows names that row; a wait the user gave up
    // writes nothing. Rows are counted as the sorted grid shows them.
    void refusalsNameTheRowTheUserIsIn()
    {
        OpenModel open(*database_, QStringLiteral("people"));
        QVERIFY(open.model.sortByColumn(3, Qt::AscendingOrder));
        QCOMPARE(open.ids(), QStringLiteral("5,2,4,1,3"));

        QVERIFY(open.set(3, 1, QStringLiteral("bad")));
        QVERIFY(!open.model.commitPendingRow());
        QCOMPARE(open.rejections.size(), size_t(1));
        QCOMPARE(open.rejections.back().first, 3);
        QVERIFY2(open.rejections.back().second.contains(checkFailed), qPrintable(open.rejections.back().second));
        QCOMPARE(open.model.cellText(3, 1), QStringLiteral("bad"));
        QCOMPARE(open.model.pendingRow(), 3);
        QCOMPARE(names(), QStringLiteral("Ann,Bob,Cyd,Dan,Eve"));
        open.model.revertPendingRow();
        QCOMPARE(open.model.cellText(3, 1), QStringLiteral("Ann"));
        QVERIFY(!open.model.hasPendingEdit());

        // Dan, the second of three rows, was changed by another user.
        database_->exec(QStringLiteral("UPDATE people SET city = 'Nice' WHERE id = 4"));
        QVERIFY(!open.model.deleteRows({1, 2, 3}));
        QCOMPARE(open.rejections.back().first, 2);
        QVERIFY2(open.rejections.back().second.contains(db::RowConflictError::changedOrDeletedText.toString()),
                 qPrintable(open.rejections.back().second));
        QCOMPARE(open.ids(), QStringLiteral("5,2,4,1,3"));
        QCOMPARE(database_->query(QStringLiteral("SELECT count(*) FROM people")), QStringList{"5"});

        QStringList waits;
        open.model.setDatabaseWait([&waits](const QString &what, std::function<void()>) -> bool {
            waits << what;
            throw background::Cancelled();
        });
        QVERIFY(open.set(1, 1, QStringLiteral("Bobby")));
        QVERIFY(!open.model.commitPendingRow());
        QCOMPARE(open.rejections.back(), Rejection(1, TableModel::cancelledWriteText.toString()));
        QCOMPARE(open.model.cellText(1, 1), QStringLiteral("Bobby"));
        QCOMPARE(open.model.pendingRow(), 1);
        open.model.revertPendingRow();
        QVERIFY(!open.model.deleteRows({4}));
        QCOMPARE(open.rejections.back(), Rejection(4, TableModel::cancelledDeleteText.toString()));
        QCOMPARE(waits, QStringList({"Writing the row...", "Deleting the rows..."}));
        QCOMPARE(open.ids(), QStringLiteral("5,2,4,1,3"));
        QCOMPARE(names(), QStringLiteral("Ann,Bob,Cyd,Dan,Eve"));

        // An undo names the row it concerns: the row it would write back,
        // or where deleted rows would come back.
        open.model.setDatabaseWait({});
        QVERIFY(open.set(1, 1, QStringLiteral("Bobby")));
        QVERIFY(open.model.commitPendingRow());
        database_->exec(QStringLiteral("UPDATE people SET name = 'Rob' WHERE id = 2"));
        QVERIFY(!open.model.undo());
        QCOMPARE(open.rejections.back().first, 1);
        QVERIFY2(open.rejections.back().second.contains(db::RowConflictError::changedOrDeletedText.toString()),
                 qPrintable(open.rejections.back().second));
        QCOMPARE(open.model.cellText(1, 1), QStringLiteral("Bobby"));
        QVERIFY(open.model.deleteRows({0}));
        open.model.setDatabaseWait([](const QString &, std::function<void()>) -> bool { throw background::Cancelled(); });
        QVERIFY(!open.model.undo());
        QCOMPARE(open.rejections.back(), Rejection(2, TableModel::cancelledUndoText.toString()));
        QCOMPARE(open.ids(), QStringLiteral("2,4,1,3"));
        open.model.setDatabaseWait({});
        QVERIFY(open.model.undo());
        QCOMPARE(open.model.cellText(2, 0), QStringLiteral("5"));
    }

    // The line below the rows takes a new row only once something is typed
    // into it, and gives it up when all is cleared; clearing a cell writes
    // NULL, and so does Set to NULL in a new row instead of the default.
    void newRowsAndEmptyCells()
    {
        OpenModel open(*database_, QStringLiteral("people"));
        QCOMPARE(open.model.rowCount(), 6);
        QCOMPARE(open.header(5), QStringLiteral("*"));
        QVERIFY(open.set(5, 1, QString()));
        QCOMPARE(open.model.rowCount(), 6);
        QVERIFY(!open.model.hasPendingEdit());

        QVERIFY(open.set(5, 2, QStringLiteral("Lima")));
        QCOMPARE(open.model.rowCount(), 7);
        QVERIFY(open.model.isNewRow(5));
        QCOMPARE(open.header(5), pendingMark);
        QCOMPARE(open.header(6), QStringLiteral("*"));
        QVERIFY(open.set(5, 2, QString()));
        QCOMPARE(open.model.rowCount(), 6);
        QVERIFY(!open.model.hasPendingEdit());
        QCOMPARE(open.header(5), QStringLiteral("*"));

        QVERIFY(open.set(5, 1, QStringLiteral("Gus")));
        QVERIFY(open.model.setNull(open.at(5, 2)));
        QVERIFY(open.model.commitPendingRow());
        QCOMPARE(database_->query(QStringLiteral("SELECT id, city IS NULL FROM people WHERE name = 'Gus'")),
                 QStringList{"6|1"});
        QVERIFY(!open.model.setNull(open.at(6, 2))); // the line itself

        // The same text is no change; a cleared cell is NULL; an edit of
        // another row writes the one being edited first.
        QVERIFY(open.set(0, 1, QStringLiteral("Ann")));
        QVERIFY(!open.model.hasPendingEdit());
        QVERIFY(open.model.setNull(open.at(2, 2))); // already NULL
        QVERIFY(!open.model.hasPendingEdit());
        QVERIFY(open.set(0, 2, QString()));
        QVERIFY(open.set(1, 2, QStringLiteral("Lyon")));
        QCOMPARE(database_->query(QStringLiteral("SELECT city IS NULL FROM people WHERE id = 1")), QStringList{"1"});
        QCOMPARE(open.model.pendingRow(), 1);
        QVERIFY(open.model.commitPendingRow());
        QCOMPARE(database_->query(QStringLiteral("SELECT city FROM people WHERE id = 2")), QStringList{"Lyon"});
        QVERIFY(open.rejections.empty());
    }

    // A NULL cell and a cell of empty text show the same empty text; only
    // the NULL one is tinted and says so on hover, as it is, as it will be
    // written, and never for a new row's cell that takes its default.
    void nullIsToldFromEmptyText()
    {
        database_->exec(QStringLiteral("INSERT INTO people VALUES (6, 'Fay', '', NULL);"));
        OpenModel open(*database_, QStringLiteral("people"));
        const auto tinted = [&](int row, int column) {
            return open.at(row, column).data(Qt::BackgroundRole).value<QBrush>().color() == TableModel::nullTint;
        };
        const auto tip = [&](int row, int column) { return open.at(row, column).data(Qt::ToolTipRole).toString(); };
        QCOMPARE(open.at(2, 2).data().toString(), QString());
        QCOMPARE(open.at(5, 2).data().toString(), QString());
        QVERIFY(tinted(2, 2));
        QCOMPARE(tip(2, 2), QStringLiteral("NULL"));
        QVERIFY(!tinted(5, 2));
        QCOMPARE(tip(5, 2), QString());
        QVERIFY(!tinted(0, 2));

        // Pending: an emptied cell will be NULL; a typed one no longer is.
        QVERIFY(open.set(0, 2, QString()));
        QVERIFY(tinted(0, 2));
        QVERIFY(open.set(0, 3, QStringLiteral("31")));
        QVERIFY(tinted(0, 2));
        QVERIFY(open.model.commitPendingRow());
        QVERIFY(tinted(0, 2));
        QVERIFY(open.set(2, 2, QStringLiteral("Oslo")));
        QVERIFY(!tinted(2, 2));
        QCOMPARE(tip(2, 2), QString());
        QVERIFY(open.model.commitPendingRow());

        // A new row: untouched cells take their default, set ones are NULL.
        QVERIFY(open.set(6, 1, QStringLiteral("Gus")));
        QVERIFY(!tinted(6, 2));
        QVERIFY(open.model.setNull(open.at(6, 3)));
        QVERIFY(tinted(6, 3));
        QVERIFY(!tinted(7, 3)); // the new-row line
        QVERIFY(open.rejections.empty());
    }

    // Text too long for its cell shows on hover as typed: markup shown, not
    // read as markup, and only its first characters when very long.
    void longTextToolTipShowsTheTextAsTyped()
    {
        const QString tip = longTextToolTip(QStringLiteral("<b>a</b>\tb\nc & d"));
        QTextDocument document;
        document.setHtml(tip);
        QCOMPARE(document.toPlainText(), QStringLiteral("<b>a</b>\tb\nc & d"));
        const QString longText = QString(longTextToolTipLength, u'x') + QStringLiteral("tail");
        document.setHtml(longTextToolTip(longText));
        QVERIFY(!document.toPlainText().contains(QStringLiteral("tail")));
        QVERIFY(document.toPlainText().startsWith(QString(longTextToolTipLength, u'x')));
    }

    // Reading again writes the row being edited first, shows what others
    // changed, keeps the sort and finds the user's row by its key.
    void reloadFindsTheRowByItsKey()
    {
        OpenModel open(*database_, QStringLiteral("people"));
        QVERIFY(open.model.sortByColumn(3, Qt::AscendingOrder));
        QCOMPARE(open.ids(), QStringLiteral("5,2,4,1,3"));
        database_->exec(QStringLiteral("DELETE FROM people WHERE id IN (2, 5); "
                                       "INSERT INTO people VALUES (0, 'Abe', 'Rome', 20); "
                                       "UPDATE people SET city = 'Paris' WHERE id = 1;"));
        QVERIFY(open.set(2, 2, QStringLiteral("Graz")));
        QCOMPARE(open.model.reload(3), std::optional<int>(2));
        QCOMPARE(open.ids(), QStringLiteral("0,4,1,3"));
        QCOMPARE(open.model.cellText(2, 2), QStringLiteral("Paris"));
        QCOMPARE(database_->query(QStringLiteral("SELECT city FROM people WHERE id = 4")), QStringList{"Graz"});
        QVERIFY(open.model.rowOrder().isSorted());
        QVERIFY(!open.model.canUndo());

        // A row gone since stays where it was, within the rows there are.
        database_->exec(QStringLiteral("DELETE FROM people WHERE id = 3"));
        QCOMPARE(open.model.reload(3), std::optional<int>(3));
        QCOMPARE(open.ids(), QStringLiteral("0,4,1"));

        QVERIFY(open.set(0, 1, QStringLiteral("bad")));
        QCOMPARE(open.model.reload(0), std::nullopt);
        QCOMPARE(open.rejections.size(), size_t(1));
        QCOMPARE(open.rejections.back().first, 0);
        QCOMPARE(open.model.cellText(0, 1), QStringLiteral("bad"));

        // A table that cannot be read again is reported like any refusal.
        open.model.revertPendingRow();
        database_->exec(QStringLiteral("DROP TABLE people"));
        QCOMPARE(open.model.reload(1), std::nullopt);
        QCOMPARE(open.rejections.size(), size_t(2));
        QCOMPARE(open.rejections.back().first, 1);
        QVERIFY2(open.rejections.back().second.contains(QStringLiteral("no such table")),
                 qPrintable(open.rejections.back().second));
        QCOMPARE(open.ids(), QStringLiteral("0,4,1"));
    }

    // Pasted rows are written one by one as each is left; rows past the
    // last are inserted; a refused row stops the paste and holds the user.
    void pasteWritesRowByRow()
    {
        OpenModel open(*database_, QStringLiteral("people"));
        QVERIFY(open.model.pasteText(3, 1, QStringLiteral("Dana\tBonn\r\nEmil\tGent\r\nFritz\tLund\r\n")));
        QCOMPARE(open.model.dataRowCount(), 6);
        QCOMPARE(database_->query(QStringLiteral("SELECT name, city FROM people WHERE id >= 4 ORDER BY id")),
                 QStringList({"Dana|Bonn", "Emil|Gent", "Fritz|Lund"}));

        QVERIFY(!open.model.pasteText(0, 1, QStringLiteral("A1\nbad\nC1\n")));
        QCOMPARE(open.model.pendingRow(), 1);
        QCOMPARE(open.rejections.back().first, 1);
        QCOMPARE(names(), QStringLiteral("A1,Bob,Cyd,Dana,Emil,Fritz"));
        // Copying shows what is typed; the line for new rows gives nothing.
        QCOMPARE(open.model.copyText(0, 1, 1, 2), QStringLiteral("A1\tRome\nbad\tParis\n"));
        QCOMPARE(open.model.copyText(6, 0, 6, 3), QString());
    }

    // The grid holds the user in a refused row until it is corrected or
    // put back with Escape, and a table that cannot be read again is
    // reported with the rows left as they were.
    void theGridHoldsTheUserAndReportsFailures()
    {
        MessageCapture boxes;
        DataGrid grid;
        QAbstractItemModelTester tester(grid.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        grid.setDataSource(database_->open(QStringLiteral("people")));
        QCOMPARE(grid.currentIndex(), grid.model()->index(0, 0));

        grid.setCurrentIndex(grid.model()->index(1, 1));
        QVERIFY(grid.model()->setData(grid.model()->index(1, 1), QStringLiteral("bad")));
        grid.setCurrentIndex(grid.model()->index(3, 1));
        QCOMPARE(grid.currentIndex().row(), 1);
        QCOMPARE(boxes.texts().size(), 1);
        QVERIFY2(boxes.texts().front().contains(checkFailed), qPrintable(boxes.texts().front()));
        QTest::keyClick(&grid, Qt::Key_Escape);
        QCOMPARE(grid.cellText(1, 1), QStringLiteral("Bob"));
        grid.setCurrentIndex(grid.model()->index(3, 1));
        QCOMPARE(grid.currentIndex().row(), 3);

        database_->exec(QStringLiteral("DROP TABLE people"));
        QVERIFY(!grid.reload());
        QCOMPARE(boxes.texts().size(), 2);
        QVERIFY2(boxes.texts().back().contains(QStringLiteral("no such table")), qPrintable(boxes.texts().back()));
        QCOMPARE(grid.rowCount(), 5);
        QCOMPARE(grid.cellText(4, 1), QStringLiteral("Eve"));
        QCOMPARE(grid.currentIndex().row(), 3);
    }

private:
    // The table's columns in id order, as the database holds them.
    QString ages() const { return database_->query(QStringLiteral("SELECT group_concat(age) FROM people")).join(u','); }
    QString names() const
    {
        return database_->query(QStringLiteral("SELECT group_concat(name) FROM (SELECT name FROM people ORDER BY id)"))
            .join(u',');
    }

    std::unique_ptr<SqliteDatabase> database_;
};

QTEST_MAIN(TableModelTest)
#include "table_model_test.moc"
