#include "app/ui/wizard.h"
#include "db/table_snapshot.h"
#include "editor/table_model.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "support/message_capture.h"
#include "support/scratch_editor.h"
#include "support/wizard_driver.h"

#include <QApplication>
#include <QClipboard>
#include <QtTest>

namespace {

const QString login = QStringLiteral("rows_t");
const AsLogin asLogin(login);

} // namespace

// Adding, deleting and undoing rows in the editor's grid, against the server.
class RowEditingTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        user_ = createScratchLogin(login);
        asLogin(QStringLiteral("CREATE TABLE rows_t.people (id serial PRIMARY KEY, name varchar(20) NOT NULL, "
                               "  city text DEFAULT 'Oslo', UNIQUE (name));"
                               "CREATE TABLE rows_t.loose (label text, n integer);"));
    }
    void cleanupTestCase()
    {
        if (testpg::missingEnvironment().isEmpty())
            dropScratchLogin(login);
    }
    void cleanup() { driver_.reset(); }
    void init()
    {
        asLogin(QStringLiteral("TRUNCATE rows_t.people RESTART IDENTITY; TRUNCATE rows_t.loose;"
                               "INSERT INTO rows_t.people (name, city) VALUES ('Ann', 'Rome'), ('Bob', 'Paris'), "
                               "  ('Cyd', NULL), ('Dan', 'Bern');"
                               "INSERT INTO rows_t.loose VALUES ('same', 1), ('same', 1), ('other', 2);"));
    }

    void newRowsAreInsertedAndReadBack()
    {
        MessageCapture boxes;
        Form3 &editor = open("people");
        DataGrid &grid = *editor.DataGrid1;
        QCOMPARE(grid.rowCount(), 4);
        QCOMPARE(grid.model()->rowCount(), 5);
        QCOMPARE(grid.model()->headerData(4, Qt::Vertical).toString(), QStringLiteral("*"));

        // The generated key and the default show once the row is left.
        editAndLeave(grid, 4, 1, QStringLiteral("Eve"), 0);
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(inDatabase("SELECT id, city FROM rows_t.people WHERE name = 'Eve'"), QStringLiteral("5|Oslo"));
        QCOMPARE(grid.rowCount(), 5);
        QCOMPARE(grid.cellText(4, 0), QStringLiteral("5"));
        QCOMPARE(grid.cellText(4, 2), QStringLiteral("Oslo"));
        QCOMPARE(grid.model()->headerData(5, Qt::Vertical).toString(), QStringLiteral("*"));

        // A row without a key is written and comes back when reopened.
        Form3 &loose = open("loose");
        editAndLeave(*loose.DataGrid1, 3, 0, QStringLiteral("new"), 0);
        QVERIFY(boxes.boxes().empty());
        QCOMPARE(inDatabase("SELECT count(*) FROM rows_t.loose WHERE label = 'new' AND n IS NULL"), QStringLiteral("1"));
        Form3 &reopened = open("loose");
        QCOMPARE(reopened.DataGrid1->rowCount(), 4);
    }

    void aRefusedInsertKeepsWhatWasTyped()
    {
        MessageCapture boxes;
        Form3 &editor = open("people");
        DataGrid &grid = *editor.DataGrid1;
        const QString before = inDatabase("SELECT * FROM rows_t.people ORDER BY id");

        // A duplicate of a unique name: one box, the user stays in the row.
        editAndLeave(grid, 4, 1, QStringLiteral("Ann"), 0);
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QVERIFY2(boxes.texts().front().contains(QStringLiteral("duplicate key")), qPrintable(boxes.texts().front()));
        QCOMPARE(grid.currentIndex().row(), 4);
        QCOMPARE(grid.cellText(4, 1), QStringLiteral("Ann"));

        // Only a city, no name: NOT NULL refuses it likewise.
        QVERIFY(grid.model()->setData(grid.model()->index(4, 1), QString()));
        QVERIFY(grid.model()->setData(grid.model()->index(4, 2), QStringLiteral("Lima")));
        QVERIFY(!grid.commitPendingEdit());
        QVERIFY(boxes.texts().last().contains(QStringLiteral("not-null")));
        QCOMPARE(inDatabase("SELECT * FROM rows_t.people ORDER BY id"), before);

        // Escape drops the new row.
        QTest::keyClick(&grid, Qt::Key_Escape);
        QCOMPARE(grid.rowCount(), 4);
        QVERIFY(!grid.hasPendingEdit());
    }

    void rowsAreDeletedAllOrNothing()
    {
        MessageCapture boxes;
        boxes.answerQuestionsWith(msgbox::Yes);
        Form3 &editor = open("people");
        DataGrid &grid = *editor.DataGrid1;

        // A row selected by its header goes with Delete, after a question
        // whose Yes answers Enter.
        grid.selectRow(0);
        QTest::keyClick(&grid, Qt::Key_Delete);
        QCOMPARE(boxes.texts(), QStringList({"Delete 1 row from the table?"}));
        QCOMPARE(boxes.boxes().front().flags, msgbox::YesNo | msgbox::Question | msgbox::DefaultButton1);
        QCOMPARE(inDatabase("SELECT string_agg(name, ',' ORDER BY id) FROM rows_t.people"), QStringLiteral("Bob,Cyd,Dan"));
        QCOMPARE(grid.rowCount(), 3);

        // Another user changes one of three rows: none is deleted, and the box says which.
        boxes.clear();
        testpg::adminExec(QStringLiteral("UPDATE rows_t.people SET city = 'Nice' WHERE name = 'Cyd'"));
        grid.deleteRows({0, 1, 2});
        QCOMPARE(boxes.texts().size(), 2);
        QCOMPARE(boxes.texts().front(), QStringLiteral("Delete 3 rows from the table?"));
        QVERIFY2(boxes.texts().last().contains(db::RowConflictError::changedOrDeletedText.toString()),
                 qPrintable(boxes.texts().last()));
        QVERIFY2(boxes.texts().last().contains(QStringLiteral("3")), qPrintable(boxes.texts().last()));
        QCOMPARE(inDatabase("SELECT count(*) FROM rows_t.people"), QStringLiteral("3"));

        // Opened again, all three go in one step.
        Form3 &fresh = open("people");
        fresh.DataGrid1->deleteRows({0, 1, 2});
        QCOMPARE(inDatabase("SELECT count(*) FROM rows_t.people"), QStringLiteral("0"));
        QCOMPARE(fresh.DataGrid1->rowCount(), 0);

        // Two identical rows of a table without a key are told apart by the
        // address of each: one of them goes.
        boxes.clear();
        Form3 &loose = open("loose");
        loose.DataGrid1->deleteRows({0});
        QCOMPARE(boxes.texts().size(), 1);
        QCOMPARE(inDatabase("SELECT count(*) FROM rows_t.loose"), QStringLiteral("2"));
        QCOMPARE(inDatabase("SELECT count(*) FROM rows_t.loose WHERE label = 'same'"), QStringLiteral("1"));
    }

    void undoPutsTheTableBackExactly()
    {
        MessageCapture boxes;
        boxes.answerQuestionsWith(msgbox::Yes);
        const QString original = inDatabase("SELECT * FROM rows_t.people ORDER BY id");
        Form3 &editor = open("people");
        DataGrid &grid = *editor.DataGrid1;

        editAndLeave(grid, 2, 2, QStringLiteral("Wien"), 0); // an update of a NULL
        editAndLeave(grid, 4, 1, QStringLiteral("Eve"), 0);  // an insert
        grid.deleteRows({1});                                 // a delete
        QCOMPARE(inDatabase("SELECT count(*) FROM rows_t.people"), QStringLiteral("4"));

        QTest::keyClick(&grid, Qt::Key_Z, Qt::ControlModifier);
        grid.undo();
        grid.undo();
        QCOMPARE(boxes.texts(), QStringList({"Delete 1 row from the table?"}));
        QCOMPARE(inDatabase("SELECT * FROM rows_t.people ORDER BY id"), original);
        QCOMPARE(grid.rowCount(), 4);

        // An undo after another user changed the row is refused and writes nothing.
        editAndLeave(grid, 0, 2, QStringLiteral("Milan"), 1);
        testpg::adminExec(QStringLiteral("UPDATE rows_t.people SET city = 'Turin' WHERE name = 'Ann'"));
        grid.undo();
        QVERIFY(boxes.texts().last().contains(db::RowConflictError::changedOrDeletedText.toString()));
        QCOMPARE(inDatabase("SELECT city FROM rows_t.people WHERE name = 'Ann'"), QStringLiteral("Turin"));
    }

    void copiedCellsPasteElsewhere()
    {
        MessageCapture boxes;
        Form3 &editor = open("people");
        DataGrid &grid = *editor.DataGrid1;
        auto *model = grid.model();

        // Names and cities of the first three rows.
        grid.setCurrentIndex(model->index(0, 1));
        grid.selectionModel()->select(QItemSelection(model->index(0, 1), model->index(2, 2)),
                                      QItemSelectionModel::ClearAndSelect);
        grid.copySelection();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Ann\tRome\nBob\tParis\nCyd\t\n"));

        // Pasted over the cities and on: names stay unique by suffixing them.
        QApplication::clipboard()->setText(QStringLiteral("Ann2\tRome\nBob2\tParis\nCyd2\t\n"));
        grid.setCurrentIndex(model->index(1, 1));
        grid.paste();
        QVERIFY(grid.commitPendingEdit());
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(inDatabase("SELECT string_agg(name || ':' || coalesce(city, '-'), ',' ORDER BY id) FROM rows_t.people"),
                 QStringLiteral("Ann:Rome,Ann2:Rome,Bob2:Paris,Cyd2:-"));
    }

private:
    Form3 &open(const QString &table) { return openInEditor(driver_, user_, table); }
    testpg::Login user_;
    std::unique_ptr<WizardDriver> driver_;
};

QTEST_MAIN(RowEditingTest)
#include "row_editing_test.moc"
