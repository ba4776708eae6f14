#include "db/connection.h"
#include "db/database_error.h"
#include "db/oracle.h"
#include "support/postgres.h"
#include "support/silent_listener.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <dlfcn.h>

namespace {

const QString objectClosed = QStringLiteral("Operation is not allowed when the object is closed.");
const QString noCurrentRecord = QStringLiteral(
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current "
    "record.");

template <class Statement>
QString appErrorOf(Statement &&statement)
{
    try {
        statement();
    } catch (const AppError &error) {
        return error.description();
    }
    return QStringLiteral("<no error>");
}

int backendsOf(const QString &user)
{
    return testpg::adminQuery(QStringLiteral("select count(*) from pg_stat_activity where usename = '%1'").arg(user))
        .value(0)
        .toInt();
}

} // namespace

class ConnectionTest : public QObject {
    Q_OBJECT
private slots:
    // Read by Oracle's client when it connects; the program's own text is UTF-8.
    void initTestCase() { qputenv("NLS_LANG", "GERMAN_GERMANY.WE8ISO8859P1"); }
    void init() { TABVALE_REQUIRE_POSTGRES(); }

    void opensAndClosesLikeAdo()
    {
        db::Connection connection;
        QVERIFY(!connection.isOpen());
        QCOMPARE(appErrorOf([&] { connection.close(); }), objectClosed);
        QCOMPARE(appErrorOf([&] { connection.execute(QStringLiteral("select 1")); }), objectClosed);

        connection.open(testpg::connectionString(testpg::scott));
        QVERIFY(connection.isOpen());
        QCOMPARE(appErrorOf([&] { connection.open(testpg::connectionString(testpg::scott)); }),
                 QStringLiteral("Operation is not allowed when the object is open."));
        connection.close();
        QVERIFY(!connection.isOpen());
        QCOMPARE(appErrorOf([&] { connection.close(); }), objectClosed);

        // A closed connection can be opened again.
        connection.open(testpg::connectionString(testpg::odd));
        QCOMPARE(connection.execute(QStringLiteral("select current_user")).fieldText(0), QStringLiteral("odd"));
    }

    void closingAndDestructionEndTheServerSession()
    {
        const int before = backendsOf(QStringLiteral("scott"));
        {
            db::Connection connection;
            connection.open(testpg::connectionString(testpg::scott));
            QCOMPARE(backendsOf(QStringLiteral("scott")), before + 1);
        }
        QTRY_COMPARE(backendsOf(QStringLiteral("scott")), before);

        db::Connection closed;
        closed.open(testpg::connectionString(testpg::scott));
        closed.close();
        QTRY_COMPARE(backendsOf(QStringLiteral("scott")), before);
    }

    void failuresCarryTheDriversOwnDiagnostics()
    {
        db::Connection connection;
        try {
            connection.open(testpg::connectionString({QStringLiteral("scott"), QStringLiteral("wrong")}));
            QFAIL("opened with a wrong password");
        } catch (const DatabaseError &error) {
            QVERIFY2(error.description().contains(
                         QStringLiteral("password authentication failed for user \"scott\"")),
                     qPrintable(error.description()));
            QCOMPARE(error.sqlState().size(), 5);
        }
        QVERIFY(!connection.isOpen());

        try {
            connection.open(buildConnectionString(QStringLiteral("no_such_dsn"), QStringLiteral("scott"),
                                                  QStringLiteral("tiger")));
            QFAIL("opened an unknown data source");
        } catch (const DatabaseError &error) {
            QVERIFY2(error.description().contains(QStringLiteral("Data source name not found")),
                     qPrintable(error.description()));
            QCOMPARE(error.sqlState(), QStringLiteral("IM002"));
        }

        connection.open(testpg::connectionString(testpg::scott));
        try {
            connection.execute(QStringLiteral("select * from no_such_table"));
            QFAIL("ran a query on a missing table");
        } catch (const DatabaseError &error) {
            QVERIFY2(error.description().contains(QStringLiteral("relation \"no_such_table\" does not exist")),
                     qPrintable(error.description()));
            // The driver adds an empty record here; it must not become an empty line.
            QVERIFY2(!error.description().endsWith(u'\n') && !error.description().contains(QStringLiteral("\n\n")),
                     qPrintable(error.description()));
            QCOMPARE(error.sqlState(), QStringLiteral("42P01"));
        }
        // The connection is still usable after a failed statement.
        QCOMPARE(connection.execute(QStringLiteral("select 2")).fieldText(0), QStringLiteral("2"));
    }

    void passwordWithSemicolonQuoteAndBlankGetsIn()
    {
        db::Connection connection;
        connection.open(testpg::connectionString(testpg::odd));
        QCOMPARE(connection.execute(QStringLiteral("select v from secrets")).fieldText(0), QStringLiteral("42"));
    }

    void everyCharacterOfALoginReachesTheServer_data()
    {
        TABVALE_REQUIRE_POSTGRES();
        // Braces, "=", quotes and blanks at either end would all be misread
        // if any layer passed them on unprotected.
        const QString password = QStringLiteral(" {x}}y;=\"z' ");
        QString literal = password;
        literal.replace(u'\'', QStringLiteral("''"));
        for (const char *role : {"brace", "br{a;ce}"})
            testpg::adminExec(QStringLiteral("drop role if exists \"%1\"; create role \"%1\" login password '%2'")
                                  .arg(QLatin1String(role), literal));

        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("odd password") << testpg::odd.user << testpg::odd.password;
        QTest::newRow("braces in both") << "br{a;ce}" << password;
        QTest::newRow("braces in the password") << "brace" << password;
    }
    void everyCharacterOfALoginReachesTheServer()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        db::Connection connection;
        connection.open(buildConnectionString(testpg::dsn(), user, password));
        QCOMPARE(connection.execute(QStringLiteral("select current_user")).fieldText(0), user);
    }

    void recordSetWalksTheRowsExactly()
    {
        db::Connection connection;
        connection.open(testpg::connectionString(testpg::scott));
        db::RecordSet rows = connection.execute(
            QStringLiteral("select empno, ename, job, sal, hiredate, comm from \"Emp\" order by empno"));
        QCOMPARE(rows.RecordCount(), 5);
        QCOMPARE(rows.fieldCount(), 6);

        QStringList seen;
        for (int i = 0; i < rows.RecordCount(); ++i) {
            QStringList fields;
            for (int f = 0; f < rows.fieldCount(); ++f)
                fields << (rows.fieldIsNull(f) ? QStringLiteral("<null>") : rows.fieldText(f));
            seen << fields.join(u'|');
            rows.MoveNext();
        }
        QCOMPARE(seen, QStringList({
                           "7369|SMITH|CLERK|800.00|1980-12-17|<null>",
                           "7499|ALLEN|SALESMAN|1600.00|1981-02-20|300.00",
                           "7521|Łukasz Żółć|SALESMAN|1250.50|1981-02-22|500.00",
                           "7566|山田太郎|<null>|2975.00|1981-04-02|<null>",
                           "7698|Ελένη|MANAGER|2850.00|<null>|<null>",
                       }));

        // Past the last record: ADO's failures, and NULL reads as empty text.
        QVERIFY(rows.eof());
        QCOMPARE(appErrorOf([&] { rows.fieldText(0); }), noCurrentRecord);
        QCOMPARE(appErrorOf([&] { rows.MoveNext(); }), noCurrentRecord);
        rows.Close();
        QCOMPARE(appErrorOf([&] { rows.RecordCount(); }), objectClosed);
        QCOMPARE(appErrorOf([&] { rows.Close(); }), objectClosed);

        db::RecordSet nulls = connection.execute(QStringLiteral("select comm, 1 from \"Emp\" where empno = 7369"));
        QCOMPARE(nulls.fieldText(0), QString());
        QVERIFY(nulls.fieldIsNull(0));
        QVERIFY(!nulls.fieldIsNull(1));
        QCOMPARE(appErrorOf([&] { nulls.fieldText(2); }),
                 QStringLiteral("Item cannot be found in the collection corresponding to the requested name or "
                                "ordinal."));
        QCOMPARE(appErrorOf([&] { nulls.fieldText(-1); }),
                 QStringLiteral("Item cannot be found in the collection corresponding to the requested name or "
                                "ordinal."));
    }

    void emptyAndResultlessStatements()
    {
        db::Connection connection;
        connection.open(testpg::connectionString(testpg::scott));
        db::RecordSet none = connection.execute(QStringLiteral("select x from \"a.b\""));
        QCOMPARE(none.RecordCount(), 0);
        QVERIFY(none.eof());
        QCOMPARE(appErrorOf([&] { none.fieldText(0); }), noCurrentRecord);

        db::RecordSet update = connection.execute(QStringLiteral("update \"a.b\" set x = 1 where false"));
        QVERIFY(!update.isOpen());
        QCOMPARE(appErrorOf([&] { update.RecordCount(); }), objectClosed);
    }

    void rowsAcrossManyBlocksAreAllFetched()
    {
        db::Connection connection;
        connection.open(testpg::connectionString(testpg::scott));
        db::RecordSet rows = connection.execute(
            QStringLiteral("select g, 'row ' || g from generate_series(1, 25003) g order by g"));
        QCOMPARE(rows.RecordCount(), 25003);
        qint64 sum = 0;
        QString last;
        for (int i = 0; i < rows.RecordCount(); ++i) {
            sum += rows.fieldText(0).toLongLong();
            last = rows.fieldText(1);
            rows.MoveNext();
        }
        QCOMPARE(sum, qint64(25003) * 25004 / 2);
        QCOMPARE(last, QStringLiteral("row 25003"));
    }

    void valuesLongerThanTheirDeclaredSizeArriveWhole()
    {
        db::Connection connection;
        connection.open(testpg::connectionString(testpg::scott));
        // Characters outside the basic plane take two UTF-16 units each, more
        // than the declared length; unbounded text may exceed any buffer.
        db::RecordSet rows = connection.execute(QStringLiteral(
            "select '😀😀😀😀'::varchar(4), repeat('é', 100000), repeat('x', g) "
            "from generate_series(1, 3) g order by g"));
        QCOMPARE(rows.RecordCount(), 3);
        QCOMPARE(rows.fieldText(0), QStringLiteral("😀😀😀😀"));
        QCOMPARE(rows.fieldText(1), QString(100000, QChar(0xe9)));
        QCOMPARE(rows.fieldText(2), QStringLiteral("x"));
        rows.MoveNext();
        rows.MoveNext();
        QCOMPARE(rows.fieldText(2), QStringLiteral("xxx"));
    }

    void commandTimeoutEndsALongStatement()
    {
        db::Connection connection;
        connection.setCommandTimeout(1);
        connection.open(testpg::connectionString(testpg::scott));
        QElapsedTimer timer;
        timer.start();
        QVERIFY_THROWS_EXCEPTION(DatabaseError, connection.execute(QStringLiteral("select pg_sleep(20)")));
        QVERIFY2(timer.elapsed() < 8000, qPrintable(QString::number(timer.elapsed())));
    }

    // The data source's own settings cut floats and change the date style;
    // the session the program sets up after connecting wins over them.
    void sessionSettingsAreTheProgramsOwn()
    {
        db::Connection connection;
        connection.open(buildConnectionString(testpg::lossyDsn(), testpg::scott.user, testpg::scott.password));
        QCOMPARE(connection.execute(QStringLiteral("show DateStyle")).fieldText(0), QStringLiteral("ISO, DMY"));
        QCOMPARE(connection.execute(QStringLiteral("show extra_float_digits")).fieldText(0), QStringLiteral("3"));
        db::RecordSet values = connection.execute(QStringLiteral(
            "select 0.1::float8 + 0.2::float8, 1e-310::float8, date '2024-02-29', timestamp '2024-02-29 13:14:15.5'"));
        QCOMPARE(values.fieldText(0), QStringLiteral("0.30000000000000004"));
        QCOMPARE(values.fieldText(1), QStringLiteral("1e-310"));
        QCOMPARE(values.fieldText(2), QStringLiteral("2024-02-29"));
        QCOMPARE(values.fieldText(3), QStringLiteral("2024-02-29 13:14:15.5"));
        QCOMPARE(qgetenv("NLS_LANG"), QByteArray("GERMAN_GERMANY.AL32UTF8"));
    }

    // Some drivers refuse the login and query timeouts; this one is the
    // SQLite driver refusing both.
    void aDriverRefusingTimeoutsStillConnects()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString ini = dir.filePath(QStringLiteral("odbc.ini"));
        QFile iniFile(ini);
        QVERIFY(iniFile.open(QIODevice::WriteOnly));
        iniFile.write(QStringLiteral("[refusing]\nDriver = %1\nDatabase = %2\n")
                          .arg(QLatin1String(TABVALE_REFUSING_DRIVER), dir.filePath(QStringLiteral("r.db")))
                          .toUtf8());
        iniFile.close();
        qputenv("ODBCINI", ini.toLocal8Bit());

        db::Connection connection;
        connection.setConnectionTimeout(5);
        connection.setCommandTimeout(5);
        connection.open(buildConnectionString(QStringLiteral("refusing"), {}, {}));
        QCOMPARE(connection.execute(QStringLiteral("select 6 * 7")).fieldText(0), QStringLiteral("42"));
        // SQLite's own session statement ran too.
        QCOMPARE(connection.execute(QStringLiteral("pragma foreign_keys")).fieldText(0), QStringLiteral("1"));

        void *driver = dlopen(TABVALE_REFUSING_DRIVER, RTLD_NOW | RTLD_NOLOAD);
        QVERIFY(driver);
        const auto refusals = reinterpret_cast<int (*)()>(dlsym(driver, "timeoutRefusals"));
        QVERIFY(refusals);
        // The login timeout at the connect, the query timeout per statement.
        QVERIFY2(refusals() >= 3, qPrintable(QString::number(refusals())));
        dlclose(driver);
    }

    void aServerThatNeverAnswersGivesUpAtTheConnectionTimeout()
    {
        SilentListener silent(testpg::silentPort());
        QVERIFY2(silent.listening(), qPrintable(silent.error()));
        db::Connection connection;
        connection.setConnectionTimeout(2);
        QElapsedTimer timer;
        timer.start();
        QVERIFY_THROWS_EXCEPTION(DatabaseError,
                                 connection.open(buildConnectionString(testpg::silentDsn(), QStringLiteral("scott"),
                                                                       QStringLiteral("tiger"))));
        QVERIFY2(timer.elapsed() >= 1500 && timer.elapsed() < 8000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!connection.isOpen());
    }
};

QTEST_GUILESS_MAIN(ConnectionTest)
#include "connection_test.moc"
