#include "app/ui/form1.h"
#include "app/ui/wizard.h"
#include "db/ui/form2.h"
#include "db/database_error.h"
#include "db/oracle.h"
#include "support/message_capture.h"
#include "support/leftovers.h"
#include "support/postgres.h"
#include "support/silent_listener.h"
#include "support/wait_cancel.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

QStringList entries(const QListWidget &list)
{
    QStringList names;
    for (int i = 0; i < list.count(); ++i)
        names << list.item(i)->text();
    return names;
}

const QString catalogueQuery = QStringLiteral("select table_name from user_tables");

} // namespace

// The login check and the table catalogue, read from the login window's text
// boxes as the program does.
class TableListTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Typing into the login window remembers the values: keep them here.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_.path());
        // The counts below are the fixture's: no table another program left.
        testpg::dropLeftovers();
    }

    void init()
    {
        TABVALE_REQUIRE_POSTGRES();
        wizard_ = std::make_unique<Wizard>();
    }

    void cleanup() { wizard_.reset(); }

    void checkLoginAnswersWithoutABox_data()
    {
        QTest::addColumn<QString>("sid");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("expected");
        const QString dsn = testpg::dsn();
        QTest::newRow("good login") << dsn << "scott" << "tiger" << true;
        QTest::newRow("special password") << dsn << testpg::odd.user << testpg::odd.password << true;
        QTest::newRow("login without tables") << dsn << "empty" << "nothing" << true;
        QTest::newRow("wrong password") << dsn << "scott" << "tigers" << false;
        QTest::newRow("password with a blank too many") << dsn << "scott" << "tiger " << false;
        QTest::newRow("unknown user") << dsn << "nobody" << "tiger" << false;
        QTest::newRow("unknown data source") << "no_such_dsn" << "scott" << "tiger" << false;
        QTest::newRow("empty values") << "" << "" << "" << false;
    }
    void checkLoginAnswersWithoutABox()
    {
        QFETCH(QString, sid);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, expected);
        typeLogin(sid, user, password);
        MessageCapture boxes;
        QCOMPARE(CheckLogin(currentLogin()), expected);
        QCOMPARE(boxes.texts(), QStringList());
    }

    void checkLoginIsFalseWhileTheServerIsDown()
    {
        typeLogin(testpg::dsn(), testpg::scott.user, testpg::scott.password);
        testpg::ServerRestarter restarter;
        QVERIFY(testpg::stopServer());
        MessageCapture boxes;
        QCOMPARE(CheckLogin(currentLogin()), false);
        QVERIFY(testpg::startServer());
        QCOMPARE(CheckLogin(currentLogin()), true);
        QCOMPARE(boxes.texts(), QStringList());
    }

    void checkLoginGivesUpOnAServerThatNeverAnswers()
    {
        SilentListener silent(testpg::silentPort());
        QVERIFY2(silent.listening(), qPrintable(silent.error()));
        typeLogin(testpg::silentDsn(), testpg::scott.user, testpg::scott.password);
        MessageCapture boxes;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(CheckLogin(currentLogin()), false);
        // The default connection timeout is 15 seconds.
        QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(boxes.texts(), QStringList());
    }

    void testConnectionToAServerThatNeverAnswersCanBeGivenUp()
    {
        SilentListener silent(testpg::silentPort());
        QVERIFY2(silent.listening(), qPrintable(silent.error()));
        typeLogin(testpg::silentDsn(), testpg::scott.user, testpg::scott.password);
        MessageCapture boxes;
        CancelWhenShown cancelling;
        wizard_->form1().PushButton5_Click();
        const qint64 cancelMs = cancelling.cancelMs();
        cancelling.stop();
        QCOMPARE(cancelling.label, QStringLiteral("Connecting..."));
        QVERIFY2(cancelMs < 1000, qPrintable(QString::number(cancelMs)));
        QCOMPARE(boxes.texts(), QStringList({"Could not connect."}));
        QCOMPARE(wizard_->form1().MousePointer(), 0);
    }

    void listsExactlyTheLoginsOwnTablesInQueryOrder()
    {
        typeLogin(testpg::dsn(), testpg::scott.user, testpg::scott.password);
        QListWidget list;
        list.addItems({QStringLiteral("stale 1"), QStringLiteral("stale 2")});
        bool eventsProcessed = false;
        QTimer::singleShot(0, [&] { eventsProcessed = true; });
        FillTableList(list, currentLogin());

        QCOMPARE(entries(list), testpg::queryAs(QStringLiteral("scott"), catalogueQuery));
        QStringList sorted = entries(list);
        sorted.sort();
        // Names exactly as stored; the view and the sequence are not tables.
        QCOMPARE(sorted, QStringList({"Café", "Emp", "Order Lines", "a.b", "dept", "say \"hi\""}));
        // Window events are let through during the fill.
        QVERIFY(eventsProcessed);
    }

    void anotherLoginSeesOnlyItsOwnTables()
    {
        QListWidget list;
        typeLogin(testpg::dsn(), testpg::scott.user, testpg::scott.password);
        FillTableList(list, currentLogin());
        typeLogin(testpg::dsn(), testpg::odd.user, testpg::odd.password);
        FillTableList(list, currentLogin());
        QCOMPARE(entries(list), QStringList({"secrets"}));

        typeLogin(testpg::dsn(), testpg::empty.user, testpg::empty.password);
        FillTableList(list, currentLogin());
        QCOMPARE(list.count(), 0);
    }

    void aFillThatFailsBeforeClearingKeepsTheOldNames()
    {
        QListWidget list;
        typeLogin(testpg::dsn(), testpg::scott.user, testpg::scott.password);
        FillTableList(list, currentLogin());
        const QStringList before = entries(list);
        QVERIFY(!before.isEmpty());

        typeLogin(testpg::dsn(), testpg::scott.user, QStringLiteral("wrong"));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, FillTableList(list, currentLogin()));
        QCOMPARE(entries(list), before);

        typeLogin(testpg::dsn(), testpg::scott.user, testpg::scott.password);
        testpg::ServerRestarter restarter;
        QVERIFY(testpg::stopServer());
        try {
            FillTableList(list, currentLogin());
            QFAIL("filled the list from a stopped server");
        } catch (const DatabaseError &error) {
            QVERIFY(!error.description().isEmpty());
        }
        QCOMPARE(entries(list), before);
        QVERIFY(testpg::startServer());
    }

    void aFailingCatalogueQueryKeepsTheOldNames()
    {
        QListWidget list;
        list.addItems({QStringLiteral("kept")});
        typeLogin(testpg::dsn(), testpg::scott.user, testpg::scott.password);
        testpg::adminExec(QStringLiteral("revoke select on public.user_tables from public"));
        try {
            FillTableList(list, currentLogin());
            testpg::adminExec(QStringLiteral("grant select on public.user_tables to public"));
            QFAIL("the catalogue query succeeded without permission");
        } catch (const DatabaseError &error) {
            testpg::adminExec(QStringLiteral("grant select on public.user_tables to public"));
            QVERIFY2(error.description().contains(QStringLiteral("permission denied")),
                     qPrintable(error.description()));
        }
        QCOMPARE(entries(list), QStringList({"kept"}));
    }

private:
    // What the login window holds now.
    LoginValues currentLogin() const { return wizard_->form1().login(); }

    void typeLogin(const QString &sid, const QString &user, const QString &password)
    {
        Form1 &login = wizard_->form1();
        login.Text1->setText(sid);
        login.Text2->setText(user);
        login.Text3->setText(password);
    }

    QTemporaryDir settingsDir_;
    std::unique_ptr<Wizard> wizard_;
};

QTEST_MAIN(TableListTest)
#include "table_list_test.moc"
