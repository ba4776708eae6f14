#include "db/table_snapshot.h"
#include "editor/table_model.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "support/message_capture.h"
#include "support/scratch_sql.h"
#include "support/wizard_driver.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QToolTip>
#include <QtTest>

// What a cell takes: values longer than a line editor's default, cells the
// database fills itself, and tables with no cells at all.
namespace {

const QString login = QStringLiteral("cells_t");
const AsLogin asLogin(login);

// A tooltip that no reason contains, so that the next one can be told from
// the last: a hidden tooltip keeps its text for a while.
void markTooltip(QWidget &widget)
{
    QToolTip::showText(widget.mapToGlobal(QPoint(1, 1)), QStringLiteral("-"), &widget);
}

QLineEdit *cellEditor()
{
    return qobject_cast<QLineEdit *>(QApplication::focusWidget());
}

} // namespace

class CellLimitsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        user_ = createScratchLogin(login);
        asLogin(QStringLiteral(
            "CREATE TABLE long_text (id integer PRIMARY KEY, body text);"
            "CREATE TABLE derived (id integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY, a integer, "
            "  doubled integer GENERATED ALWAYS AS (a * 2) STORED, data bytea, note text);"
            "CREATE TABLE bare ();"));
    }
    void cleanupTestCase()
    {
        if (testpg::missingEnvironment().isEmpty())
            dropScratchLogin(login);
    }
    void init()
    {
        asLogin(QStringLiteral(
            "TRUNCATE long_text, derived, bare RESTART IDENTITY;"
            "INSERT INTO long_text VALUES (1, repeat('x', 40000)), (2, 'short');"
            "INSERT INTO derived (a, data, note) VALUES (1, '\\x0102', 'one'), (2, NULL, 'two');"
            "INSERT INTO bare DEFAULT VALUES; INSERT INTO bare DEFAULT VALUES;"));
    }
    void cleanup() { driver_.reset(); }

    // F2 on a 40,000-character cell, text typed at its end, the row left:
    // the whole value and what was typed reach the database.
    void aLongValueEditedAtItsEndIsWrittenWhole()
    {
        MessageCapture boxes;
        DataGrid &grid = open("long_text");
        grid.setFocus();
        grid.setCurrentIndex(grid.model()->index(0, 1));
        QTest::keyClick(&grid, Qt::Key_F2);
        QLineEdit *editor = cellEditor();
        QVERIFY2(editor, "no cell editor opened");
        QCOMPARE(editor->text().size(), 40000);
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClicks(editor, QStringLiteral("tail"));
        QTest::keyClick(editor, Qt::Key_Down);
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(grid.currentIndex().row(), 1);
        QCOMPARE(inDatabase("SELECT length(body), right(body, 6) FROM cells_t.long_text WHERE id = 1"),
                 QStringLiteral("40004|xxtail"));
        QCOMPARE(grid.cellText(0, 1).size(), 40004);
    }

    // Typing into a cell the database fills or that holds binary data
    // opens no editor, changes nothing and says why.
    void readOnlyCellsSayWhy_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("reason");
        QTest::newRow("numbered by the database") << 0 << "numbers the rows";
        QTest::newRow("generated") << 2 << "computes this column";
        QTest::newRow("binary") << 3 << "binary data";
    }
    void readOnlyCellsSayWhy()
    {
        QFETCH(int, column);
        QFETCH(QString, reason);
        DataGrid &grid = open("derived");
        TableModel &model = grid.tableModel();
        const QModelIndex cell = model.index(0, column);
        QVERIFY(!(model.flags(cell) & Qt::ItemIsEditable));
        QVERIFY(model.data(cell, Qt::ToolTipRole).toString().contains(reason));
        QVERIFY(model.data(model.index(0, 1), Qt::ToolTipRole).isNull());

        grid.setFocus();
        grid.setCurrentIndex(cell);
        markTooltip(grid);
        QTest::keyClicks(&grid, QStringLiteral("9"));
        QVERIFY(!cellEditor());
        QVERIFY(!grid.hasPendingEdit());
        QVERIFY2(QToolTip::text().contains(reason), qPrintable(QToolTip::text()));
        markTooltip(grid);
        QTest::keyClick(&grid, Qt::Key_Delete);
        QVERIFY2(QToolTip::text().contains(reason), qPrintable(QToolTip::text()));
        markTooltip(grid);
        grid.setSelectionToNull();
        QVERIFY2(QToolTip::text().contains(reason), qPrintable(QToolTip::text()));
        QVERIFY(!grid.hasPendingEdit());
    }

    // A pasted row whose text differs in a read-only column: the rest of the
    // row is written, and the box names the column left out.
    void pasteSaysWhichColumnsItLeftOut()
    {
        MessageCapture boxes;
        DataGrid &grid = open("derived");
        grid.setCurrentIndex(grid.model()->index(0, 1));
        QApplication::clipboard()->setText(QStringLiteral("7\t99\t0102\tfirst\n8\t16\t\tsecond\n"));
        grid.paste();
        QVERIFY(grid.commitPendingEdit());
        QCOMPARE(boxes.texts(), QStringList({TableModel::pasteLeftOutText.toString().arg("\"doubled\"")}));
        QCOMPARE(boxes.boxes().front().flags, msgbox::OkOnly);
        QCOMPARE(inDatabase("SELECT string_agg(a || ':' || doubled || ':' || note, ',' ORDER BY id) "
                            "FROM cells_t.derived"),
                 QStringLiteral("7:14:first,8:16:second"));
        QCOMPARE(grid.cellText(0, 2), QStringLiteral("14"));

        // Values the cells hold once the row is written lose nothing: no box.
        boxes.clear();
        grid.setCurrentIndex(grid.model()->index(0, 0));
        QApplication::clipboard()->setText(QStringLiteral("1\t70\t140\n"));
        grid.paste();
        QVERIFY(grid.commitPendingEdit());
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(inDatabase("SELECT a, doubled FROM cells_t.derived WHERE id = 1"), QStringLiteral("70|140"));
    }

    // No columns, two rows: both show, and one goes by its header.
    void aTableWithoutColumnsShowsItsRows()
    {
        MessageCapture boxes;
        boxes.answerQuestionsWith(msgbox::Yes);
        DataGrid &grid = open("bare");
        QCOMPARE(grid.columnCount(), 0);
        QCOMPARE(grid.rowCount(), 2);
        QVERIFY(grid.rowsToDelete().empty());
        QHeaderView *rowHeaders = grid.verticalHeader();
        // A press on the second row's header, as the mouse gives it.
        const QPoint at(rowHeaders->width() / 2, rowHeaders->sectionViewportPosition(1) + 5);
        QMouseEvent press(QEvent::MouseButtonPress, at, rowHeaders->viewport()->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rowHeaders->viewport(), &press);
        QCOMPARE(grid.rowsToDelete(), std::vector<int>{1});
        grid.deleteRows(grid.rowsToDelete());
        QCOMPARE(boxes.texts(), QStringList({"Delete 1 row from the table?"}));
        QCOMPARE(grid.rowCount(), 1);
        QCOMPARE(inDatabase("SELECT count(*) FROM cells_t.bare"), QStringLiteral("1"));
        grid.undo();
        QCOMPARE(grid.rowCount(), 2);
        QCOMPARE(inDatabase("SELECT count(*) FROM cells_t.bare"), QStringLiteral("2"));
        QCOMPARE(boxes.texts().size(), 1);
    }

private:
    DataGrid &open(const QString &table)
    {
        if (!driver_) {
            driver_ = std::make_unique<WizardDriver>();
            driver_->logIn(user_);
        }
        [&] { QVERIFY(driver_->openTable(table)); }();
        return *driver_->editor().DataGrid1;
    }
    testpg::Login user_;
    std::unique_ptr<WizardDriver> driver_;
};

QTEST_MAIN(CellLimitsTest)
#include "cell_limits_test.moc"
