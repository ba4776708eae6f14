#include "db/connection.h"
#include "db/oracle.h"
#include "db/table_snapshot.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The demo database that scripts/demo creates, read through the SQLite ODBC
// driver exactly as the program reads a real database.
class DemoDatabaseTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        const QString root = qEnvironmentVariable("TABVALE_SOURCE_DIR");
        QVERIFY2(!root.isEmpty(), "TABVALE_SOURCE_DIR is not set");
        QProcess bash;
        bash.start(QStringLiteral("bash"),
                   {QStringLiteral("-c"),
                    QStringLiteral("set -e; source \"$1/scripts/lib/common.sh\"; source \"$1/scripts/lib/demo_db.sh\"; "
                                   "create_demo_database \"$2\""),
                    QStringLiteral("bash"), root, dir_.path()});
        QVERIFY(bash.waitForFinished(60000));
        QVERIFY2(bash.exitCode() == 0, bash.readAllStandardError().constData());
        // The ODBC configuration is read when the first connection opens.
        qputenv("ODBCSYSINI", (dir_.path() + QStringLiteral("/odbc")).toLocal8Bit());
    }

    void anyUserNameAndPasswordGetIn_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("empty") << "" << "";
        QTest::newRow("arbitrary") << "scott" << "tiger";
        QTest::newRow("special") << "a b" << "pa;ss \"word";
    }
    void anyUserNameAndPasswordGetIn()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        db::Connection connection;
        connection.open(buildConnectionString(QStringLiteral("TABVALE_DEMO"), user, password));
        QVERIFY(connection.isOpen());
    }

    void catalogueListsTheDemoTables()
    {
        // The demo has no user_tables; the list comes from SQLite's catalogue.
        const QStringList names = tableNames({QStringLiteral("TABVALE_DEMO"), {}, {}});
        QCOMPARE(names, QStringList({"Customers", "Products", "Orders", "Order Details"}));
    }

    void valuesComeBackAsStored()
    {
        db::Connection connection;
        connection.open(buildConnectionString(QStringLiteral("TABVALE_DEMO"), {}, {}));
        db::RecordSet customer =
            connection.execute(QStringLiteral("select City, Phone, Since from Customers where CustomerID = 6"));
        QCOMPARE(customer.RecordCount(), 1);
        QCOMPARE(customer.fieldText(0), QStringLiteral("Resende"));
        QVERIFY(customer.fieldIsNull(1));
        QCOMPARE(customer.fieldText(2), QStringLiteral("2022-02-17"));

        db::RecordSet cologne =
            connection.execute(QStringLiteral("select Company, City from Customers where CustomerID = 7"));
        QCOMPARE(cologne.fieldText(0), QStringLiteral("Ottilies Käseladen"));
        QCOMPARE(cologne.fieldText(1), QStringLiteral("Köln"));

        int rows = 0;
        for (const char *table : {"Customers", "Products", "Orders", "\"Order Details\""})
            rows += connection.execute(QStringLiteral("select * from %1").arg(QLatin1String(table))).RecordCount();
        QCOMPARE(rows, 8 + 12 + 8 + 15);
    }

    // A new customer gets its number from SQLite and shows it; deleting it
    // leaves the table as it was.
    void aNewRowGetsItsGeneratedKey()
    {
        auto connection = std::make_unique<db::Connection>();
        connection->open(buildConnectionString(QStringLiteral("TABVALE_DEMO"), {}, {}));
        const auto customers = db::TableSnapshot::open(std::move(connection), QStringLiteral("Customers"));
        const qint64 rows = customers->rowCount();
        customers->insertRows({{rows, {{1, QStringLiteral("Nordlicht")}, {3, QStringLiteral("Tromsø")}}}});
        QVERIFY(customers->isReadBack(rows));
        QCOMPARE(customers->text(rows, 0), QStringLiteral("9"));
        QCOMPARE(customers->text(rows, 3), QStringLiteral("Tromsø"));
        customers->deleteRows({rows});
        db::Connection check;
        check.open(buildConnectionString(QStringLiteral("TABVALE_DEMO"), {}, {}));
        QCOMPARE(check.execute(QStringLiteral("select * from Customers")).RecordCount(), 8);
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(DemoDatabaseTest)
#include "demo_database_test.moc"
