#include "app/background_call.h"
#include "app/seams.h"
#include "app/ui/form1.h"
#include "app/ui/kit/wait_dialog.h"
#include "app/ui/wizard.h"
#include "db/ui/form2.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "editor/table_model.h"
#include "editor/ui/find_dialog.h"
#include "export/datagrid_writers.h"
#include "support/message_capture.h"
#include "support/scratch_sql.h"
#include "support/wait_cancel.h"
#include "support/wizard_driver.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QCollator>
#include <QHeaderView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

namespace {

const QString login = QStringLiteral("editor_t");
const AsLogin asLogin(login);

QString valueInDatabase(const QString &sql)
{
    const QStringList rows = testpg::adminQuery(sql);
    return rows.isEmpty() ? QStringLiteral("<no row>") : rows.join(u'\n');
}

QString cell(Form3 &editor, int row, int column)
{
    return editor.DataGrid1->cellText(row, column);
}

// An updated row moves in the server's physical order: reopened tables are
// searched by key.
int rowWithId(Form3 &editor, int id)
{
    for (int row = 0; row < editor.DataGrid1->rowCount(); ++row) {
        if (cell(editor, row, 0) == QString::number(id))
            return row;
    }
    return -1;
}

// Changes a cell through the model and moves the current cell to another
// row, which commits the changed one.
void editAndLeave(DataGrid &grid, int row, int column, const QString &text, int toRow)
{
    auto *model = grid.model();
    grid.setCurrentIndex(model->index(row, column));
    QVERIFY(model->setData(model->index(row, column), text));
    grid.setCurrentIndex(model->index(toRow, column));
}

// Types into a cell as a user does: the cell's editor opens, takes the text,
// and Down moves to the next row, which commits the edited one.
void typeIntoCell(DataGrid &grid, int row, int column, const QString &text)
{
    const QModelIndex index = grid.model()->index(row, column);
    grid.setCurrentIndex(index);
    grid.edit(index);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY2(editor, "no cell editor opened");
    editor->selectAll();
    QTest::keyClicks(editor, text);
}

// The id column of every row, in the grid's order.
QStringList idsInGridOrder(DataGrid &grid)
{
    QStringList ids;
    for (int row = 0; row < grid.rowCount(); ++row)
        ids << grid.cellText(row, 0);
    return ids;
}

// Finds through the find window as the user does; returns the current cell
// and the note.
QString findInGrid(DataGrid &grid, const QString &text, bool forward, bool matchCase = false, bool wholeCell = false)
{
    grid.showFindDialog();
    FindDialog &dialog = *grid.findDialog();
    dialog.findText->setText(text);
    dialog.matchCase->setChecked(matchCase);
    dialog.wholeCell->setChecked(wholeCell);
    (forward ? dialog.findNext : dialog.findPrevious)->click();
    return QStringLiteral("%1,%2 %3").arg(grid.currentIndex().row()).arg(grid.currentIndex().column()).arg(dialog.note());
}

} // namespace

class TableEditorTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        user_ = createScratchLogin(login);
        asLogin(QStringLiteral(
            "CREATE TABLE editor_t.\"Mixed Case People\" (id integer PRIMARY KEY, name varchar(40), "
            "  born date, salary numeric(9,2), note text);"
            "CREATE TABLE editor_t.empty_one (a integer, b text);"
            "CREATE TABLE editor_t.\"a<i>b</i>\" (x integer);"
            "CREATE TABLE editor_t.twins (label text, n integer);"
            "INSERT INTO editor_t.twins VALUES ('same', 1), ('same', 1);"
            "CREATE TABLE editor_t.sorts (id integer PRIMARY KEY, n integer, amount numeric(12,3), "
            "  at timestamp, label varchar(20), code text);"
            "INSERT INTO editor_t.sorts VALUES "
            "  (1, 10, 2.5, '2021-03-01 10:00:00', 'b', 'b-2'), (2, NULL, -1.25, NULL, 'a', NULL),"
            "  (3, 9, 10, '2020-12-31 23:59:59.5', NULL, 'A'), (4, 10, 2.50, '2021-03-01 10:00:00', 'B', '_x'),"
            "  (5, -3, NULL, '2020-12-31 23:59:59.25', 'á', 'a'), (6, 100, 0.1, '1999-01-01', 'c', 'B-1');"
            "CREATE TABLE editor_t.words (id integer PRIMARY KEY, w text);"
            "INSERT INTO editor_t.words SELECT g, translate(substr(md5(g::text), 1, 1 + g % 5), '0123', 'A-_ ') "
            "  FROM generate_series(1, 3000) g;"
            "CREATE TABLE editor_t.accented_words (id integer PRIMARY KEY, w text);"
            "INSERT INTO editor_t.accented_words SELECT g, translate(substr(md5(g::text), 1, 1 + g % 5), '0123', 'Ä-é ') "
            "  FROM generate_series(1, 3000) g;"));
    }

    void cleanupTestCase()
    {
        if (testpg::missingEnvironment().isEmpty())
            dropScratchLogin(login);
    }

    void init()
    {
        // Rows go back in this order, so each test sees them as row 0, 1, 2.
        asLogin(QStringLiteral("TRUNCATE editor_t.\"Mixed Case People\"; "
                               "INSERT INTO editor_t.\"Mixed Case People\" VALUES "
                               "  (1, 'Ann', '1980-01-02', 1000.50, NULL), (2, 'Bob', NULL, 2000.00, 'ünïcode ✓'), "
                               "  (3, 'Cyd', '1990-03-04', NULL, 'third');"));
    }

    void opensTablesAndShowsOnlyTheOneChosen()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.chooser().isVisible());
        QVERIFY(driver.openTable("Mixed Case People"));
        Form3 &editor = driver.editor();
        QVERIFY(editor.isVisible());
        QVERIFY(!driver.chooser().isVisible());
        QCOMPARE(editor.Label2->text(), QStringLiteral(" Now Editing: Mixed Case People"));
        QCOMPARE(editor.windowTitle(), QStringLiteral("Tabvale Software"));
        QCOMPARE(editor.DataGrid1->columnCount(), 5);
        QCOMPARE(editor.DataGrid1->caption(0), QStringLiteral("id"));
        QCOMPARE(editor.DataGrid1->caption(4), QStringLiteral("note"));
        QCOMPARE(editor.DataGrid1->rowCount(), 3);
        QCOMPARE(cell(editor, 0, 4), QString()); // NULL shows empty
        QCOMPARE(cell(editor, 1, 4), QStringLiteral("ünïcode ✓"));
        QCOMPARE(cell(editor, 0, 3), QStringLiteral("1000.50"));
        QCOMPARE(editor.focusWidget(), editor.DataGrid1);
        QCOMPARE(driver.chooser().MousePointer(), 0);
        QVERIFY(boxes.boxes().empty());

        driver.chooser().List1->setFocus();
        editor.PushButton1_Click(); // "< Back"
        QVERIFY(driver.chooser().isVisible());
        QCOMPARE(driver.chooser().focusWidget(), driver.chooser().PushButton2);
        QVERIFY(!editor.isVisible());
        QVERIFY(driver.openTable("empty_one"));
        QCOMPARE(editor.Label2->text(), QStringLiteral(" Now Editing: empty_one"));
        QCOMPARE(editor.DataGrid1->columnCount(), 2);
        QCOMPARE(editor.DataGrid1->caption(1), QStringLiteral("b"));
        QCOMPARE(editor.DataGrid1->rowCount(), 0);
        QCOMPARE(editor.DataGrid1->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("b"));

        // A name is shown as it is spelt, never read as markup.
        editor.PushButton1_Click();
        QVERIFY(driver.openTable("a<i>b</i>"));
        QCOMPARE(editor.Label2->text(), QStringLiteral(" Now Editing: a<i>b</i>"));
        QCOMPARE(editor.Label2->textFormat(), Qt::PlainText);
        QVERIFY(boxes.boxes().empty());
    }

    void aWriteGivenUpWhileTheServerIsStoppedKeepsTheEditForTheNextLeave()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("Mixed Case People"));
        DataGrid &grid = *driver.editor().DataGrid1;
        const int bob = rowWithId(driver.editor(), 2);
        const int other = bob == 0 ? 1 : 0;
        testpg::StoppedBackend stopped(testpg::backendOf(login));
        QVERIFY(stopped.stopped());

        CancelWhenShown cancelling;
        editAndLeave(grid, bob, 1, QStringLiteral("Bobby"), other);
        const qint64 cancelMs = cancelling.cancelMs();
        const QString shown = cancelling.shown;
        cancelling.stop();

        QCOMPARE(shown, QStringLiteral("Tabvale Software|Writing the row...|1"));
        QVERIFY2(cancelMs < 1000, qPrintable(QString::number(cancelMs)));
        QCOMPARE(boxes.texts(), QStringList({"The row was not written: you cancelled the write."}));
        QCOMPARE(grid.currentIndex().row(), bob);
        QVERIFY(grid.hasPendingEdit());
        QCOMPARE(cell(driver.editor(), bob, 1), QStringLiteral("Bobby"));

        // The write given up is rolled back once the server goes on, so the
        // next leave writes the row once, without a conflict with itself.
        stopped.resume();
        boxes.clear();
        grid.setCurrentIndex(grid.model()->index(other, 1));
        QCOMPARE(boxes.texts(), QStringList());
        QVERIFY(!grid.hasPendingEdit());
        QCOMPARE(valueInDatabase("SELECT name FROM editor_t.\"Mixed Case People\" WHERE id = 2"),
                 QStringLiteral("Bobby"));
    }

    void keysTypedWhileAWriteWaitsReachTheGridAfterIt()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("Mixed Case People"));
        DataGrid &grid = *driver.editor().DataGrid1;
        const int bob = rowWithId(driver.editor(), 2);
        const int other = bob == 0 ? 1 : 0;
        auto stopped = std::make_unique<testpg::StoppedBackend>(testpg::backendOf(login));
        QVERIFY(stopped->stopped());
        WaitDialog::setDelay(50);
        seams::current().progressReported = [&](QProgressDialog *dialog) {
            if (!dialog || !stopped)
                return;
            QTest::keyClick(&grid, Qt::Key_Z);
            stopped.reset(); // the server goes on, and the write ends
            // ... before the window has taken in that the dialog showed, as
            // on a busy machine: the window's activation changes come late.
            background::worker().waitUntilIdle();
        };
        editAndLeave(grid, bob, 1, QStringLiteral("Bobby"), other);
        seams::current().progressReported = {};
        WaitDialog::setDelay(1000);
        QVERIFY(!stopped);
        QCOMPARE(boxes.texts(), QStringList());
        QCOMPARE(valueInDatabase("SELECT name FROM editor_t.\"Mixed Case People\" WHERE id = 2"), QStringLiteral("Bobby"));
        // The key held during the wait now opens the next row's cell with it.
        QTRY_VERIFY(grid.viewport()->findChild<QLineEdit *>());
        QCOMPARE(grid.viewport()->findChild<QLineEdit *>()->text(), QStringLiteral("z"));
        QCOMPARE(grid.currentIndex().row(), other);
    }

    void aDeleteOrUndoGivenUpWhileTheServerIsStoppedChangesNothing()
    {
        MessageCapture boxes;
        boxes.answerQuestionsWith(msgbox::Yes);
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("Mixed Case People"));
        DataGrid &grid = *driver.editor().DataGrid1;
        const int rows = grid.model()->rowCount();
        const int bob = rowWithId(driver.editor(), 2);
        editAndLeave(grid, bob, 1, QStringLiteral("Bobby"), bob == 0 ? 1 : 0);
        {
            testpg::StoppedBackend stopped(testpg::backendOf(login));
            QVERIFY(stopped.stopped());
            CancelWhenShown cancelling;
            grid.deleteRows({bob});
            QCOMPARE(cancelling.shown, QStringLiteral("Tabvale Software|Deleting the rows...|1"));
            grid.undo();
            QVERIFY2(cancelling.cancelMs() < 1000, qPrintable(QString::number(cancelling.cancelMs())));
        }
        QCOMPARE(boxes.texts(), QStringList({"Delete 1 row from the table?", "Nothing was deleted: you cancelled the delete.",
                                             "Nothing was undone: you cancelled the write."}));
        QCOMPARE(grid.model()->rowCount(), rows);
        QCOMPARE(cell(driver.editor(), bob, 1), QStringLiteral("Bobby"));

        // Both were rolled back; the undo still takes the edit back.
        boxes.clear();
        grid.undo();
        QCOMPARE(boxes.texts(), QStringList());
        QCOMPARE(valueInDatabase("SELECT name FROM editor_t.\"Mixed Case People\" WHERE id = 2"), QStringLiteral("Bob"));
        QCOMPARE(valueInDatabase("SELECT count(*) FROM editor_t.\"Mixed Case People\" WHERE id = 2"), QStringLiteral("1"));
    }

    void anEditIsWrittenWhenTheUserLeavesTheRow()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("Mixed Case People"));
        Form3 &editor = driver.editor();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        QAbstractItemModelTester tester(editor.DataGrid1->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);

        typeIntoCell(*editor.DataGrid1, 0, 1, QStringLiteral("Annette"));
        // Still in the row: nothing is written yet.
        QCOMPARE(valueInDatabase("SELECT name FROM editor_t.\"Mixed Case People\" WHERE id = 1"), QStringLiteral("Ann"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(editor.DataGrid1->currentIndex().row(), 1);
        QCOMPARE(valueInDatabase("SELECT name FROM editor_t.\"Mixed Case People\" WHERE id = 1"),
                 QStringLiteral("Annette"));
        QVERIFY(boxes.boxes().empty());

        // Clearing a cell writes NULL; the row then shows what the database holds.
        auto *model = editor.DataGrid1->model();
        editor.DataGrid1->setCurrentIndex(model->index(2, 1));
        QTest::keyClick(editor.DataGrid1, Qt::Key_Delete);
        QCOMPARE(cell(editor, 2, 1), QString());
        QVERIFY(model->setData(model->index(2, 3), QStringLiteral("12.5")));
        editor.DataGrid1->setCurrentIndex(model->index(0, 0));
        QCOMPARE(valueInDatabase("SELECT coalesce(name, '<null>') || ' ' || salary FROM editor_t.\"Mixed Case People\" WHERE id = 3"),
                 QStringLiteral("<null> 12.50"));
        QCOMPARE(cell(editor, 2, 3), QStringLiteral("12.50"));

        // Committed rows are there when the table is opened again.
        editor.PushButton1_Click();
        QVERIFY(driver.openTable("Mixed Case People"));
        QCOMPARE(cell(editor, rowWithId(editor, 1), 1), QStringLiteral("Annette"));
        QVERIFY(boxes.boxes().empty());
    }

    void anotherUsersChangeIsNeverOverwritten()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("Mixed Case People"));
        Form3 &editor = driver.editor();
        DataGrid &grid = *editor.DataGrid1;
        auto *model = grid.model();

        asLogin(QStringLiteral("UPDATE editor_t.\"Mixed Case People\" SET name = 'Bobby' WHERE id = 2;"));
        editAndLeave(grid, 1, 1, QStringLiteral("Robert"), 2);

        QCOMPARE(boxes.boxes().size(), size_t(1));
        QVERIFY2(boxes.texts()[0].contains("another user"), qPrintable(boxes.texts()[0]));
        QCOMPARE(valueInDatabase("SELECT name FROM editor_t.\"Mixed Case People\" WHERE id = 2"), QStringLiteral("Bobby"));
        // The user stays in the row with the text typed.
        QCOMPARE(grid.currentIndex().row(), 1);
        QCOMPARE(cell(editor, 1, 1), QStringLiteral("Robert"));
        QVERIFY(grid.hasPendingEdit());

        // Escape puts back the values the row was opened with.
        QTest::keyClick(&grid, Qt::Key_Escape);
        QVERIFY(!grid.hasPendingEdit());
        QCOMPARE(cell(editor, 1, 1), QStringLiteral("Bob"));
        grid.setCurrentIndex(model->index(2, 1));
        QCOMPARE(grid.currentIndex().row(), 2);
        QCOMPARE(boxes.boxes().size(), size_t(1));
    }

    void keyboardCannotLeaveARefusedRow()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("Mixed Case People"));
        Form3 &editor = driver.editor();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        DataGrid &grid = *editor.DataGrid1;
        asLogin(QStringLiteral("UPDATE editor_t.\"Mixed Case People\" SET name = 'Bobby' WHERE id = 2;"));
        typeIntoCell(grid, 1, 1, QStringLiteral("Robert"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QCOMPARE(grid.currentIndex().row(), 1);
        const QModelIndexList selected = grid.selectionModel()->selectedIndexes();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.front().row(), 1);
        QCOMPARE(grid.cellText(1, 1), QStringLiteral("Robert"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); // closes the cell editor
        QTest::keyClick(&grid, Qt::Key_Escape);                        // puts the row back
        QCOMPARE(grid.cellText(1, 1), QStringLiteral("Bob"));
        QCOMPARE(grid.currentIndex().row(), 1);
        QTest::keyClick(&grid, Qt::Key_Up);
        QCOMPARE(grid.currentIndex().row(), 0);
        QCOMPARE(boxes.boxes().size(), size_t(1));
    }

    void tabLeavesTheGridOnceTheRowIsWritten()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("Mixed Case People"));
        Form3 &editor = driver.editor();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        DataGrid &grid = *editor.DataGrid1;

        // From an open cell editor: the text is written and "< Back" is next.
        typeIntoCell(grid, 0, 1, QStringLiteral("Tabbed"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), editor.PushButton1);
        QCOMPARE(valueInDatabase("SELECT name FROM editor_t.\"Mixed Case People\" WHERE id = 1"), QStringLiteral("Tabbed"));

        // Backwards the order wraps to "Save Table As"; Ctrl+Tab leaves too.
        grid.setFocus(Qt::OtherFocusReason);
        QTest::keyClick(&grid, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), editor.PushButton6);
        grid.setFocus(Qt::OtherFocusReason);
        QTest::keyClick(&grid, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), editor.PushButton1);

        // A row the database refuses keeps the user in the grid, in that row.
        auto *model = grid.model();
        grid.setFocus(Qt::OtherFocusReason);
        grid.setCurrentIndex(model->index(1, 2));
        QVERIFY(model->setData(model->index(1, 2), QStringLiteral("not a date")));
        QTest::keyClick(&grid, Qt::Key_Tab);
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QCOMPARE(QApplication::focusWidget(), &grid);
        QCOMPARE(grid.currentIndex().row(), 1);
    }

    void aValueTheColumnRefusesIsReportedAndKept()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("Mixed Case People"));
        DataGrid &grid = *driver.editor().DataGrid1;
        auto *model = grid.model();
        editAndLeave(grid, 0, 2, QStringLiteral("not a date"), 1);
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QVERIFY2(boxes.texts()[0].contains("date", Qt::CaseInsensitive), qPrintable(boxes.texts()[0]));
        QCOMPARE(grid.currentIndex().row(), 0);
        QCOMPARE(grid.cellText(0, 2), QStringLiteral("not a date"));
        QCOMPARE(valueInDatabase("SELECT born FROM editor_t.\"Mixed Case People\" WHERE id = 1"), QStringLiteral("1980-01-02"));

        // Corrected, the row goes in.
        QVERIFY(model->setData(model->index(0, 2), QStringLiteral("1981-05-06")));
        grid.setCurrentIndex(model->index(1, 2));
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QCOMPARE(valueInDatabase("SELECT born FROM editor_t.\"Mixed Case People\" WHERE id = 1"), QStringLiteral("1981-05-06"));
    }

    void identicalRowsWithoutKeyAreNeverBothChanged()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("twins"));
        DataGrid &grid = *driver.editor().DataGrid1;
        editAndLeave(grid, 0, 0, QStringLiteral("changed"), 1);
        const QStringList rows = testpg::adminQuery("SELECT label FROM editor_t.twins ORDER BY label");
        QVERIFY2(rows == QStringList({"same", "same"}) || rows == QStringList({"changed", "same"}),
                 qPrintable(rows.join(',')));
    }

    void pendingEditIsWrittenOnBackAndBeforeAnotherTableOpens()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("Mixed Case People"));
        Form3 &editor = driver.editor();
        auto *model = editor.DataGrid1->model();
        editor.DataGrid1->setCurrentIndex(model->index(0, 1));
        QVERIFY(model->setData(model->index(0, 1), QStringLiteral("On back")));
        editor.PushButton1_Click();
        QCOMPARE(valueInDatabase("SELECT name FROM editor_t.\"Mixed Case People\" WHERE id = 1"), QStringLiteral("On back"));

        QVERIFY(driver.openTable("Mixed Case People"));
        const int bob = rowWithId(editor, 2);
        editor.DataGrid1->setCurrentIndex(model->index(bob, 1));
        QVERIFY(model->setData(model->index(bob, 1), QStringLiteral("Before next")));
        QVERIFY(driver.openTable("empty_one"));
        QCOMPARE(valueInDatabase("SELECT name FROM editor_t.\"Mixed Case People\" WHERE id = 2"), QStringLiteral("Before next"));
        QVERIFY(boxes.boxes().empty());
    }

    void aRefusedPendingEditKeepsTheUserInTheEditor()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("Mixed Case People"));
        Form3 &editor = driver.editor();
        auto *model = editor.DataGrid1->model();
        editor.DataGrid1->setCurrentIndex(model->index(0, 0));
        QVERIFY(model->setData(model->index(0, 0), QStringLiteral("abc")));
        editor.PushButton1_Click();
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QVERIFY(editor.isVisible());
        QVERIFY(!driver.chooser().isVisible());
        QCOMPARE(editor.DataGrid1->cellText(0, 0), QStringLiteral("abc"));

        // Closing asks; "No" keeps the window and the edit.
        boxes.answerQuestionsWith(msgbox::No);
        QVERIFY(!editor.close());
        QCOMPARE(driver.programEnds(), 0);
        QCOMPARE(editor.DataGrid1->cellText(0, 0), QStringLiteral("abc"));
        boxes.answerQuestionsWith(msgbox::Yes);
        QVERIFY(editor.close());
        QCOMPARE(driver.programEnds(), 1);
        QCOMPARE(valueInDatabase("SELECT id FROM editor_t.\"Mixed Case People\" WHERE id = 1"), QStringLiteral("1"));
    }

    void sortsEachTypeByTheHeadingWithNullsFirstAndEqualValuesInTableOrder()
    {
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("sorts"));
        DataGrid &grid = *driver.editor().DataGrid1;
        QAbstractItemModelTester tester(grid.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QStringList tableOrder = idsInGridOrder(grid);
        QCOMPARE(tableOrder, QStringList({"1", "2", "3", "4", "5", "6"}));
        const struct {
            int column;
            QStringList ascending;
            QStringList descending;
        } cases[] = {
            {1, {"2", "5", "3", "1", "4", "6"}, {"6", "1", "4", "3", "5", "2"}}, // integer
            {2, {"5", "2", "6", "1", "4", "3"}, {"3", "1", "4", "6", "2", "5"}}, // numeric
            {3, {"2", "6", "5", "3", "1", "4"}, {"1", "4", "3", "5", "6", "2"}}, // timestamp
            {4, {"3", "2", "5", "1", "4", "6"}, {"6", "4", "1", "5", "2", "3"}}, // text beyond ASCII
            {5, {"2", "4", "5", "3", "6", "1"}, {"1", "6", "3", "5", "4", "2"}}, // ASCII text
        };
        QHeaderView &heading = *grid.horizontalHeader();
        for (const auto &sort : cases) {
            grid.sortByHeading(sort.column);
            QCOMPARE(idsInGridOrder(grid), sort.ascending);
            QVERIFY(heading.isSortIndicatorShown());
            QCOMPARE(heading.sortIndicatorSection(), sort.column);
            QCOMPARE(heading.sortIndicatorOrder(), Qt::AscendingOrder);
            grid.sortByHeading(sort.column);
            QCOMPARE(idsInGridOrder(grid), sort.descending);
            QCOMPARE(heading.sortIndicatorOrder(), Qt::DescendingOrder);
            grid.sortByHeading(sort.column);
            QCOMPARE(idsInGridOrder(grid), tableOrder);
            QVERIFY(!heading.isSortIndicatorShown());
        }

        // Many short strings of letters, digits, capitals and punctuation, with
        // and without letters beyond ASCII: the grid's order is the locale's.
        for (const char *table : {"words", "accented_words"}) {
            QVERIFY(driver.openTable(table));
            QStringList words;
            for (int row = 0; row < grid.rowCount(); ++row)
                words << grid.cellText(row, 1);
            QCollator collator;
            std::stable_sort(words.begin(), words.end(),
                             [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
            grid.sortByHeading(1);
            QStringList shown;
            for (int row = 0; row < grid.rowCount(); ++row)
                shown << grid.cellText(row, 1);
            QCOMPARE(shown, words);
        }
        QVERIFY(boxes.boxes().empty());
        QLocale::setDefault(QLocale::system());
    }

    void theSortedGridWritesTheRightRowAndExportsInItsOrder()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("sorts"));
        DataGrid &grid = *driver.editor().DataGrid1;
        grid.sortByHeading(1);
        grid.sortByHeading(1); // descending: 6 1 4 3 5 2
        grid.setCurrentIndex(grid.model()->index(4, 1));
        editAndLeave(grid, 1, 4, QStringLiteral("one"), 2);
        QCOMPARE(valueInDatabase("SELECT id FROM editor_t.sorts WHERE label = 'one'"), QStringLiteral("1"));
        QCOMPARE(grid.cellText(1, 4), QStringLiteral("one"));
        QCOMPARE(grid.currentIndex().row(), 2);
        // A pending edit of the row being left is written before the sort.
        QVERIFY(grid.model()->setData(grid.model()->index(2, 1), QStringLiteral("11")));
        grid.sortByHeading(1); // back to the table's order; the current cell follows its row
        QCOMPARE(valueInDatabase("SELECT n FROM editor_t.sorts WHERE id = 4"), QStringLiteral("11"));
        QCOMPARE(grid.cellText(grid.currentIndex().row(), 0), QStringLiteral("4"));

        grid.sortByHeading(2); // amount: 5 2 6 1 4 3
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("sorted.csv"));
        SaveDataGridToCSVFile(grid.rows(), file);
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QStringList ids;
        for (const QByteArray &line : csv.readAll().split('\n').mid(1)) {
            if (line.trimmed().size() > 0)
                ids << QString::fromUtf8(line.split(',').value(0)).remove(u'"');
        }
        QCOMPARE(ids, QStringList({"5", "2", "6", "1", "4", "3"}));
        QVERIFY(boxes.boxes().empty());

        // Deleting, undoing and inserting keep to the rows the grid shows.
        boxes.answerQuestionsWith(msgbox::Yes);
        grid.deleteRows({2});
        QCOMPARE(idsInGridOrder(grid).mid(0, 5), QStringList({"5", "2", "1", "4", "3"}));
        QCOMPARE(valueInDatabase("SELECT count(*) FROM editor_t.sorts WHERE id = 6"), QStringLiteral("0"));
        grid.undo();
        QCOMPARE(valueInDatabase("SELECT amount FROM editor_t.sorts WHERE id = 6"), QStringLiteral("0.100"));
        QCOMPARE(idsInGridOrder(grid).mid(0, 6), QStringList({"5", "6", "2", "1", "4", "3"}));
        QCOMPARE(grid.cellText(1, 2), QStringLiteral("0.100"));
        auto *model = grid.model();
        QVERIFY(model->setData(model->index(6, 0), QStringLiteral("7")));
        QVERIFY(model->setData(model->index(6, 4), QStringLiteral("new")));
        grid.setCurrentIndex(model->index(0, 0));
        QCOMPARE(valueInDatabase("SELECT label FROM editor_t.sorts WHERE id = 7"), QStringLiteral("new"));
        QCOMPARE(grid.cellText(6, 0), QStringLiteral("7"));
        QCOMPARE(grid.cellText(6, 4), QStringLiteral("new"));
        asLogin(QStringLiteral("UPDATE editor_t.sorts SET label = 'b' WHERE id = 1; UPDATE editor_t.sorts SET n = 10 WHERE id = 4;"
                               "DELETE FROM editor_t.sorts WHERE id = 7;"));
    }

    void findsForwardsBackwardsRoundTheEndWithCaseAndWholeCell()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("Mixed Case People"));
        Form3 &editor = driver.editor();
        DataGrid &grid = *editor.DataGrid1;
        QTest::keyClick(&grid, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(grid.findDialog() && grid.findDialog()->isVisible());
        QCOMPARE(grid.findDialog()->windowTitle(), QStringLiteral("Find"));

        grid.setCurrentIndex(grid.model()->index(0, 0));
        QCOMPARE(findInGrid(grid, "O", true), QStringLiteral("1,1 "));  // Bob
        QTest::keyClick(&grid, Qt::Key_F3);                              // again from the grid
        QCOMPARE(grid.currentIndex(), grid.model()->index(1, 4));         // ünïcode
        QTest::keyClick(&grid, Qt::Key_F3);
        QCOMPARE(grid.currentIndex(), grid.model()->index(1, 1));
        QCOMPARE(grid.findDialog()->note(), QStringLiteral("Passed the end; continued from the top."));
        QCOMPARE(findInGrid(grid, "o", false), QStringLiteral("1,4 Passed the top; continued from the end."));
        QTest::keyClick(&grid, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(grid.currentIndex(), grid.model()->index(1, 1));

        QCOMPARE(findInGrid(grid, "ÜNÏ", true), QStringLiteral("1,4 "));
        QCOMPARE(findInGrid(grid, "BOB", true, true), QStringLiteral("1,4 \"BOB\" was not found."));
        QCOMPARE(findInGrid(grid, "Bob", true, true), QStringLiteral("1,1 Passed the end; continued from the top."));
        QCOMPARE(findInGrid(grid, "bo", true, false, true), QStringLiteral("1,1 \"bo\" was not found."));
        QCOMPARE(findInGrid(grid, "cYD", true, false, true), QStringLiteral("2,1 "));

        // Finding moves as the user does: a refused row keeps the user in it.
        grid.setCurrentIndex(grid.model()->index(0, 0));
        QVERIFY(grid.model()->setData(grid.model()->index(0, 0), QStringLiteral("abc")));
        QCOMPARE(findInGrid(grid, "third", true), QStringLiteral("0,0 "));
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QCOMPARE(grid.cellText(0, 0), QStringLiteral("abc"));
        grid.discardPendingEdit();
        QCOMPARE(findInGrid(grid, "third", true), QStringLiteral("2,4 "));
    }

    void reloadShowsAnotherSessionsChangeAndKeepsTheRowAndTheSort()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("Mixed Case People"));
        DataGrid &grid = *driver.editor().DataGrid1;
        grid.sortByHeading(1);
        grid.sortByHeading(1); // names descending: Cyd Bob Ann
        grid.setCurrentIndex(grid.model()->index(1, 3));
        QCOMPARE(grid.cellText(1, 1), QStringLiteral("Bob"));
        QVERIFY(grid.model()->setData(grid.model()->index(1, 3), QStringLiteral("5")));
        asLogin(QStringLiteral("UPDATE editor_t.\"Mixed Case People\" SET name = 'Bobby' WHERE id = 2;"
                               "INSERT INTO editor_t.\"Mixed Case People\" (id, name) VALUES (4, 'Dan');"));

        QTest::keyClick(&grid, Qt::Key_F5);
        QVERIFY(boxes.boxes().empty());
        QCOMPARE(valueInDatabase("SELECT salary FROM editor_t.\"Mixed Case People\" WHERE id = 2"), QStringLiteral("5.00"));
        QCOMPARE(idsInGridOrder(grid), QStringList({"4", "3", "2", "1"}));
        QCOMPARE(grid.currentIndex(), grid.model()->index(2, 3));
        QCOMPARE(grid.cellText(2, 1), QStringLiteral("Bobby"));
        QCOMPARE(grid.cellText(2, 3), QStringLiteral("5.00"));
        QCOMPARE(grid.horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);

        // A refused pending row is not left for a reload.
        QVERIFY(grid.model()->setData(grid.model()->index(2, 0), QStringLiteral("abc")));
        QVERIFY(!grid.reload());
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QCOMPARE(grid.cellText(2, 0), QStringLiteral("abc"));
        grid.discardPendingEdit();
    }

    void nextWithNothingSelectedOnlyAsks()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        driver.chooser().List1->setCurrentRow(-1);
        driver.chooser().List1->clearSelection();
        driver.chooser().PushButton3_Click();
        QCOMPARE(boxes.texts(), QStringList({"Please select a table"}));
        QCOMPARE(boxes.boxes()[0].title, QStringLiteral("Tabvale"));
        QVERIFY(driver.chooser().isVisible());
        QVERIFY(!driver.wizard().hasForm3());
        QCOMPARE(driver.chooser().MousePointer(), 0);
    }

    void aLostServerIsReportedAndNothingTypedIsLost()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("Mixed Case People"));
        Form3 &editor = driver.editor();
        DataGrid &grid = *editor.DataGrid1;
        auto *model = grid.model();
        grid.setCurrentIndex(model->index(2, 1));
        QVERIFY(model->setData(model->index(2, 1), QStringLiteral("typed while down")));
        {
            testpg::ServerRestarter restarter;
            QVERIFY(testpg::stopServer());
            grid.setCurrentIndex(model->index(0, 1));
            QCOMPARE(boxes.boxes().size(), size_t(1));
            QCOMPARE(grid.currentIndex().row(), 2);
            QCOMPARE(grid.cellText(2, 1), QStringLiteral("typed while down"));

            // Opening a table while the server is down: the reports of the
            // failed open and of the failed read, then an empty editor.
            boxes.clear();
            editor.PushButton1_Click(); // refused again: still in the editor
            QCOMPARE(boxes.boxes().size(), size_t(1));
            grid.discardPendingEdit();
            boxes.clear();
            editor.PushButton1_Click();
            QVERIFY(driver.chooser().isVisible());
            driver.openTable("empty_one");
            QCOMPARE(boxes.boxes().size(), size_t(2));
            QVERIFY(boxes.texts()[0].contains("PushButton3_Click at line 114"));
            QVERIFY(boxes.texts()[1].contains("PushButton3_Click at line 126"));
            QVERIFY(editor.isVisible());
            QVERIFY(!driver.chooser().isVisible());
            QCOMPARE(grid.rowCount(), 0);
            QCOMPARE(grid.columnCount(), 0);
            QCOMPARE(editor.Label2->text(), QStringLiteral(" Now Editing: empty_one"));
            QCOMPARE(driver.chooser().MousePointer(), 0);
            QVERIFY(testpg::startServer());
        }
        boxes.clear();
        editor.PushButton1_Click();
        QVERIFY(driver.openTable("Mixed Case People"));
        QCOMPARE(grid.rowCount(), 3);
        QVERIFY(boxes.boxes().empty());
    }

private:
    testpg::Login user_;
};

QTEST_MAIN(TableEditorTest)
#include "table_editor_test.moc"
