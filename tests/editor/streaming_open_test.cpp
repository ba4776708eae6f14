// A table is shown with its first rows while the rest are read beside the
// grid. Each read is held on the server (rows past the first block wait for
// an advisory lock the test holds), never by the table's size.
#include "app/seams.h"
#include "app/ui/kit/wait_dialog.h"
#include "db/ui/form2.h"
#include "editor/table_model.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/find_dialog.h"
#include "editor/ui/form3.h"
#include "editor/ui/grid_filtering.h"
#include "support/message_capture.h"
#include "support/wait_cancel.h"
#include "support/wizard_driver.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString login = QStringLiteral("stream_t");
constexpr int tableRows = 80000;
// The driver fetches 10,000 rows a time from the server (Fetch=10000) and
// hands them over in blocks of 1,000: the rows past the first fetch wait for
// the first lock, and the rows past 60,000, well after the first part of the
// rest, for the second.
constexpr qint64 firstLock = 2811;
constexpr qint64 secondLock = 2812;
constexpr qint64 thirdLock = 2813;
constexpr int firstGate = 10001;
constexpr int secondGate = 60001;
constexpr int thirdGate = 70001;

int openConnectionsOf(const QString &user)
{
    return testpg::adminQuery(
               QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE usename = '%1'").arg(user))
        .value(0)
        .toInt();
}

QString cornerText(DataGrid &grid)
{
    auto *corner = grid.findChild<QLabel *>(QStringLiteral("FilterCount"));
    return corner && corner->isVisibleTo(&grid) ? corner->text() : QString();
}

// Releases a held lock the first time a wait of the program reports itself:
// the call it waits for is queued by then.
class ReleaseWhenWaiting {
public:
    explicit ReleaseWhenWaiting(HeldServerLock &lock)
    {
        seams::current().progressReported = [&lock](QProgressDialog *) { lock.release(); };
    }
    ~ReleaseWhenWaiting() { seams::current().progressReported = {}; }
};

} // namespace

class StreamingOpenTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        user_ = createScratchLogin(login);
        // Row-level security, forced on the owner, makes every row read
        // pass the gate; a row found by its key passes only its own.
        testpg::adminExec(QStringLiteral(
            // Room on each page keeps a row the tests write where it was
            // (an update on its own page), so the rows come in the same order.
            "CREATE TABLE stream_t.people (id integer, name text, twice integer) WITH (fillfactor = 50);"
            "INSERT INTO stream_t.people SELECT g, 'name ' || g, g * 2 FROM generate_series(1, %1) g;"
            "ALTER TABLE stream_t.people ADD PRIMARY KEY (id); ANALYZE stream_t.people;"
            "CREATE FUNCTION stream_t.gate(id integer) RETURNS boolean LANGUAGE plpgsql AS $$ BEGIN "
            "  IF id = %2 THEN PERFORM pg_advisory_xact_lock_shared(%3); END IF; "
            "  IF id = %4 THEN PERFORM pg_advisory_xact_lock_shared(%5); END IF; "
            "  IF id = %6 THEN PERFORM pg_advisory_xact_lock_shared(%7); END IF; "
            "  RETURN true; END $$;"
            "ALTER TABLE stream_t.people OWNER TO stream_t; ALTER FUNCTION stream_t.gate(integer) OWNER TO stream_t;"
            "ALTER TABLE stream_t.people ENABLE ROW LEVEL SECURITY; ALTER TABLE stream_t.people FORCE ROW LEVEL SECURITY;"
            "CREATE POLICY gate ON stream_t.people USING (stream_t.gate(id)) WITH CHECK (true);")
                                .arg(tableRows)
                                .arg(firstGate)
                                .arg(firstLock)
                                .arg(secondGate)
                                .arg(secondLock)
                                .arg(thirdGate)
                                .arg(thirdLock));
        WaitDialog::setDelay(50);
    }

    void cleanupTestCase()
    {
        WaitDialog::setDelay(1000);
        dropScratchLogin(login);
    }

    void theFirstRowsShowWhileTheRestIsRead()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        HeldServerLock held(firstLock);
        QVERIFY(held.held());
        QVERIFY(driver.startOpeningTable("people"));
        Form3 &editor = driver.editor();
        DataGrid &grid = *editor.DataGrid1;
        const TableModel &model = grid.tableModel();
        // The editor is there, the chooser gone, and the first block shown.
        QVERIFY(editor.isVisible());
        QVERIFY(!driver.chooser().isVisible());
        QVERIFY(model.isReading());
        QCOMPARE(model.dataRowCount(), 1000);
        QCOMPARE(cornerText(grid), GridFiltering::readingText.toString());
        QCOMPARE(grid.cellText(999, 0), QStringLiteral("1000"));

        // The user moves and selects while the rest comes in.
        grid.setCurrentIndex(model.index(500, 1));
        grid.selectionModel()->select(model.index(501, 2), QItemSelectionModel::Select);
        const int top = grid.rowAt(0);
        held.release();
        QTRY_VERIFY_WITH_TIMEOUT(!model.isReading(), 60000);
        QCOMPARE(model.dataRowCount(), tableRows);
        QCOMPARE(grid.currentIndex(), model.index(500, 1));
        QVERIFY(grid.selectionModel()->isSelected(model.index(501, 2)));
        QCOMPARE(grid.rowAt(0), top);
        QCOMPARE(grid.cellText(tableRows - 1, 1), QStringLiteral("name %1").arg(tableRows));
        QCOMPARE(cornerText(grid), QString());
        QVERIFY(boxes.boxes().empty());
    }

    void anEditWrittenDuringTheReadLandsInItsRowOnce()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        HeldServerLock first(firstLock);
        HeldServerLock second(secondLock);
        QVERIFY(driver.startOpeningTable("people"));
        DataGrid &grid = *driver.editor().DataGrid1;
        TableModel &model = grid.tableModel();
        QVERIFY(model.isReading());
        // psqlODBC keeps the cursor in a transaction a commit would end.
        QVERIFY(model.snapshot()->writesBesideRead());
        QVERIFY(model.setData(model.index(4, 1), QStringLiteral("edited while reading")));
        {
            // The write waits for the part of the read under way, then runs
            // before the next.
            ReleaseWhenWaiting release(first);
            QVERIFY(model.commitPendingRow());
        }
        QVERIFY(model.isReading());
        QCOMPARE(testpg::adminQuery(QStringLiteral(
                     "SELECT id FROM stream_t.people WHERE name = 'edited while reading'")),
                 QStringList{QStringLiteral("5")});
        QCOMPARE(grid.cellText(4, 1), QStringLiteral("edited while reading"));
        // Where the driver keeps a cursor open in a transaction, the write
        // went through a second connection, which goes with the read.
        second.release();
        QTRY_VERIFY_WITH_TIMEOUT(!model.isReading(), 60000);
        QTRY_COMPARE(openConnectionsOf(login), 1);
        QCOMPARE(model.dataRowCount(), tableRows);
        QCOMPARE(grid.cellText(4, 1), QStringLiteral("edited while reading"));
        QCOMPARE(grid.cellText(5, 1), QStringLiteral("name 6"));
        QCOMPARE(testpg::adminQuery(QStringLiteral("SELECT count(*) FROM stream_t.people")),
                 QStringList{QString::number(tableRows)});
        // Written once: an undo finds it as written and puts it back.
        QVERIFY(model.undo());
        QCOMPARE(testpg::adminQuery(QStringLiteral("SELECT name FROM stream_t.people WHERE id = 5")),
                 QStringList{QStringLiteral("name 5")});
        QVERIFY(boxes.boxes().empty());
    }

    // The connection the writes use beside the read is lost between two
    // writes: the next write opens another and lands, and the read goes on.
    void aWriteConnectionLostDuringTheReadIsOpenedAgain()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        HeldServerLock first(firstLock);
        HeldServerLock second(secondLock);
        HeldServerLock third(thirdLock);
        QVERIFY(driver.startOpeningTable("people"));
        DataGrid &grid = *driver.editor().DataGrid1;
        TableModel &model = grid.tableModel();
        QVERIFY(model.snapshot()->writesBesideRead());
        // Rows the tests before wrote may have moved on their pages: the rows
        // are found by their keys.
        const auto rowOf = [&](int id) {
            for (int r = 0; r < model.dataRowCount(); ++r) {
                if (grid.cellText(r, 0) == QString::number(id))
                    return r;
            }
            return -1;
        };
        const int seventh = rowOf(7), eighth = rowOf(8);
        QVERIFY(seventh >= 0 && eighth >= 0);
        QVERIFY(model.setData(model.index(seventh, 1), QStringLiteral("first write")));
        {
            ReleaseWhenWaiting release(first);
            QVERIFY(model.commitPendingRow());
        }
        // The reading session waits at a gate; the writing one is idle.
        testpg::adminExec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                         "WHERE usename = '%1' AND state = 'idle'")
                              .arg(login));
        QVERIFY(model.setData(model.index(eighth, 1), QStringLiteral("second write")));
        {
            // The read may be between two parts, and the write not wait.
            ReleaseWhenWaiting release(second);
            QVERIFY(model.commitPendingRow());
        }
        second.release();
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QVERIFY(model.isReading());
        third.release();
        QTRY_VERIFY_WITH_TIMEOUT(!model.isReading(), 60000);
        QVERIFY(model.snapshot()->isComplete());
        QCOMPARE(model.dataRowCount(), tableRows);
        QCOMPARE(testpg::adminQuery(QStringLiteral("SELECT id, name FROM stream_t.people WHERE name LIKE '%write' "
                                                   "ORDER BY id")),
                 (QStringList{QStringLiteral("7|first write"), QStringLiteral("8|second write")}));
        QCOMPARE(grid.cellText(eighth, 1), QStringLiteral("second write"));
        QTRY_COMPARE(openConnectionsOf(login), 1);
        // Both stand as written: undo finds each and puts it back.
        QVERIFY(model.undo());
        QVERIFY(model.undo());
        QCOMPARE(testpg::adminQuery(QStringLiteral("SELECT count(*) FROM stream_t.people WHERE name LIKE '%write'")),
                 QStringList{QStringLiteral("0")});
        QVERIFY(boxes.boxes().empty());
    }

    void sortFindSaveAndReloadDuringTheReadSeeTheWholeTable()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        DataGrid *grid = nullptr;
        const auto openHeld = [&](HeldServerLock &held) {
            QVERIFY(held.held());
            QVERIFY(driver.startOpeningTable("people"));
            grid = driver.editor().DataGrid1;
            QVERIFY(grid->tableModel().isReading());
        };

        {
            HeldServerLock held(firstLock);
            openHeld(held);
            ReleaseWhenWaiting release(held);
            grid->sortBy(0, Qt::DescendingOrder);
            QCOMPARE(grid->rowCount(), tableRows);
            QCOMPARE(grid->cellText(0, 0), QString::number(tableRows));
            QCOMPARE(grid->cellText(tableRows - 1, 0), QStringLiteral("1"));
        }
        {
            // Opened again, the sort it is remembered with waits for the
            // read, not the first rows.
            HeldServerLock held(firstLock);
            openHeld(held);
            QCOMPARE(grid->cellText(0, 0), QStringLiteral("1"));
            held.release();
            QTRY_VERIFY_WITH_TIMEOUT(!grid->tableModel().isReading(), 60000);
            QCOMPARE(grid->cellText(0, 0), QString::number(tableRows));
            grid->sortBy(0, std::nullopt);
            QCOMPARE(grid->cellText(0, 0), QStringLiteral("1"));
        }
        {
            HeldServerLock held(firstLock);
            openHeld(held);
            grid->setCurrentIndex(grid->tableModel().index(0, 0));
            grid->showFindDialog();
            grid->findDialog()->findText->setText(QStringLiteral("name 20000"));
            ReleaseWhenWaiting release(held);
            // Not among the rows read: found where it is once all are.
            QVERIFY(grid->findAgain(true));
            QCOMPARE(grid->currentIndex().row(), 19999);
            grid->findDialog()->hide();
        }
        {
            HeldServerLock held(firstLock);
            openHeld(held);
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("people.csv"));
            seams::current().saveDialog = [&](QWidget *, const QString &, const QString &, const QString &) {
                return path;
            };
            ReleaseWhenWaiting release(held);
            driver.editor().mnuCSV_Click();
            seams::current().saveDialog = {};
            QFile saved(path);
            QVERIFY(saved.open(QIODevice::ReadOnly));
            const QList<QByteArray> lines = saved.readAll().split('\n');
            QVERIFY(lines.size() >= tableRows + 1);
            QVERIFY(lines.at(tableRows).contains(QByteArray("name ") + QByteArray::number(tableRows)));
        }
        {
            HeldServerLock held(firstLock);
            openHeld(held);
            grid->setCurrentIndex(grid->tableModel().index(20, 1));
            ReleaseWhenWaiting release(held);
            QVERIFY(grid->reload());
            QVERIFY(!grid->tableModel().isReading());
            QCOMPARE(grid->rowCount(), tableRows);
            QCOMPARE(grid->currentIndex().row(), 20);
        }
        QVERIFY(boxes.boxes().empty());
    }

    void aReadCutByTheServerKeepsItsRowsAndF5ReadsAgain()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        testpg::ServerRestarter restarter;
        DataGrid *grid = nullptr;
        {
            HeldServerLock held(firstLock);
            QVERIFY(driver.startOpeningTable("people"));
            grid = driver.editor().DataGrid1;
            QVERIFY(grid->tableModel().isReading());
            QVERIFY(testpg::stopServer());
        }
        TableModel &model = grid->tableModel();
        QTRY_VERIFY_WITH_TIMEOUT(!model.isReading(), 60000);
        // The driver's message, once; the rows read stay, marked incomplete.
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QVERIFY(!boxes.boxes().front().text.isEmpty());
        QVERIFY(model.isIncomplete());
        // Every row the server sent before it stopped: its first fetch.
        QCOMPARE(model.dataRowCount(), firstGate - 1);
        QCOMPARE(grid->cellText(firstGate - 2, 1), QStringLiteral("name %1").arg(firstGate - 1));
        QCOMPARE(cornerText(*grid), GridFiltering::incompleteText.toString());

        QVERIFY(testpg::startServer());
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_F5);
        QVERIFY(!model.isIncomplete());
        QCOMPARE(model.dataRowCount(), tableRows);
        QCOMPARE(cornerText(*grid), QString());
        QCOMPARE(boxes.boxes().size(), size_t(1));
        // Edits go on as before, on the fresh connection.
        QVERIFY(model.setData(model.index(2, 1), QStringLiteral("after the cut")));
        QVERIFY(model.commitPendingRow());
        QCOMPARE(testpg::adminQuery(QStringLiteral("SELECT name FROM stream_t.people WHERE id = 3")),
                 QStringList{QStringLiteral("after the cut")});
        QVERIFY(model.undo());
    }

    void escapeDuringTheReadAndYesLeavesTheChooserWithNoConnection()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        HeldServerLock held(firstLock);
        QVERIFY(driver.startOpeningTable("people"));
        Form3 &editor = driver.editor();
        DataGrid &grid = *editor.DataGrid1;
        QVERIFY(grid.tableModel().isReading());
        grid.setFocus();

        // No: the read goes on.
        QTest::keyClick(&grid, Qt::Key_Escape);
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QCOMPARE(boxes.boxes().back().text, DataGrid::stopReadingQuestion.toString());
        QCOMPARE(boxes.boxes().back().title, QStringLiteral("Tabvale Software"));
        QVERIFY(grid.tableModel().isReading());
        QVERIFY(editor.isVisible());

        // Escape takes back a pending edit first, without asking.
        QVERIFY(grid.tableModel().setData(grid.tableModel().index(1, 1), QStringLiteral("typed")));
        QTest::keyClick(&grid, Qt::Key_Escape);
        QVERIFY(!grid.hasPendingEdit());
        QCOMPARE(boxes.boxes().size(), size_t(1));

        boxes.answerQuestionsWith(msgbox::Yes);
        QTest::keyClick(&grid, Qt::Key_Escape);
        QCOMPARE(boxes.boxes().size(), size_t(2));
        QVERIFY(!editor.isVisible());
        QVERIFY(driver.chooser().isVisible());
        QVERIFY(!grid.isBound());
        // The part of the read under way may wait on the server still (a
        // driver need not cancel a fetch); once the server answers, it lets
        // go of its connection, as an open given up does.
        held.release();
        QTRY_COMPARE_WITH_TIMEOUT(openConnectionsOf(login), 0, 30000);

        // The chooser opens tables as before.
        QVERIFY(driver.openTable("people"));
        QCOMPARE(driver.editor().DataGrid1->rowCount(), tableRows);
        QCOMPARE(boxes.boxes().size(), size_t(2));
    }

private:
    testpg::Login user_;
};

QTEST_MAIN(StreamingOpenTest)
#include "streaming_open_test.moc"
