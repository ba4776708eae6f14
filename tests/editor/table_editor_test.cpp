#include "app/seams.h"
#include "app/ui/form1.h"
#include "app/ui/wait_dialog.h"
#include "app/ui/wizard.h"
#include "db/ui/form2.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "editor/table_model.h"
#include "support/message_capture.h"
#include "support/wizard_driver.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

namespace {

const QString login = QStringLiteral("editor_t");

void asLogin(const QString &sql)
{
    testpg::adminExec(QStringLiteral("SET ROLE %1; %2 RESET ROLE;").arg(login, sql));
}

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
            "INSERT INTO editor_t.twins VALUES ('same', 1), ('same', 1);"));
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

        WaitDialog::setDelay(50);
        QElapsedTimer sinceCancel;
        QString shown;
        seams::current().progressReported = [&](QProgressDialog *dialog) {
            if (!dialog || sinceCancel.isValid())
                return;
            shown = dialog->windowTitle() + u'|' + dialog->labelText() + u'|' + QString::number(dialog->isVisible());
            sinceCancel.start();
            dialog->cancel();
        };
        editAndLeave(grid, bob, 1, QStringLiteral("Bobby"), other);
        const qint64 cancelMs = sinceCancel.elapsed();
        seams::current().progressReported = {};
        WaitDialog::setDelay(1000);

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
