#include "app/seams.h"
#include "db/ui/form2.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "app/ui/kit/wait_dialog.h"
#include "app/background_call.h"
#include "support/message_capture.h"
#include "support/wait_cancel.h"
#include "support/wizard_driver.h"

#include <QListWidget>
#include <QProgressDialog>
#include <QtTest>

namespace {

const QString login = QStringLiteral("progress_t");
// Held by the test; reading the view "held" waits for it on the server.
constexpr qint64 readLock = 2204;

int openConnectionsOf(const QString &user)
{
    return testpg::adminQuery(
               QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE usename = '%1'").arg(user))
        .value(0)
        .toInt();
}

} // namespace

class OpenProgressTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        user_ = createScratchLogin(login);
        testpg::adminExec(QStringLiteral(
            "SET ROLE progress_t;"
            "CREATE TABLE progress_t.big AS SELECT g AS id, md5(g::text) AS a, now() AS b FROM generate_series(1, 60000) g;"
            "CREATE TABLE progress_t.small (id integer PRIMARY KEY, name text);"
            "INSERT INTO progress_t.small VALUES (1, 'one');"
            "CREATE VIEW progress_t.slow AS SELECT 1 AS a FROM pg_sleep(30);"
            "CREATE VIEW progress_t.big_slowly AS SELECT b.* FROM progress_t.big b, pg_sleep(30) s;"
            "CREATE VIEW progress_t.held AS SELECT g AS id FROM generate_series(1, 3) g, "
            "  pg_advisory_xact_lock_shared(2204) l;"
            "RESET ROLE;"));
    }

    void cleanupTestCase()
    {
        seams::current().progressReported = {};
        WaitDialog::setDelay(1000);
        if (testpg::missingEnvironment().isEmpty())
            dropScratchLogin(login);
    }

    void cancelLeavesTheChooserAsItWas()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        Form2 &chooser = driver.chooser();
        // The big table, read through a view whose read waits on the server
        // first, so that the Cancel always comes while it is being read.
        chooser.List1->addItem(QStringLiteral("big_slowly"));
        chooser.List1->setCurrentRow(chooser.List1->count() - 1);
        const int selected = chooser.List1->currentRow();

        WaitDialog::setDelay(0);
        int reports = 0;
        qint64 shownWhileOpening = 0;
        seams::current().progressReported = [&](QProgressDialog *dialog) {
            ++reports;
            if (dialog && dialog->labelText().startsWith(QLatin1String("Reading the table"))) {
                shownWhileOpening = dialog->isVisible();
                dialog->cancel();
            }
        };
        chooser.PushButton3_Click();
        seams::current().progressReported = {};
        WaitDialog::setDelay(1000);

        QVERIFY(reports > 0);
        QVERIFY(shownWhileOpening);
        QVERIFY(boxes.boxes().empty());
        QVERIFY(chooser.isVisible());
        QVERIFY(chooser.isEnabled());
        QCOMPARE(chooser.MousePointer(), 0);
        QCOMPARE(chooser.List1->currentRow(), selected);
        QVERIFY(!driver.editor().isVisible());
        QVERIFY(!driver.editor().DataGrid1->isBound());
        QTRY_COMPARE(openConnectionsOf(login), 0);

        // The chooser goes on working.
        QVERIFY(driver.openTable("small"));
        QVERIFY(driver.editor().isVisible());
        QCOMPARE(driver.editor().DataGrid1->rowCount(), 1);
        QVERIFY(boxes.boxes().empty());
    }

    void aCancelInTheTickTheOpenEndsLeavesTheChooser()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        Form2 &chooser = driver.chooser();
        chooser.List1->addItem(QStringLiteral("held"));
        chooser.List1->setCurrentRow(chooser.List1->count() - 1);

        HeldServerLock lock(readLock);
        QVERIFY(lock.held());
        WaitDialog::setDelay(0);
        bool cancelled = false;
        // Cancel is pressed while the dialog shows, and the read ends before
        // the window looks at the Cancel: it must still count.
        seams::current().progressReported = [&](QProgressDialog *dialog) {
            if (cancelled || !dialog || !dialog->labelText().startsWith(QLatin1String("Reading the table")))
                return;
            cancelled = true;
            dialog->cancel();
            lock.release();
            background::worker().waitUntilIdle();
        };
        chooser.PushButton3_Click();
        seams::current().progressReported = {};
        WaitDialog::setDelay(1000);

        QVERIFY(cancelled);
        QVERIFY(boxes.boxes().empty());
        QVERIFY(chooser.isVisible());
        QCOMPARE(chooser.MousePointer(), 0);
        QVERIFY(!driver.editor().isVisible());
        QVERIFY(!driver.editor().DataGrid1->isBound());
        // The table read was closed with its connection.
        QTRY_COMPARE(openConnectionsOf(login), 0);
        QVERIFY(driver.openTable("small"));
        QCOMPARE(driver.editor().DataGrid1->rowCount(), 1);
    }

    void anOpenGivenUpWhileTheServerIsStoppedLeavesTheChooserAsItWas()
    {
        MessageCapture boxes;
        WizardDriver driver;
        driver.logIn(user_);
        Form2 &chooser = driver.chooser();
        // A view the catalogue does not list, whose rows take half a minute.
        chooser.List1->addItem(QStringLiteral("slow"));
        chooser.List1->setCurrentRow(chooser.List1->count() - 1);

        std::unique_ptr<testpg::StoppedBackend> stopped;
        // Cancelled once the open's statement is running, with its server stopped.
        CancelWhenShown cancelling([&] {
            if (const int pid = stopped ? 0 : testpg::backendOf(login, true))
                stopped = std::make_unique<testpg::StoppedBackend>(pid);
            return stopped != nullptr;
        });
        chooser.PushButton3_Click();
        const qint64 cancelMs = cancelling.cancelMs();
        cancelling.stop();

        QVERIFY(stopped && stopped->stopped());
        QCOMPARE(cancelling.label, QStringLiteral("Reading the table: 0 rows so far"));
        QVERIFY2(cancelMs < 1000, qPrintable(QString::number(cancelMs)));
        QVERIFY(boxes.boxes().empty());
        QVERIFY(chooser.isVisible());
        QCOMPARE(chooser.MousePointer(), 0);
        QVERIFY(!driver.editor().isVisible());
        QVERIFY(!driver.editor().DataGrid1->isBound());

        // Once the server goes on, the open left behind lets go of its
        // connection, and the chooser opens tables as before.
        stopped->resume();
        QTRY_COMPARE(openConnectionsOf(login), 0);
        QVERIFY(driver.openTable("small"));
        QCOMPARE(driver.editor().DataGrid1->rowCount(), 1);
        QVERIFY(boxes.boxes().empty());
    }

    void shortOpensShowNoDialog()
    {
        WizardDriver driver;
        driver.logIn(user_);
        bool shown = false;
        seams::current().progressReported = [&](QProgressDialog *dialog) { shown = shown || dialog; };
        QVERIFY(driver.openTable("small"));
        seams::current().progressReported = {};
        QVERIFY(!shown);
        // However long the big table takes here, all of it arrives.
        driver.editor().PushButton1_Click();
        QVERIFY(driver.openTable("big"));
        QCOMPARE(driver.editor().DataGrid1->rowCount(), 60000);
    }

private:
    testpg::Login user_;
};

QTEST_MAIN(OpenProgressTest)
#include "open_progress_test.moc"
