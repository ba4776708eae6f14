#include "db/connection.h"
#include "db/connection_handles.h"
#include "db/database_error.h"
#include "db/odbc_diagnostics.h"
#include "db/oracle.h"
#include "db/snapshot_sql.h"
#include "db/table_snapshot.h"
#include "support/snapshot_checks.h"
#include "support/mariadb.h"

#include <QtTest>
#include <sqlext.h>

// Tables of a real MariaDB server opened and written through its own ODBC
// driver, with a data source that sets nothing: double-quoted names, row
// counts and exact values are the program's business.
namespace {

using db::TableSnapshot;
using testmaria::admin;

std::unique_ptr<db::Connection> connectAs(const testmaria::Login &login)
{
    auto connection = std::make_unique<db::Connection>();
    connection->open(testmaria::connectionString(login));
    return connection;
}

std::unique_ptr<TableSnapshot> openAsScott(const QString &table)
{
    return TableSnapshot::open(connectAs(testmaria::scott), table);
}

// A table made from scratch; name and columns in backticks where needed.
void createTable(const QString &name, const QString &columns, const QString &rows = {})
{
    QString quoted = name;
    quoted.replace(u'`', QStringLiteral("``"));
    QString sql = QStringLiteral("DROP TABLE IF EXISTS `%1`; CREATE TABLE `%1` (%2) ENGINE = InnoDB;").arg(quoted, columns);
    if (!rows.isEmpty())
        sql += QStringLiteral("INSERT INTO `%1` VALUES %2;").arg(quoted, rows);
    testmaria::adminExec(sql);
}

// The rows an UPDATE reports through the driver, on a connection as it is.
SQLLEN rowsReported(SQLHDBC connection, const QString &sql)
{
    db::StatementHandle statement = db::newStatement(connection, 30);
    db::executeDirect(statement.get(), sql);
    SQLLEN rows = -1;
    db::checkOdbc(SQLRowCount(statement.get(), &rows), SQL_HANDLE_STMT, statement.get(), "SQLRowCount");
    // The results of any further statements in the text, which must be read
    // before the connection takes another.
    while (db::odbcSucceeded(SQLMoreResults(statement.get()))) {
    }
    return rows;
}

} // namespace

class MariaDbSnapshotTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TABVALE_REQUIRE_MARIADB(); }

    // The session reads double quotes as names and keeps the site's modes;
    // row counts mean rows matched, where a plain connection of the same
    // data source counts rows changed.
    void theSessionIsSetUpForTheProgram()
    {
        createTable(QStringLiteral("m counts"), QStringLiteral("id INT PRIMARY KEY, amount DECIMAL(9,2)"),
                    QStringLiteral("(1, 99.99)"));
        const auto connection = connectAs(testmaria::scott);
        db::RecordSet mode = connection->execute(QStringLiteral("SELECT @@SESSION.sql_mode"));
        const QStringList modes = mode.fieldText(0).split(u',');
        QVERIFY2(modes.contains(QStringLiteral("ANSI_QUOTES")), qPrintable(mode.fieldText(0)));
        QVERIFY2(modes.contains(QStringLiteral("STRICT_TRANS_TABLES")), qPrintable(mode.fieldText(0)));

        SQLHDBC dbc = connection->handles().connection.get();
        const QString sameValue = QStringLiteral("UPDATE \"m counts\" SET amount = '99.990' WHERE id = 1");
        QCOMPARE(rowsReported(dbc, sameValue), SQLLEN(1));
        QCOMPARE(rowsReported(dbc, QStringLiteral("UPDATE \"m counts\" SET amount = 5 WHERE id = 2")), SQLLEN(0));

        // What the driver does when nobody asks: the same update counts 0.
        db::EnvironmentHandle environment;
        db::ConnectionHandle plain;
        SQLHANDLE raw = SQL_NULL_HANDLE;
        QVERIFY(db::odbcSucceeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &raw)));
        environment = db::EnvironmentHandle(raw);
        SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        QVERIFY(db::odbcSucceeded(SQLAllocHandle(SQL_HANDLE_DBC, environment.get(), &raw)));
        plain = db::ConnectionHandle(raw);
        const QByteArray dsn = testmaria::dsn().toUtf8();
        QVERIFY(db::odbcSucceeded(SQLConnect(plain.get(), (SQLCHAR *)dsn.data(), SQL_NTS, (SQLCHAR *)"scott", SQL_NTS,
                                             (SQLCHAR *)"tiger", SQL_NTS)));
        QCOMPARE(rowsReported(plain.get(), QStringLiteral("UPDATE `m counts` SET amount = '99.990' WHERE id = 1")),
                 SQLLEN(0));
        SQLDisconnect(plain.get());

        // A data source's own option flags stay: this one runs two statements
        // in one, and still counts rows matched.
        db::Connection multi;
        multi.open(buildConnectionString(testmaria::multiStatementDsn(), testmaria::scott.user,
                                         testmaria::scott.password));
        SQLHDBC multiDbc = multi.handles().connection.get();
        QCOMPARE(rowsReported(multiDbc, QStringLiteral("UPDATE \"m counts\" SET amount = 1 WHERE id = 1; "
                                                       "UPDATE \"m counts\" SET amount = 99.99 WHERE id = 1")),
                 SQLLEN(1));
        QCOMPARE(rowsReported(multiDbc, sameValue), SQLLEN(1));
        QCOMPARE(admin(QStringLiteral("SELECT amount FROM `m counts`")), QStringLiteral("99.99"));
    }

    void loginsWithAwkwardPasswordsConnect()
    {
        const auto connection = connectAs(testmaria::odd);
        db::RecordSet user = connection->execute(QStringLiteral("SELECT CURRENT_USER()"));
        QCOMPARE(user.fieldText(0), QStringLiteral("odd@127.0.0.1"));
        QVERIFY(!CheckLogin({testmaria::dsn(), testmaria::odd.user, QStringLiteral("pa;ss")}));
        QVERIFY(CheckLogin({testmaria::dsn(), testmaria::odd.user, testmaria::odd.password}));
    }

    void quotedNamesOpenAndWrite_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("check");
        QTest::newRow("blanks") << "Invoices 2026" << 1 << "SELECT customer FROM `Invoices 2026` WHERE id = 1";
        QTest::newRow("double quotes") << "say \"hi\"" << 0 << "SELECT greeting FROM `say \"hi\"` WHERE greeting = '%1'";
        QTest::newRow("single quote, reserved words") << "it's" << 2 << "SELECT `Key \"x\"` FROM `it's` WHERE `from` = 1";
    }
    void quotedNamesOpenAndWrite()
    {
        QFETCH(QString, table);
        QFETCH(int, column);
        QFETCH(QString, check);
        const auto snapshot = openAsScott(table);
        QCOMPARE(snapshot->tableName(), table);
        QVERIFY(snapshot->rowCount() >= 2);
        // A value the row cannot hold yet, however often the test runs.
        const QString value = QTime::currentTime().toString(QStringLiteral("'w'hhmmsszzz"));
        snapshot->writeRow(0, {{column, value}});
        QCOMPARE(admin(check.contains(QStringLiteral("%1")) ? check.arg(value) : check), value);
        QCOMPARE(snapshot->text(0, column), value);
    }

    void columnsAndKeyComeFromTheCatalogue()
    {
        createTable(QStringLiteral("m kinds"),
                    QStringLiteral("b INT, a VARCHAR(10), d DOUBLE, f FLOAT, dec1 DECIMAL(12,4), t TEXT, lt LONGTEXT, "
                                   "bl BLOB, dt DATETIME(6), PRIMARY KEY (b, a)"));
        // A table whose name differs only in case has a key of its own.
        createTable(QStringLiteral("M KINDS"), QStringLiteral("d DOUBLE PRIMARY KEY, a VARCHAR(10)"));
        const auto snapshot = openAsScott(QStringLiteral("m kinds"));
        QStringList key;
        for (int c = 0; c < snapshot->columnCount(); ++c) {
            if (snapshot->column(c).inPrimaryKey)
                key << snapshot->column(c).name;
        }
        QCOMPARE(key, QStringList({"b", "a"}));
        auto column = [&](int c) { return snapshot->column(c); };
        // DOUBLE reads as exact text, FLOAT does not.
        QVERIFY(column(2).comparable && column(2).numeric);
        QVERIFY(!column(3).comparable && column(3).editable);
        QVERIFY(column(4).comparable);
        // TEXT of any length is ordinary text; a BLOB is neither edited nor compared.
        QVERIFY(column(5).editable && column(5).comparable);
        QVERIFY(column(6).editable && column(6).comparable);
        QVERIFY(!column(7).editable && !column(7).comparable);
        QVERIFY(column(8).comparable);
    }

    // "99.990" over 99.99 matches the row and changes nothing: written, and
    // the grid holds what the server holds.
    void aValueTheServerAlreadyHoldsIsWritten()
    {
        createTable(QStringLiteral("m same"), QStringLiteral("id INT PRIMARY KEY, amount DECIMAL(9,2), day DATE, n INT"),
                    QStringLiteral("(1, 99.99, '2026-01-31', 7)"));
        const auto snapshot = openAsScott(QStringLiteral("m same"));
        snapshot->writeRow(0, {{1, QStringLiteral("99.990")}});
        QCOMPARE(snapshot->text(0, 1), QStringLiteral("99.99"));
        snapshot->writeRow(0, {{2, QStringLiteral("2026-01-31")}, {3, QStringLiteral("007")}});
        QCOMPARE(rowTexts(*snapshot, 0), QStringList({"1", "99.99", "2026-01-31", "7"}));
        QCOMPARE(admin(QStringLiteral("SELECT amount, day, n FROM `m same`")), QStringLiteral("99.99|2026-01-31|7"));
    }

    void anotherSessionsChangeIsNotOverwritten_data()
    {
        QTest::addColumn<QString>("otherSession");
        QTest::addColumn<QString>("expected");
        QTest::newRow("same column") << "UPDATE `m race` SET v = 'theirs'" << "1|theirs|NULL";
        QTest::newRow("a NULL filled") << "UPDATE `m race` SET w = 'filled'" << "1|original|filled";
        QTest::newRow("deleted") << "DELETE FROM `m race`" << "";
        // The column's collation calls these equal; the user saw otherwise.
        QTest::newRow("letter case only") << "UPDATE `m race` SET v = 'Original'" << "1|Original|NULL";
        QTest::newRow("a trailing blank") << "UPDATE `m race` SET v = 'original '" << "1|original |NULL";
    }
    void anotherSessionsChangeIsNotOverwritten()
    {
        QFETCH(QString, otherSession);
        QFETCH(QString, expected);
        createTable(QStringLiteral("m race"), QStringLiteral("id INT PRIMARY KEY, v VARCHAR(20), w VARCHAR(20)"),
                    QStringLiteral("(1, 'original', NULL)"));
        const auto snapshot = openAsScott(QStringLiteral("m race"));
        testmaria::adminExec(otherSession);
        const QString message = errorOf<db::RowConflictError>(
            [&] { snapshot->writeRow(0, {{1, QStringLiteral("mine")}, {2, QStringLiteral("mine too")}}); });
        QCOMPARE(message, db::RowConflictError::changedOrDeletedText.toString());
        QCOMPARE(admin(QStringLiteral("SELECT * FROM `m race`")), expected);
        QCOMPARE(rowTexts(*snapshot, 0), QStringList({"1", "original", "<null>"}));
    }

    void twoIdenticalRowsWithoutKeyAreNeverBothChanged()
    {
        const auto snapshot = openAsScott(QStringLiteral("Order Lines"));
        QCOMPARE(errorOf<db::RowConflictError>([&] { snapshot->writeRow(0, {{1, QStringLiteral("4")}}); }),
                 db::RowConflictError::notUniqueText.toString());
        QCOMPARE(errorOf<db::RowConflictError>([&] { snapshot->deleteRows({1}); }).endsWith(
                     db::RowConflictError::notUniqueText.toString()),
                 true);
        QCOMPARE(admin(QStringLiteral("SELECT count(*) FROM `Order Lines` WHERE item = 'Widget' AND qty = 3")),
                 QStringLiteral("2"));
        // The row that can be told apart is written, and only it.
        snapshot->writeRow(2, {{1, QStringLiteral("2")}});
        QCOMPARE(admin(QStringLiteral("SELECT item, qty FROM `Order Lines` ORDER BY item, qty")),
                 QStringLiteral("Gadget|2\nWidget|3\nWidget|3"));
        testmaria::adminExec(QStringLiteral("UPDATE `Order Lines` SET qty = 1 WHERE item = 'Gadget'"));
    }

    // Without a key every comparable value stands in the WHERE as the text it
    // was read as, and must find its own row again: the floats' last digits,
    // fractions of seconds, decimals, empty text against NULL.
    void everyComparableValueFindsItsOwnRow()
    {
        createTable(QStringLiteral("m exact"),
                    QStringLiteral("d DOUBLE, tiny DOUBLE, f FLOAT, dec1 DECIMAL(30,10), dt DATETIME(6), "
                                   "ts TIMESTAMP(3) NULL, tm TIME(2), day DATE, y YEAR, e ENUM('a','b'), "
                                   "j JSON, empty VARCHAR(5), nothing VARCHAR(5), u BIGINT UNSIGNED, note TEXT"),
                    QStringLiteral("(0.1e0 + 0.2e0, 1e-310, 0.1, 0.1234567890, '2024-01-02 03:04:05.123456', "
                                   "'2024-01-02 03:04:05.123', '12:34:56.78', '2024-02-29', 2024, 'b', '{\"a\": 1}', "
                                   "'', NULL, 18446744073709551615, 'x')"));
        const auto snapshot = openAsScott(QStringLiteral("m exact"));
        QCOMPARE(rowTexts(*snapshot, 0).mid(0, 4), QStringList({"0.30000000000000004", "1e-310", "0.1", "0.1234567890"}));
        QCOMPARE(snapshot->text(0, 11), QString());
        QVERIFY(!snapshot->isNull(0, 11) && snapshot->isNull(0, 12));
        snapshot->writeRow(0, {{14, QStringLiteral("edited")}});
        QCOMPARE(admin(QStringLiteral("SELECT d = 0.1e0 + 0.2e0, note FROM `m exact`")), QStringLiteral("1|edited"));
        // Read back after the write, the values still find the row.
        snapshot->writeRow(0, {{14, QStringLiteral("again")}});
        QCOMPARE(admin(QStringLiteral("SELECT note FROM `m exact`")), QStringLiteral("again"));

        // Empty text and NULL are two values here, as on PostgreSQL: another
        // session's change from one to the other counts like any other.
        testmaria::adminExec(QStringLiteral("UPDATE `m exact` SET empty = NULL"));
        QCOMPARE(errorOf<db::RowConflictError>([&] { snapshot->writeRow(0, {{11, QStringLiteral("y")}}); }),
                 db::RowConflictError::changedOrDeletedText.toString());
        QCOMPARE(admin(QStringLiteral("SELECT empty IS NULL FROM `m exact`")), QStringLiteral("1"));
        testmaria::adminExec(QStringLiteral("UPDATE `m exact` SET empty = 'they'"));
        QCOMPARE(errorOf<db::RowConflictError>([&] { snapshot->writeRow(0, {{11, QStringLiteral("z")}}); }),
                 db::RowConflictError::changedOrDeletedText.toString());
        QCOMPARE(admin(QStringLiteral("SELECT empty FROM `m exact`")), QStringLiteral("they"));
    }

    void emptyTextIsWrittenAsEmptyTextAndNullAsNull()
    {
        createTable(QStringLiteral("m blank"), QStringLiteral("id INT PRIMARY KEY, s VARCHAR(10), t VARCHAR(10)"),
                    QStringLiteral("(1, 'a', 'b')"));
        const auto snapshot = openAsScott(QStringLiteral("m blank"));
        snapshot->writeRow(0, {{1, QString()}, {2, std::nullopt}});
        QCOMPARE(admin(QStringLiteral("SELECT s = '', t IS NULL FROM `m blank`")), QStringLiteral("1|1"));
        QVERIFY(!snapshot->isNull(0, 1));
        QVERIFY(snapshot->isNull(0, 2));
    }

    // The grid's own test adds and deletes rows; here what it does not see:
    // a generated key and a DOUBLE read back, and a delete another session
    // got in before.
    void insertedRowsAreReadBackAndDeleted()
    {
        createTable(QStringLiteral("m people"),
                    QStringLiteral("id INT AUTO_INCREMENT PRIMARY KEY, name VARCHAR(20) NOT NULL, "
                                   "city VARCHAR(20) DEFAULT 'Oslo', ratio DOUBLE"),
                    QStringLiteral("(1, 'Ann', 'Rome', 0.5)"));
        const auto snapshot = openAsScott(QStringLiteral("m people"));
        snapshot->insertRows({{1, {{1, QStringLiteral("Bob")}, {3, QStringLiteral("0.1")}}}});
        QVERIFY(snapshot->isReadBack(1));
        QCOMPARE(rowTexts(*snapshot, 1), QStringList({"2", "Bob", "Oslo", "0.1"}));

        testmaria::adminExec(QStringLiteral("UPDATE `m people` SET city = 'Nice' WHERE id = 2"));
        QVERIFY(errorOf<db::RowConflictError>([&] { snapshot->deleteRows({0, 1}); })
                    .endsWith(db::RowConflictError::changedOrDeletedText.toString()));
        QCOMPARE(admin(QStringLiteral("SELECT count(*) FROM `m people`")), QStringLiteral("2"));
        snapshot->deleteRows({0});
        QCOMPARE(admin(QStringLiteral("SELECT id, name FROM `m people`")), QStringLiteral("2|Bob"));
    }
};

QTEST_GUILESS_MAIN(MariaDbSnapshotTest)
#include "mariadb_snapshot_test.moc"
