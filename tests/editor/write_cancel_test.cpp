#include "app/background_call.h"
#include "app/seams.h"
#include "app/ui/kit/wait_dialog.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "support/message_capture.h"
#include "support/wait_cancel.h"
#include "support/wizard_driver.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

namespace {

const QString login = QStringLiteral("wcancel_t");
// Held by the test; committing a change of "slow_commit" waits for it.
constexpr qint64 commitLock = 2209;

QString valueInDatabase(const QString &sql)
{
    const QStringList rows = testpg::adminQuery(sql);
    return rows.isEmpty() ? QStringLiteral("<no row>") : rows.join(u'\n');
}

// Changes a cell through the model and moves to another row, which writes it.
void editAndLeave(DataGrid &grid, int row, int column, const QString &text, int toRow)
{
    auto *model = grid.model();
    grid.setCurrentIndex(model->index(row, column));
    QVERIFY(model->setData(model->index(row, column), text));
    grid.setCurrentIndex(model->index(toRow, column));
}

int rowWithId(DataGrid &grid, int id)
{
    for (int row = 0; row < grid.rowCount(); ++row) {
        if (grid.cellText(row, 0) == QString::number(id))
            return row;
    }
    return -1;
}

} // namespace

class WriteCancelTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        user_ = createScratchLogin(login);
        testpg::adminExec(QStringLiteral(
            "SET ROLE wcancel_t;"
            "CREATE TABLE wcancel_t.items (id integer PRIMARY KEY, name text);"
            "INSERT INTO wcancel_t.items VALUES (1, 'one'), (2, 'two');"
            "CREATE TABLE wcancel_t.slow_commit (id integer PRIMARY KEY, name text);"
            "INSERT INTO wcancel_t.slow_commit VALUES (1, 'one'), (2, 'two');"
            "CREATE FUNCTION wcancel_t.wait_at_commit() RETURNS trigger LANGUAGE plpgsql AS "
            "  $$BEGIN PERFORM pg_advisory_xact_lock_shared(2209); RETURN NULL; END$$;"
            // Runs at COMMIT, after the program has passed the point where it
            // could still take the write back.
            "CREATE CONSTRAINT TRIGGER wait_at_commit AFTER UPDATE ON wcancel_t.slow_commit "
            "  DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION wcancel_t.wait_at_commit();"
            "RESET ROLE;"));
    }

    void cleanup()
    {
        seams::current().progressReported = {};
        WaitDialog::setDelay(1000);
    }

    void cleanupTestCase()
    {
        if (testpg::missingEnvironment().isEmpty())
            dropScratchLogin(login);
    }

    void aWriteCommittedBeforeTheCancelIsKeptAndSaidSo()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("items"));
        DataGrid &grid = *driver.editor().DataGrid1;
        const int row = rowWithId(grid, 1);
        const int other = rowWithId(grid, 2);
        auto stopped = std::make_unique<testpg::StoppedBackend>(testpg::backendOf(login));
        QVERIFY(stopped->stopped());

        WaitDialog::setDelay(50);
        // Cancel is pressed while the dialog offers it, and the write
        // commits before the window looks at the Cancel.
        seams::current().progressReported = [&](QProgressDialog *dialog) {
            if (!dialog || !stopped)
                return;
            stopped.reset();
            background::worker().waitUntilIdle();
            dialog->cancel();
        };
        editAndLeave(grid, row, 1, QStringLiteral("uno"), other);
        seams::current().progressReported = {};
        WaitDialog::setDelay(1000);

        QVERIFY(!stopped);
        QCOMPARE(boxes.texts(), QStringList({"The row was written before the cancel arrived."}));
        QCOMPARE(valueInDatabase("SELECT name FROM wcancel_t.items WHERE id = 1"), QStringLiteral("uno"));
        // The grid keeps what was written: no pending edit, and the next
        // edit of the row meets no conflict with its own write.
        QVERIFY(!grid.hasPendingEdit());
        QCOMPARE(grid.cellText(row, 1), QStringLiteral("uno"));
        boxes.clear();
        editAndLeave(grid, row, 1, QStringLiteral("eins"), other);
        QCOMPARE(boxes.texts(), QStringList());
        QCOMPARE(valueInDatabase("SELECT name FROM wcancel_t.items WHERE id = 1"), QStringLiteral("eins"));
    }

    void aWriteCancelledBeforeItCommittedIsNotWritten()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("items"));
        DataGrid &grid = *driver.editor().DataGrid1;
        const int row = rowWithId(grid, 2);
        const int other = rowWithId(grid, 1);
        const QString before = grid.cellText(row, 1);
        testpg::StoppedBackend stopped(testpg::backendOf(login));
        QVERIFY(stopped.stopped());
        CancelWhenShown cancelling;
        editAndLeave(grid, row, 1, QStringLiteral("never"), other);
        cancelling.stop();
        stopped.resume();

        QCOMPARE(boxes.texts(), QStringList({"The row was not written: you cancelled the write."}));
        QVERIFY(grid.hasPendingEdit());
        background::worker().waitUntilIdle();
        QCOMPARE(valueInDatabase("SELECT name FROM wcancel_t.items WHERE id = 2"), before);
    }

    void theCommitCannotBeCancelledAndSaysSo()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        QVERIFY(driver.openTable("slow_commit"));
        DataGrid &grid = *driver.editor().DataGrid1;
        const int row = rowWithId(grid, 1);
        const int other = rowWithId(grid, 2);
        HeldServerLock lock(commitLock);
        QVERIFY(lock.held());

        WaitDialog::setDelay(50);
        bool committing = false;
        QString label;
        bool cancelOffered = true;
        seams::current().progressReported = [&](QProgressDialog *dialog) {
            if (!dialog || !lock.held())
                return;
            // Once the server waits in the commit, the next look at the
            // dialog shows what it shows from then on.
            if (!committing) {
                committing = lock.waitedFor();
                return;
            }
            label = dialog->labelText();
            auto *button = dialog->findChild<QPushButton *>();
            cancelOffered = button && button->isEnabled();
            // What a user may try: the button, Escape, closing the dialog.
            if (button)
                QTest::mouseClick(button, Qt::LeftButton);
            QTest::keyClick(dialog, Qt::Key_Escape);
            dialog->close();
            lock.release();
        };
        editAndLeave(grid, row, 1, QStringLiteral("landed"), other);
        seams::current().progressReported = {};
        WaitDialog::setDelay(1000);

        QVERIFY(committing);
        QCOMPARE(label, QStringLiteral("Finishing the write..."));
        QVERIFY(!cancelOffered);
        QCOMPARE(boxes.texts(), QStringList());
        QVERIFY(!grid.hasPendingEdit());
        QCOMPARE(grid.cellText(row, 1), QStringLiteral("landed"));
        QCOMPARE(valueInDatabase("SELECT name FROM wcancel_t.slow_commit WHERE id = 1"), QStringLiteral("landed"));
    }

private:
    testpg::Login user_;
};

QTEST_MAIN(WriteCancelTest)
#include "write_cancel_test.moc"
