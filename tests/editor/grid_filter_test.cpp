// Filters, hidden and moved columns, the grid filling its window and a
// layout remembered per table, in the editor against the server.
#include "app/settings_store.h"
#include "app/ui/kit/twips.h"
#include "app/ui/wizard.h"
#include "editor/table_model.h"
#include "editor/ui/column_layout.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/filter_header.h"
#include "editor/ui/find_dialog.h"
#include "editor/ui/form3.h"
#include "editor/ui/grid_filtering.h"
#include "export/datagrid_writers.h"
#include "support/message_capture.h"
#include "support/wizard_driver.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

namespace {

const QString login = QStringLiteral("filter_t");

void asLogin(const QString &sql)
{
    testpg::adminExec(QStringLiteral("SET ROLE %1; %2 RESET ROLE;").arg(login, sql));
}

QString inDatabase(const QString &sql)
{
    return testpg::adminQuery(sql).join(u'\n');
}

// The id (the table's first column) of every row shown, in the grid's order.
QString shownIds(DataGrid &grid)
{
    QStringList ids;
    for (int row = 0; row < grid.rowCount(); ++row)
        ids << grid.tableModel().cellText(row, 0);
    return ids.join(u',');
}

int rowOfId(DataGrid &grid, int id)
{
    for (int row = 0; row < grid.rowCount(); ++row) {
        if (grid.tableModel().cellText(row, 0) == QString::number(id))
            return row;
    }
    return -1;
}

// Types into one box, as the user does, the others emptied, and lets the
// pause pass at once.
void filterColumn(DataGrid &grid, int column, const QString &typed)
{
    FilterHeader &header = grid.filterHeader();
    grid.filtering().setShown(true);
    header.clearBoxes();
    header.setBoxText(column, typed);
    grid.filtering().apply();
}

void editAndLeave(DataGrid &grid, int row, int column, const QString &text, int toRow)
{
    auto *model = grid.model();
    grid.setCurrentIndex(model->index(row, column));
    QVERIFY(model->setData(model->index(row, column), text));
    grid.setCurrentIndex(model->index(toRow, column));
}

QString settingsFile()
{
    return settingsFilePath(QStringLiteral("Kestrelon"));
}

// The lines of one section of the settings file, as they stand.
QString sectionOf(const QString &section)
{
    QFile file(settingsFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    bool inside = false;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith('['))
            inside = line == "[" + section.toUtf8() + "]";
        if (inside)
            lines << QString::fromUtf8(line);
    }
    return lines.join(u'\n');
}

QStringList headingsInDisplayOrder(DataGrid &grid)
{
    QStringList names;
    QHeaderView *header = grid.horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        names << grid.model()->headerData(column, Qt::Horizontal).toString()
                     + (header->isSectionHidden(column) ? QStringLiteral("(hidden)") : QString());
    }
    return names;
}

} // namespace

class GridFilterTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        // Text compares in a known language's order, whatever the machine's.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        user_ = createScratchLogin(login);
        asLogin(QStringLiteral("CREATE TABLE filter_t.things (id integer PRIMARY KEY, name varchar(20), "
                               "  amount numeric(9,2), born date, seen timestamp, note text);"
                               "CREATE TABLE filter_t.others (a int, b int, c int, d int, e int, f int);"));
    }
    void cleanupTestCase()
    {
        if (testpg::missingEnvironment().isEmpty())
            dropScratchLogin(login);
    }
    void cleanup() { driver_.reset(); }
    void init()
    {
        asLogin(QStringLiteral(
            "DROP TABLE IF EXISTS filter_t.shapes; "
            "CREATE TABLE filter_t.shapes (id integer PRIMARY KEY, kind text, size integer, colour text);"
            "INSERT INTO filter_t.shapes VALUES (1, 'box', 3, 'red'), (2, 'ball', 1, 'blue');"
            "TRUNCATE filter_t.things;"
            "INSERT INTO filter_t.things VALUES "
            "  (1, 'Ann', 9.50, '2020-01-31', '2020-01-31 08:00:00', 'alpha'),"
            "  (2, 'bob', 10.00, NULL, '2021-06-01 12:00:00', NULL),"
            "  (3, NULL, -3.00, '2019-12-31', NULL, 'Beta'),"
            "  (4, 'Cyd', NULL, '2020-02-01', '2020-02-01 00:00:00', ''),"
            "  (5, 'dan', 100.00, '2020-01-31', '2019-01-01 00:00:00', 'gamma');"));
    }

    void eachFormOnEachColumnKind_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("ids");
        QTest::newRow("integer >") << 0 << ">2" << "3,4,5";
        QTest::newRow("integer <=") << 0 << "<=2" << "1,2";
        QTest::newRow("integer =") << 0 << "=3" << "3";
        QTest::newRow("integer <>") << 0 << "<>3" << "1,2,4,5";
        QTest::newRow("integer NULL") << 0 << "NULL" << "";
        QTest::newRow("varchar contains, case-blind") << 1 << "N" << "1,5";
        QTest::newRow("varchar =") << 1 << "=bob" << "2";
        QTest::newRow("varchar <> leaves NULL out") << 1 << "<>bob" << "1,4,5";
        QTest::newRow("varchar < in the language's order") << 1 << "<c" << "1,2";
        QTest::newRow("varchar NULL") << 1 << "null" << "3";
        QTest::newRow("varchar NOT NULL") << 1 << "NOT NULL" << "1,2,4,5";
        QTest::newRow("numeric > as numbers") << 2 << ">9.5" << "2,5";
        QTest::newRow("numeric <") << 2 << "<10" << "1,3";
        QTest::newRow("numeric = as shown") << 2 << "=10.00" << "2";
        QTest::newRow("numeric NULL") << 2 << "NULL" << "4";
        QTest::newRow("date >") << 3 << ">2020-01-01" << "1,4,5";
        QTest::newRow("date <=") << 3 << "<=2020-01-31" << "1,3,5";
        QTest::newRow("date NULL") << 3 << "NULL" << "2";
        QTest::newRow("timestamp >=") << 4 << ">=2020-01-31 08:00:00" << "1,2,4";
        QTest::newRow("timestamp contains") << 4 << "12:00" << "2";
        QTest::newRow("timestamp NOT NULL") << 4 << "not null" << "1,2,4,5";
        QTest::newRow("text contains") << 5 << "A" << "1,3,5";
        QTest::newRow("text = empty is not NULL") << 5 << "=" << "4";
        QTest::newRow("text NULL") << 5 << "NULL" << "2";
        QTest::newRow("text >= in the language's order") << 5 << ">=beta" << "3,5";
    }

    void eachFormOnEachColumnKind()
    {
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(QString, ids);
        MessageCapture boxes;
        DataGrid &grid = open("things");
        filterColumn(grid, column, typed);
        QCOMPARE(shownIds(grid), ids);
        QVERIFY(grid.filterHeader().box(column)->toolTip().isEmpty());
        QVERIFY(boxes.boxes().empty());
    }

    void malformedBoxIsRedSaysWhyAndFiltersNothing()
    {
        MessageCapture boxes;
        DataGrid &grid = open("things");
        filterColumn(grid, 2, QStringLiteral(">abc"));
        QCOMPARE(shownIds(grid), QStringLiteral("1,2,3,4,5"));
        QLineEdit *box = grid.filterHeader().box(2);
        QVERIFY(box->toolTip().contains(QStringLiteral("\"abc\" is not a number")));
        QVERIFY(box->styleSheet().contains(QStringLiteral("background")));
        // Another box still filters beside it; mending it takes the red away.
        grid.filterHeader().setBoxText(0, QStringLiteral(">3"));
        grid.filtering().apply();
        QCOMPARE(shownIds(grid), QStringLiteral("4,5"));
        grid.filterHeader().setBoxText(2, QStringLiteral(">50"));
        grid.filtering().apply();
        QCOMPARE(shownIds(grid), QStringLiteral("5"));
        QVERIFY(box->toolTip().isEmpty());
        QVERIFY(box->styleSheet().isEmpty());
        QVERIFY(boxes.boxes().empty());
    }

    void boxesCombineCountShowsAndFilterByValue()
    {
        MessageCapture boxes;
        DataGrid &grid = open("things");
        QVERIFY(!grid.filtering().shown());
        auto *corner = grid.findChild<QLabel *>(QStringLiteral("FilterCount"));
        QVERIFY(corner);
        QVERIFY(!corner->isVisible());

        filterColumn(grid, 0, QStringLiteral(">1"));
        grid.filterHeader().setBoxText(5, QStringLiteral("a"));
        grid.filtering().apply();
        QCOMPARE(shownIds(grid), QStringLiteral("3,5"));
        QVERIFY(corner->isVisible());
        QCOMPARE(corner->text(), QStringLiteral("2"));
        QCOMPARE(corner->toolTip(), QStringLiteral("2 of 5 rows"));

        // Hidden, the boxes keep their text and filter nothing; shown again,
        // they filter again.
        grid.filtering().setShown(false);
        QCOMPARE(shownIds(grid), QStringLiteral("1,2,3,4,5"));
        QVERIFY(!corner->isVisible());
        grid.filtering().setShown(true);
        QCOMPARE(shownIds(grid), QStringLiteral("3,5"));

        grid.filtering().clear();
        QCOMPARE(shownIds(grid), QStringLiteral("1,2,3,4,5"));
        QCOMPARE(grid.filterHeader().boxText(0), QString());

        // By this value: the cell's whole text, or NULL.
        grid.setCurrentIndex(grid.model()->index(rowOfId(grid, 2), 5));
        grid.filtering().filterByValue(grid.currentIndex());
        QCOMPARE(grid.filterHeader().boxText(5), QStringLiteral("NULL"));
        QCOMPARE(shownIds(grid), QStringLiteral("2"));
        grid.filtering().clear();
        grid.filtering().setShown(false);
        grid.setCurrentIndex(grid.model()->index(rowOfId(grid, 4), 1));
        QTest::keyClick(&grid, Qt::Key_F, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(grid.filtering().shown());
        QCOMPARE(grid.filterHeader().boxText(1), QStringLiteral("=Cyd"));
        QCOMPARE(shownIds(grid), QStringLiteral("4"));
        // The current cell stayed on its row.
        QCOMPARE(grid.currentIndex().row(), 0);
        QCOMPARE(grid.currentIndex().column(), 1);
        QVERIFY(boxes.boxes().empty());
    }

    void typingFiltersAfterAPause()
    {
        MessageCapture boxes;
        DataGrid &grid = open("things");
        grid.filtering().setShown(true);
        QLineEdit *box = grid.filterHeader().box(1);
        QVERIFY(box->isVisible());
        QTest::keyClicks(box, QStringLiteral("a"));
        QTRY_COMPARE(shownIds(grid), QStringLiteral("1,5"));
        QTest::keyClicks(box, QStringLiteral("n"));
        QTRY_COMPARE(shownIds(grid), QStringLiteral("1,5"));
        QTest::keyClicks(box, QStringLiteral("n"));
        QTRY_COMPARE(shownIds(grid), QStringLiteral("1"));
        // Return filters at once.
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(shownIds(grid), QStringLiteral("1,5"));
        QVERIFY(boxes.boxes().empty());
    }

    void filterAndSortInEitherOrder()
    {
        MessageCapture boxes;
        DataGrid &grid = open("things");
        filterColumn(grid, 2, QStringLiteral("NOT NULL"));
        grid.sortByHeading(2); // amount ascending
        QCOMPARE(shownIds(grid), QStringLiteral("3,1,2,5"));
        grid.sortByHeading(2); // descending
        QCOMPARE(shownIds(grid), QStringLiteral("5,2,1,3"));
        // A new filter keeps the sort.
        grid.filterHeader().setBoxText(0, QStringLiteral("<5"));
        grid.filtering().apply();
        QCOMPARE(shownIds(grid), QStringLiteral("2,1,3"));
        grid.sortByHeading(2); // the table's own order, still filtered
        QCOMPARE(shownIds(grid), QStringLiteral("1,2,3"));
        grid.sortByHeading(1); // names: NULL first
        QCOMPARE(shownIds(grid), QStringLiteral("3,1,2"));
        grid.filtering().clear();
        QCOMPARE(shownIds(grid), QStringLiteral("3,1,2,4,5"));
        QVERIFY(boxes.boxes().empty());
    }

    void editsInsertsDeletesAndUndoLandOnTheirRows()
    {
        MessageCapture boxes;
        DataGrid &grid = open("things");
        TableModel &model = grid.tableModel();
        filterColumn(grid, 1, QStringLiteral("n")); // Ann, dan
        QCOMPARE(shownIds(grid), QStringLiteral("1,5"));

        // An edited row stays in view though it no longer matches.
        editAndLeave(grid, 0, 1, QStringLiteral("Zed"), 1);
        QCOMPARE(inDatabase("SELECT name FROM filter_t.things WHERE id = 1"), QStringLiteral("Zed"));
        QCOMPARE(shownIds(grid), QStringLiteral("1,5"));
        QCOMPARE(model.cellText(0, 1), QStringLiteral("Zed"));

        // A new row is typed on the line below and shows at the end.
        QCOMPARE(model.headerData(2, Qt::Vertical).toString(), QStringLiteral("*"));
        grid.setCurrentIndex(model.index(2, 0));
        QVERIFY(model.setData(model.index(2, 0), QStringLiteral("6")));
        QVERIFY(model.setData(model.index(2, 1), QStringLiteral("Xavier")));
        grid.setCurrentIndex(model.index(0, 0));
        QCOMPARE(inDatabase("SELECT name FROM filter_t.things WHERE id = 6"), QStringLiteral("Xavier"));
        QCOMPARE(shownIds(grid), QStringLiteral("1,5,6"));
        QCOMPARE(grid.findChild<QLabel *>(QStringLiteral("FilterCount"))->toolTip(), QStringLiteral("3 of 6 rows"));

        // Deleting the second row shown deletes dan, not the table's second row.
        boxes.answerQuestionsWith(msgbox::Yes);
        grid.deleteRows({1});
        QCOMPARE(inDatabase("SELECT string_agg(id::text, ',' ORDER BY id) FROM filter_t.things"),
                 QStringLiteral("1,2,3,4,6"));
        QCOMPARE(shownIds(grid), QStringLiteral("1,6"));

        // Undo puts dan back where the filter shows it, then takes back the
        // insert and the edit, each on its own row.
        grid.undo();
        QCOMPARE(inDatabase("SELECT name FROM filter_t.things WHERE id = 5"), QStringLiteral("dan"));
        QCOMPARE(shownIds(grid), QStringLiteral("1,5,6"));
        grid.undo();
        QCOMPARE(inDatabase("SELECT count(*) FROM filter_t.things WHERE id = 6"), QStringLiteral("0"));
        QCOMPARE(shownIds(grid), QStringLiteral("1,5"));
        grid.undo();
        QCOMPARE(inDatabase("SELECT name FROM filter_t.things WHERE id = 1"), QStringLiteral("Ann"));
        QCOMPARE(model.cellText(0, 1), QStringLiteral("Ann"));

        // Once the filter changes, a row edited out of it goes.
        editAndLeave(grid, 1, 1, QStringLiteral("Dave"), 0);
        filterColumn(grid, 1, QStringLiteral("nn"));
        QCOMPARE(shownIds(grid), QStringLiteral("1"));
        filterColumn(grid, 1, QStringLiteral("n"));
        QCOMPARE(shownIds(grid), QStringLiteral("1"));

        // A row deleted, then a filter it does not meet: undo puts it back in
        // the table, out of sight.
        filterColumn(grid, 0, QStringLiteral(">=4"));
        QCOMPARE(shownIds(grid), QStringLiteral("4,5"));
        grid.deleteRows({0});
        QCOMPARE(inDatabase("SELECT count(*) FROM filter_t.things WHERE id = 4"), QStringLiteral("0"));
        filterColumn(grid, 0, QStringLiteral(">4"));
        grid.undo();
        QCOMPARE(inDatabase("SELECT name FROM filter_t.things WHERE id = 4"), QStringLiteral("Cyd"));
        QCOMPARE(shownIds(grid), QStringLiteral("5"));
        filterColumn(grid, 0, QStringLiteral(">3"));
        QCOMPARE(shownIds(grid), QStringLiteral("4,5"));
        QCOMPARE(boxes.texts(), QStringList({"Delete 1 row from the table?", "Delete 1 row from the table?"}));
    }

    void savedFileHoldsTheShownRowsAndColumnsInGridOrder()
    {
        MessageCapture boxes;
        DataGrid &grid = open("things");
        QHeaderView *header = grid.horizontalHeader();
        header->moveSection(header->visualIndex(5), 0); // note first
        grid.columnLayout().hideColumn(3);              // born
        filterColumn(grid, 2, QStringLiteral("NOT NULL"));
        grid.sortByHeading(2);
        grid.sortByHeading(2); // amount, descending
        QCOMPARE(grid.columnCount(), 5);
        QCOMPARE(grid.caption(0), QStringLiteral("note"));

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("shown.csv"));
        SaveDataGridToCSVFile(grid.rows(), file);
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll(), QByteArray("\"note\",\"id\",\"name\",\"amount\",\"seen\"\r\n"
                                           "\"gamma\",\"5\",\"dan\",\"100.00\",\"2019-01-01 00:00:00\"\r\n"
                                           "\"\",\"2\",\"bob\",\"10.00\",\"2021-06-01 12:00:00\"\r\n"
                                           "\"alpha\",\"1\",\"Ann\",\"9.50\",\"2020-01-31 08:00:00\"\r\n"
                                           "\"Beta\",\"3\",\"\",\"-3.00\",\"\"\r\n"
                                           "\r\n"));

        // A pending edit is saved where its column shows.
        QVERIFY(grid.model()->setData(grid.model()->index(0, 5), QStringLiteral("delta")));
        QTemporaryDir dir2;
        SaveDataGridToCSVFile(grid.rows(), dir2.filePath("edited.csv"));
        QFile edited(dir2.filePath("edited.csv"));
        QVERIFY(edited.open(QIODevice::ReadOnly));
        QCOMPARE(edited.readAll().split('\n').value(1), QByteArray("\"delta\",\"5\",\"dan\",\"100.00\",\"2019-01-01 00:00:00\"\r"));
        grid.discardPendingEdit();

        // Find looks only in the columns shown: born's dates are not found.
        grid.showFindDialog();
        grid.findDialog()->findText->setText(QStringLiteral("2019-12-31"));
        QVERIFY(!grid.findAgain(true));
        grid.findDialog()->findText->setText(QStringLiteral("bob"));
        QVERIFY(grid.findAgain(true));
        QCOMPARE(grid.currentIndex().column(), 1);
        grid.findDialog()->close();

        // Copy and paste go by the columns as they show, passing over hidden ones.
        QAbstractItemModel *model = grid.model();
        grid.setCurrentIndex(model->index(0, 5));
        grid.selectionModel()->select(model->index(0, 0), QItemSelectionModel::Select);
        grid.selectionModel()->select(model->index(0, 1), QItemSelectionModel::Select);
        grid.copySelection();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("gamma\t5\tdan\n"));
        QApplication::clipboard()->setText(QStringLiteral("11.00\t2022-01-01 00:00:00"));
        grid.setCurrentIndex(model->index(1, 2));
        grid.paste();
        QCOMPARE(inDatabase("SELECT amount, born, seen FROM filter_t.things WHERE id = 2"),
                 QStringLiteral("11.00||2022-01-01 00:00:00"));
        QVERIFY(boxes.boxes().empty());
    }

    void layoutIsRememberedAcrossARestartAndForgottenByReset()
    {
        MessageCapture boxes;
        QTemporaryDir store;
        QString loginSection;
        {
            WizardDriver driver;
            QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
            driver.logIn(user_);
            QVERIFY(driver.openTable("things"));
            DataGrid &grid = *driver.editor().DataGrid1;
            loginSection = sectionOf(QStringLiteral("Tabvale%20Software"));
            QVERIFY(loginSection.contains(QStringLiteral("OracleUser=filter_t")));
            QHeaderView *header = grid.horizontalHeader();
            header->moveSection(header->visualIndex(5), 1);
            grid.columnLayout().hideColumn(3);
            grid.setColumnWidth(1, 151);
            grid.sortByHeading(2);
            grid.sortByHeading(2);
            filterColumn(grid, 1, QStringLiteral("a"));
            QCOMPARE(shownIds(grid), QStringLiteral("5,1"));
        } // the program ends
        QCOMPARE(sectionOf(QStringLiteral("Tabvale%20Software")), loginSection);

        {
            WizardDriver driver;
            QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
            driver.logIn(user_);
            QVERIFY(driver.openTable("things"));
            DataGrid &grid = *driver.editor().DataGrid1;
            QCOMPARE(headingsInDisplayOrder(grid),
                     QStringList({"id", "note", "name", "amount", "born(hidden)", "seen"}));
            QCOMPARE(grid.columnWidth(1), 151);
            QCOMPARE(grid.horizontalHeader()->sortIndicatorSection(), 2);
            // The filter line shows again, empty: the texts are not kept.
            QVERIFY(grid.filtering().shown());
            QCOMPARE(grid.filterHeader().boxText(1), QString());
            QCOMPARE(shownIds(grid), QStringLiteral("5,2,1,3,4"));
            QCOMPARE(grid.caption(1), QStringLiteral("note"));

            // Another table (of as many columns) starts as its table has it;
            // back to this one, it is as it was left.
            grid.setColumnWidth(2, 77);
            driver.editor().PushButton1_Click();
            QVERIFY(driver.openTable("others"));
            QCOMPARE(headingsInDisplayOrder(grid), QStringList({"a", "b", "c", "d", "e", "f"}));
            QVERIFY(!grid.filtering().shown());
            QVERIFY(!grid.horizontalHeader()->isSortIndicatorShown());
            driver.editor().PushButton1_Click();
            QVERIFY(driver.openTable("things"));
            QCOMPARE(headingsInDisplayOrder(grid),
                     QStringList({"id", "note", "name", "amount", "born(hidden)", "seen"}));
            QCOMPARE(grid.columnWidth(2), 77);
            QVERIFY(grid.filtering().shown());

            // Reset Layout forgets it, and the grid is as first opened.
            grid.columnLayout().resetLayout();
            QCOMPARE(headingsInDisplayOrder(grid), QStringList({"id", "name", "amount", "born", "seen", "note"}));
            QVERIFY(!grid.filtering().shown());
            QCOMPARE(shownIds(grid), QStringLiteral("1,2,3,4,5"));
            QFile file(settingsFile());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(!file.readAll().contains("things"));
        }
        {
            WizardDriver driver;
            QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
            driver.logIn(user_);
            QVERIFY(driver.openTable("things"));
            DataGrid &grid = *driver.editor().DataGrid1;
            QCOMPARE(headingsInDisplayOrder(grid), QStringList({"id", "name", "amount", "born", "seen", "note"}));
            QVERIFY(!grid.horizontalHeader()->isSortIndicatorShown());
        }
        QCOMPARE(sectionOf(QStringLiteral("Tabvale%20Software")), loginSection);
        QVERIFY(boxes.boxes().empty());
    }

    void aColumnAddedOrDroppedMeanwhileFitsIn()
    {
        MessageCapture boxes;
        QTemporaryDir store;
        {
            WizardDriver driver;
            QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
            driver.logIn(user_);
            QVERIFY(driver.openTable("shapes"));
            DataGrid &grid = *driver.editor().DataGrid1;
            QHeaderView *header = grid.horizontalHeader();
            header->moveSection(header->visualIndex(3), 0); // colour first
            grid.columnLayout().hideColumn(2);              // size
            QCOMPARE(headingsInDisplayOrder(grid), QStringList({"colour", "id", "kind", "size(hidden)"}));
        }
        asLogin(QStringLiteral("ALTER TABLE filter_t.shapes DROP COLUMN kind; "
                               "ALTER TABLE filter_t.shapes ADD COLUMN weight integer;"));
        {
            WizardDriver driver;
            QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
            driver.logIn(user_);
            QVERIFY(driver.openTable("shapes"));
            DataGrid &grid = *driver.editor().DataGrid1;
            // weight follows colour, its neighbour in the table.
            QCOMPARE(headingsInDisplayOrder(grid), QStringList({"colour", "weight", "id", "size(hidden)"}));
            QCOMPARE(grid.caption(1), QStringLiteral("weight"));
            QCOMPARE(grid.columnCount(), 3);

            // Read again after one more column came: it fits in the same
            // way, and a filter whose boxes went filters no more.
            filterColumn(grid, 0, QStringLiteral("=1"));
            QCOMPARE(shownIds(grid), QStringLiteral("1"));
            asLogin(QStringLiteral("ALTER TABLE filter_t.shapes ADD COLUMN shade text;"));
            QVERIFY(grid.reload());
            QCOMPARE(headingsInDisplayOrder(grid),
                     QStringList({"colour", "weight", "shade", "id", "size(hidden)"}));
            QCOMPARE(grid.filterHeader().boxCount(), 5);
            QCOMPARE(grid.filterHeader().boxText(0), QString());
            QCOMPARE(shownIds(grid), QStringLiteral("1,2"));
        }
        QVERIFY(boxes.boxes().empty());
    }

    void gridFillsTheWindowOnlyWhenChosen()
    {
        MessageCapture boxes;
        QTemporaryDir store;
        const QRect designedGrid = twips(120, 480, 5640, 1360);
        {
            WizardDriver driver;
            QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
            driver.logIn(user_);
            QVERIFY(driver.openTable("things"));
            Form3 &editor = driver.editor();
            QAction *fit = editor.DataGrid1->fitToWindowAction();
            QVERIFY(!fit->isChecked());
            editor.resize(800, 600);
            QTRY_COMPARE(editor.width(), 800);
            QCOMPARE(editor.DataGrid1->geometry(), designedGrid);

            QTest::keyClick(editor.DataGrid1, Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY(fit->isChecked());
            const QRect grid = editor.DataGrid1->geometry();
            QCOMPARE(grid.left(), designedGrid.left());
            QCOMPARE(grid.top(), designedGrid.top());
            QCOMPARE(editor.width() - grid.right() - 1, 393 - designedGrid.right() - 1);
            // Under the grid, full width and in their order: the note, then
            // "Save Table As", then "< Back" at the designed distance from the bottom.
            QCOMPARE(editor.Label1->width(), grid.width());
            QVERIFY(editor.Label1->y() > grid.bottom());
            QVERIFY(editor.PushButton6->y() > editor.Label1->geometry().bottom());
            QVERIFY(editor.PushButton1->y() > editor.PushButton6->geometry().bottom());
            QCOMPARE(editor.PushButton1->width(), grid.width());
            QCOMPARE(editor.height() - editor.PushButton1->geometry().bottom() - 1, 220 - twips(120, 2790, 5655, 405).bottom() - 1);
            editor.resize(900, 700);
            QTRY_COMPARE(editor.DataGrid1->width(), grid.width() + 100);
            QTRY_COMPARE(editor.DataGrid1->height(), grid.height() + 100);
        }
        {
            WizardDriver driver;
            QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
            driver.logIn(user_);
            QVERIFY(driver.openTable("things"));
            Form3 &editor = driver.editor();
            QAction *fit = editor.DataGrid1->fitToWindowAction();
            QVERIFY(fit->isChecked()); // remembered
            editor.resize(700, 500);
            QTRY_COMPARE(editor.DataGrid1->width(), 700 - 8 - (393 - designedGrid.right() - 1));
            fit->trigger();
            QCOMPARE(editor.DataGrid1->geometry(), designedGrid);
            QCOMPARE(editor.PushButton1->geometry(), twips(120, 2790, 5655, 405));
            editor.resize(800, 600);
            QCOMPARE(editor.DataGrid1->geometry(), designedGrid);
        }
        QVERIFY(boxes.boxes().empty());
    }

private:
    DataGrid &open(const QString &table)
    {
        driver_.reset(); // one wizard at a time
        driver_ = std::make_unique<WizardDriver>();
        driver_->logIn(user_);
        if (!driver_->openTable(table))
            qFatal("table %s is not listed", qPrintable(table));
        return *driver_->editor().DataGrid1;
    }

    testpg::Login user_;
    std::unique_ptr<WizardDriver> driver_;
};

QTEST_MAIN(GridFilterTest)
#include "grid_filter_test.moc"
