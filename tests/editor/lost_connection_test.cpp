#include "db/lost_connection.h"
#include "editor/table_model.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "support/message_capture.h"
#include "support/scratch_editor.h"
#include "support/wizard_driver.h"

#include <QtTest>

namespace {

const QString login = QStringLiteral("lost_t");
const AsLogin asLogin(login);

// Ends every session of the login, as a restarted server or an
// administrator would, and waits until the server has let them go.
void endSessions()
{
    testpg::adminExec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = '%1'")
                          .arg(login));
    QTRY_COMPARE_WITH_TIMEOUT(inDatabase(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE usename = '%1'")
                                             .arg(login)),
                              QStringLiteral("0"), 30000);
}

} // namespace

// The editor's connection lost under it: a call is made again on a new one,
// and a server that cannot be reached keeps what the user typed.
class LostConnectionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        user_ = createScratchLogin(login);
        // Every statement that reaches the table leaves a line in "writes",
        // so that a write made twice shows.
        asLogin(QStringLiteral(
            "CREATE TABLE lost_t.people (id integer PRIMARY KEY, name text, city text);"
            "CREATE TABLE lost_t.writes (what text);"
            "CREATE FUNCTION lost_t.count_write() RETURNS trigger LANGUAGE plpgsql AS "
            "  $$BEGIN INSERT INTO lost_t.writes VALUES (TG_OP); RETURN NULL; END$$;"
            "CREATE TRIGGER counted AFTER INSERT OR UPDATE OR DELETE ON lost_t.people "
            "  FOR EACH ROW EXECUTE FUNCTION lost_t.count_write();"));
    }
    void cleanupTestCase()
    {
        driver_.reset();
        if (testpg::missingEnvironment().isEmpty())
            dropScratchLogin(login);
    }
    void cleanup() { driver_.reset(); }
    void init()
    {
        asLogin(QStringLiteral("DELETE FROM lost_t.people;"
                               "INSERT INTO lost_t.people VALUES (1, 'Ann', 'Rome'), (2, 'Bob', 'Paris');"
                               "DELETE FROM lost_t.writes;"));
    }

    void aWriteAfterTheSessionEndedLandsOnce()
    {
        MessageCapture boxes;
        DataGrid &grid = open("people");
        endSessions();
        editAndLeave(grid, 1, 1, QStringLiteral("Bea"), 0);
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(grid.tableModel().pendingRow(), -1);
        QCOMPARE(inDatabase("SELECT name FROM lost_t.people WHERE id = 2"), QStringLiteral("Bea"));
        QCOMPARE(inDatabase("SELECT string_agg(what, ',') FROM lost_t.writes"), QStringLiteral("UPDATE"));

        // The new connection is set up as the first was: the next write
        // needs no reconnect, and its row is still found by what was read back.
        editAndLeave(grid, 1, 2, QStringLiteral("Lyon"), 0);
        QVERIFY(boxes.boxes().empty());
        QCOMPARE(inDatabase("SELECT name, city FROM lost_t.people WHERE id = 2"), QStringLiteral("Bea|Lyon"));

        // Reading one row again and the whole table survive it too.
        testpg::adminExec(QStringLiteral("UPDATE lost_t.people SET city = 'Nice' WHERE id = 1"));
        endSessions();
        grid.setCurrentIndex(grid.model()->index(0, 1));
        QVERIFY(grid.reloadRow());
        QCOMPARE(grid.cellText(0, 2), QStringLiteral("Nice"));
        testpg::adminExec(QStringLiteral("INSERT INTO lost_t.people VALUES (3, 'Cyd', 'Bern')"));
        endSessions();
        QTest::keyClick(&grid, Qt::Key_F5);
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(grid.rowCount(), 3);
    }

    void insertDeleteAndUndoSurviveAnEndedSession()
    {
        MessageCapture boxes;
        boxes.answerQuestionsWith(msgbox::Yes);
        DataGrid &grid = open("people");
        TableModel &model = grid.tableModel();

        endSessions();
        grid.setCurrentIndex(model.index(2, 0));
        QVERIFY(model.setData(model.index(2, 0), QStringLiteral("3")));
        QVERIFY(model.setData(model.index(2, 1), QStringLiteral("Cyd")));
        grid.setCurrentIndex(model.index(0, 0));
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(grid.rowCount(), 3);
        QCOMPARE(inDatabase("SELECT name FROM lost_t.people WHERE id = 3"), QStringLiteral("Cyd"));

        endSessions();
        grid.deleteRows({0});
        QCOMPARE(boxes.texts(), QStringList{"Delete 1 row from the table?"});
        QCOMPARE(inDatabase("SELECT string_agg(name, ',' ORDER BY id) FROM lost_t.people"), QStringLiteral("Bob,Cyd"));

        endSessions();
        QVERIFY(model.undo());
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QCOMPARE(inDatabase("SELECT string_agg(name || ' ' || coalesce(city, '-'), ',' ORDER BY id) FROM lost_t.people"),
                 QStringLiteral("Ann Rome,Bob Paris,Cyd -"));
        QCOMPARE(inDatabase("SELECT string_agg(what, ',') FROM lost_t.writes"),
                 QStringLiteral("INSERT,DELETE,INSERT"));
    }

    void aServerThatIsDownKeepsTheTypingUntilItIsBack()
    {
        MessageCapture boxes;
        DataGrid &grid = open("people");
        TableModel &model = grid.tableModel();
        {
            testpg::ServerRestarter restarter;
            QVERIFY(testpg::stopServer());
            editAndLeave(grid, 1, 1, QStringLiteral("typed while down"), 0);
            QCOMPARE(boxes.boxes().size(), size_t(1));
            QVERIFY2(boxes.texts().front().startsWith(db::ConnectionLostError::text), qPrintable(boxes.texts().front()));
            QCOMPARE(boxes.boxes().front().title, QStringLiteral("Tabvale Software"));
            QCOMPARE(grid.currentIndex().row(), 1);
            QCOMPARE(model.pendingRow(), 1);
            QCOMPARE(grid.cellText(1, 1), QStringLiteral("typed while down"));

            // Each leave tries once more and says so once; what is read
            // goes on working on the rows as read.
            grid.setCurrentIndex(model.index(0, 0));
            QCOMPARE(boxes.boxes().size(), size_t(2));
            QCOMPARE(grid.currentIndex().row(), 1);
            QCOMPARE(grid.cellText(0, 1), QStringLiteral("Ann"));
            QVERIFY(testpg::startServer());
        }
        boxes.clear();
        grid.setCurrentIndex(model.index(0, 0));
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(model.pendingRow(), -1);
        QCOMPARE(inDatabase("SELECT name FROM lost_t.people WHERE id = 2"), QStringLiteral("typed while down"));
        QCOMPARE(inDatabase("SELECT string_agg(what, ',') FROM lost_t.writes"), QStringLiteral("UPDATE"));
    }

private:
    DataGrid &open(const QString &table) { return *openInEditor(driver_, user_, table).DataGrid1; }
    testpg::Login user_;
    std::unique_ptr<WizardDriver> driver_;
};

QTEST_MAIN(LostConnectionTest)
#include "lost_connection_test.moc"
