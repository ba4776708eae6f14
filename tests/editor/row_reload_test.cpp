#include "db/table_snapshot.h"
#include "editor/table_model.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "support/message_capture.h"
#include "support/scratch_editor.h"
#include "support/wizard_driver.h"

#include <QtTest>

namespace {

const QString login = QStringLiteral("reload_t");
const AsLogin asLogin(login);

} // namespace

// One row read again (Shift+F5) while another session changes the table.
class RowReloadTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        user_ = createScratchLogin(login);
        asLogin(QStringLiteral("CREATE TABLE reload_t.people (id integer PRIMARY KEY, name text, city text);"
                               "CREATE TABLE reload_t.loose (label text, n integer);"));
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
        asLogin(QStringLiteral("TRUNCATE reload_t.people; TRUNCATE reload_t.loose;"
                               "INSERT INTO reload_t.people VALUES (1, 'Ann', 'Rome'), (2, 'Bob', 'Paris'), "
                               "  (3, 'Cyd', 'Bern');"
                               "INSERT INTO reload_t.loose VALUES ('a', 1), ('b', 2);"));
    }

    void freshValuesShowUnderTheTyping()
    {
        MessageCapture boxes;
        DataGrid &grid = open("people");
        TableModel &model = grid.tableModel();
        // Typed, not yet written; meanwhile another session changes both
        // the typed column and another one.
        grid.setCurrentIndex(model.index(1, 2));
        QVERIFY(model.setData(model.index(1, 2), QStringLiteral("Oslo")));
        testpg::adminExec(QStringLiteral("UPDATE reload_t.people SET name = 'Bea', city = 'Lyon' WHERE id = 2"));

        QTest::keyClick(&grid, Qt::Key_F5, Qt::ShiftModifier);
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(grid.cellText(1, 1), QStringLiteral("Bea"));
        QCOMPARE(grid.cellText(1, 2), QStringLiteral("Oslo"));
        QCOMPARE(model.pendingRow(), 1);
        // The rest of the table was not read again.
        testpg::adminExec(QStringLiteral("UPDATE reload_t.people SET name = 'Cat' WHERE id = 3"));
        QTest::keyClick(&grid, Qt::Key_F5, Qt::ShiftModifier);
        QCOMPARE(grid.cellText(2, 1), QStringLiteral("Cyd"));

        // The typing is now written over the values read, which the user
        // has seen: no refusal.
        grid.setCurrentIndex(model.index(0, 0));
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(model.pendingRow(), -1);
        QCOMPARE(inDatabase("SELECT name, city FROM reload_t.people WHERE id = 2"), QStringLiteral("Bea|Oslo"));

        // Without typing the row simply shows what the database holds.
        grid.setCurrentIndex(model.index(2, 1));
        grid.reloadRow();
        QCOMPARE(grid.cellText(2, 1), QStringLiteral("Cat"));
        QVERIFY(!model.hasPendingEdit());
    }

    void aRowGoneIsReportedAndTheTypingKept()
    {
        MessageCapture boxes;
        DataGrid &grid = open("people");
        TableModel &model = grid.tableModel();
        grid.setCurrentIndex(model.index(0, 2));
        QVERIFY(model.setData(model.index(0, 2), QStringLiteral("Oslo")));
        testpg::adminExec(QStringLiteral("DELETE FROM reload_t.people WHERE id = 1"));
        QVERIFY(!grid.reloadRow());
        QCOMPARE(boxes.texts(), QStringList{db::RowConflictError::goneText.toString()});
        QCOMPARE(grid.cellText(0, 2), QStringLiteral("Oslo"));
        QCOMPARE(grid.currentIndex().row(), 0);

        // Without a key a row changed by another session is no longer there
        // as it was read.
        model.revertPendingRow();
        boxes.clear();
        DataGrid &loose = open("loose");
        loose.setCurrentIndex(loose.model()->index(1, 0));
        testpg::adminExec(QStringLiteral("UPDATE reload_t.loose SET n = 3 WHERE label = 'b'"));
        QVERIFY(!loose.reloadRow());
        QCOMPARE(boxes.texts(), QStringList{db::RowConflictError::goneOrChangedText.toString()});
        QCOMPARE(loose.cellText(1, 1), QStringLiteral("2"));
        // The row above, unchanged, reads again as it was.
        boxes.clear();
        loose.setCurrentIndex(loose.model()->index(0, 0));
        QVERIFY(loose.reloadRow());
        QVERIFY(boxes.boxes().empty());
        QCOMPARE(loose.cellText(0, 0), QStringLiteral("a"));
    }

private:
    DataGrid &open(const QString &table) { return *openInEditor(driver_, user_, table).DataGrid1; }
    testpg::Login user_;
    std::unique_ptr<WizardDriver> driver_;
};

QTEST_MAIN(RowReloadTest)
#include "row_reload_test.moc"
