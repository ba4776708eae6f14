#include "db/connection.h"
#include "db/connection_handles.h"
#include "db/database_error.h"
#include "db/dialect.h"
#include "db/oracle.h"
#include "db/table_snapshot.h"
#include "support/snapshot_checks.h"
#include "support/leftovers.h"
#include "support/postgres.h"

#include <QtTest>
#include <sqlext.h>

// Opening tables as compact text snapshots and writing rows back under
// optimistic concurrency, against the private PostgreSQL (and SQLite).
namespace {

using db::TableSnapshot;

std::unique_ptr<db::Connection> connectAs(const QString &connectionString)
{
    auto connection = std::make_unique<db::Connection>();
    connection->open(connectionString);
    return connection;
}

std::unique_ptr<TableSnapshot> openAsScott(const QString &table, const TableSnapshot::Progress &progress = {})
{
    return TableSnapshot::open(connectAs(testpg::connectionString(testpg::scott)), table, progress);
}

// Creates a table in scott's schema, owned by scott, from scratch.
void createTable(const QString &name, const QString &columns, const QString &rows = {})
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    QString sql = QStringLiteral("DROP TABLE IF EXISTS scott.\"%1\";\nCREATE TABLE scott.\"%1\" (%2);\n"
                                 "ALTER TABLE scott.\"%1\" OWNER TO scott;\n")
                      .arg(quoted, columns);
    if (!rows.isEmpty())
        sql += QStringLiteral("INSERT INTO scott.\"%1\" VALUES %2;\n").arg(quoted, rows);
    testpg::adminExec(sql);
}

QString admin(const QString &sql) { return testpg::adminQuery(sql).join(u'\n'); }

const QString longText = QString(100000, u'x') + QStringLiteral("end");
// Two-byte letters across every buffer and piece boundary.
const QString longCyrillic = QString(3001, QChar(0x0416)) + QStringLiteral("Ω");

} // namespace

class TableSnapshotTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        testpg::dropLeftovers();
        createTable(QStringLiteral("snap types"),
                    QStringLiteral("id integer PRIMARY KEY, name varchar(30), amount numeric(12,2), "
                                   "stamp timestamp, day date, note text, data bytea, ratio float8, flag boolean"),
                    QStringLiteral("(1, 'Ελληνικά 日本語', 1.5, '2024-01-02 03:04:05.123456', '2024-02-29', '%1', "
                                   "'\\x00ff10', 0.1, true), "
                                   "(2, NULL, NULL, NULL, NULL, '%2', NULL, NULL, NULL)")
                        .arg(longText, longCyrillic));
    }

    void cleanupTestCase() { testpg::dropLeftovers(); }

    void quotedNamesOpen_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("mixed case and blanks") << QStringLiteral("Snap Mixed Case");
        QTest::newRow("double quote") << QStringLiteral("snap \"q\"");
        QTest::newRow("dot and non-Latin") << QStringLiteral("snap.Łódź");
    }
    void quotedNamesOpen()
    {
        QFETCH(QString, name);
        createTable(name, QStringLiteral("\"Key\" integer PRIMARY KEY, \"Value \"\"x\"\"\" text"),
                    QStringLiteral("(1, 'one'), (2, NULL)"));
        const auto snapshot = openAsScott(name);
        QCOMPARE(snapshot->tableName(), name);
        QCOMPARE(snapshot->columnCount(), 2);
        QCOMPARE(snapshot->column(1).name, QStringLiteral("Value \"x\""));
        QVERIFY(snapshot->column(0).inPrimaryKey);
        QVERIFY(!snapshot->column(1).inPrimaryKey);
        QCOMPARE(snapshot->rowCount(), 2);
        // The quoted names reach the UPDATE intact too.
        snapshot->writeRow(1, {{1, QStringLiteral("two")}});
        QString quoted = name;
        quoted.replace(u'"', QStringLiteral("\"\""));
        QCOMPARE(admin(QStringLiteral("select \"Value \"\"x\"\"\" from scott.\"%1\" where \"Key\" = 2").arg(quoted)),
                 QStringLiteral("two"));
    }

    void aNameCannotBreakOutOfItsQuotes()
    {
        createTable(QStringLiteral("snap victim"), QStringLiteral("id integer"), QStringLiteral("(1)"));
        const QString hostile = QStringLiteral("snap victim\"; DROP TABLE scott.\"snap victim");
        const QString message = errorOf<DatabaseError>([&] { openAsScott(hostile); });
        QVERIFY2(message.contains(QStringLiteral("does not exist")), qPrintable(message));
        QCOMPARE(admin(QStringLiteral("select count(*) from scott.\"snap victim\"")), QStringLiteral("1"));
    }

    void columnsDescribeTheTable()
    {
        const auto snapshot = openAsScott(QStringLiteral("snap types"));
        QCOMPARE(snapshot->columnCount(), 9);
        QStringList names;
        for (int c = 0; c < snapshot->columnCount(); ++c)
            names << snapshot->column(c).name;
        QCOMPARE(names, QStringList({"id", "name", "amount", "stamp", "day", "note", "data", "ratio", "flag"}));

        const db::ColumnInfo &id = snapshot->column(0);
        QCOMPARE(id.sqlType, short(SQL_INTEGER));
        QVERIFY(id.inPrimaryKey && !id.nullable && id.numeric && id.editable && id.comparable);
        QVERIFY(snapshot->column(1).nullable && !snapshot->column(1).numeric);
        QVERIFY(snapshot->column(2).numeric && snapshot->column(2).comparable);
        // text is an ordinary string on PostgreSQL, editable and comparable.
        QVERIFY(snapshot->column(5).editable && snapshot->column(5).comparable);
        // bytea is written as bytes and compared byte by byte.
        const db::ColumnInfo &data = snapshot->column(6);
        QVERIFY(data.editable && data.comparable);
        // PostgreSQL's floats read as exact text in the program's session.
        const db::ColumnInfo &ratio = snapshot->column(7);
        QVERIFY(ratio.numeric && ratio.editable && ratio.comparable);
        for (int c = 1; c < snapshot->columnCount(); ++c)
            QVERIFY(!snapshot->column(c).inPrimaryKey);
    }

    void valuesArriveExactAndWhole()
    {
        const auto snapshot = openAsScott(QStringLiteral("snap types"));
        QCOMPARE(snapshot->rowCount(), 2);
        QCOMPARE(snapshot->text(0, 1), QStringLiteral("Ελληνικά 日本語"));
        QCOMPARE(snapshot->text(0, 2), QStringLiteral("1.50"));
        QCOMPARE(snapshot->text(0, 3), QStringLiteral("2024-01-02 03:04:05.123456"));
        QCOMPARE(snapshot->text(0, 4), QStringLiteral("2024-02-29"));
        QCOMPARE(snapshot->text(0, 5), longText);
        QCOMPARE(snapshot->text(1, 5), longCyrillic);
        // Binary shows as the hexadecimal digits of its bytes.
        QCOMPARE(snapshot->text(0, 6), QStringLiteral("00ff10"));
        QCOMPARE(snapshot->text(0, 7), QStringLiteral("0.1"));

        QByteArray bytes("prefix:");
        snapshot->appendUtf8(0, 1, bytes);
        QCOMPARE(bytes, QByteArray("prefix:") + QStringLiteral("Ελληνικά 日本語").toUtf8());
        QCOMPARE(snapshot->rawUtf8(1, 5).size(), longCyrillic.toUtf8().size());

        // NULL is empty text, and told apart from an empty string.
        QCOMPARE(rowTexts(*snapshot, 1).mid(1, 4), QStringList({"<null>", "<null>", "<null>", "<null>"}));
        QVERIFY(snapshot->text(1, 1).isEmpty());
        QVERIFY(!snapshot->isNull(0, 1));
    }

    void emptyTableStillHasColumns()
    {
        createTable(QStringLiteral("snap empty"), QStringLiteral("a integer, b varchar(10)"));
        const auto snapshot = openAsScott(QStringLiteral("snap empty"));
        QCOMPARE(snapshot->rowCount(), 0);
        QCOMPARE(snapshot->columnCount(), 2);
        QCOMPARE(snapshot->column(1).name, QStringLiteral("b"));
    }

    void manyRowsComeInBlocksWithProgress()
    {
        createTable(QStringLiteral("snap many"), QStringLiteral("n integer PRIMARY KEY, t text"));
        testpg::adminExec(QStringLiteral("INSERT INTO scott.\"snap many\" SELECT g, CASE WHEN g % 7 = 0 THEN NULL "
                                         "ELSE 'row ' || g END FROM generate_series(1, 25001) g"));
        std::vector<qint64> reports;
        const auto snapshot = openAsScott(QStringLiteral("snap many"), [&](qint64 rows) {
            reports.push_back(rows);
            return true;
        });
        QCOMPARE(snapshot->rowCount(), 25001);
        QCOMPARE(reports, (std::vector<qint64>{10000, 20000}));
        for (qint64 row : {0, 999, 1000, 6, 25000}) {
            const qint64 n = row + 1;
            if (n % 7 == 0)
                QVERIFY(snapshot->isNull(row, 1));
            else
                QCOMPARE(snapshot->text(row, 1), QStringLiteral("row %1").arg(n));
        }

        int calls = 0;
        const QString message = errorOf<db::OpenCancelled>([&] {
            openAsScott(QStringLiteral("snap many"), [&](qint64) { return ++calls < 2; });
        });
        QCOMPARE(message, db::OpenCancelled::text.toString());
        QCOMPARE(calls, 2);
    }

    void closedConnectionIsRefused()
    {
        const QString closed = QStringLiteral("Operation is not allowed when the object is closed.");
        QCOMPARE(errorOf<AppError>([] { TableSnapshot::open(std::make_unique<db::Connection>(), "snap types"); }),
                 closed);
        QCOMPARE(errorOf<AppError>([] { TableSnapshot::open(nullptr, "snap types"); }), closed);
    }

    void writtenRowIsInTheDatabaseAsItReadsBack()
    {
        createTable(QStringLiteral("snap edit"),
                    QStringLiteral("id integer PRIMARY KEY, name varchar(30), amount numeric(9,2), day date, "
                                   "stamp timestamp, flag boolean"),
                    QStringLiteral("(1, 'one', 1.00, '2024-01-01', '2024-01-01 00:00:00', false), "
                                   "(2, NULL, NULL, NULL, NULL, NULL)"));
        const auto snapshot = openAsScott(QStringLiteral("snap edit"));
        snapshot->writeRow(0, {{1, QStringLiteral("Ünïcødé ✓")}, {2, QStringLiteral("1.5")}});
        QCOMPARE(admin(QStringLiteral("select name, amount from scott.\"snap edit\" where id = 1")),
                 QStringLiteral("Ünïcødé ✓|1.50"));
        // The snapshot holds what the database made of the text.
        QCOMPARE(snapshot->text(0, 2), QStringLiteral("1.50"));
        QCOMPARE(snapshot->text(0, 1), QStringLiteral("Ünïcødé ✓"));

        // NULL originals are matched with IS NULL; values of every type go
        // as text.
        snapshot->writeRow(1, {{1, QStringLiteral("two")},
                               {3, QStringLiteral("2024-02-29")},
                               {4, QStringLiteral("2024-02-29 13:14:15.654321")},
                               {5, QStringLiteral("1")}});
        QCOMPARE(admin(QStringLiteral("select name, day, stamp, flag from scott.\"snap edit\" where id = 2")),
                 QStringLiteral("two|2024-02-29|2024-02-29 13:14:15.654321|t"));
        QCOMPARE(snapshot->text(1, 4), QStringLiteral("2024-02-29 13:14:15.654321"));

        // nullopt writes NULL.
        snapshot->writeRow(1, {{1, std::nullopt}});
        QCOMPARE(admin(QStringLiteral("select name is null from scott.\"snap edit\" where id = 2")),
                 QStringLiteral("t"));
        QVERIFY(snapshot->isNull(1, 1));

        // Changing the key itself: the row is found and read back by its new key.
        snapshot->writeRow(1, {{0, QStringLiteral("20")}});
        QCOMPARE(admin(QStringLiteral("select count(*) from scott.\"snap edit\" where id = 20")), QStringLiteral("1"));
        QCOMPARE(snapshot->text(1, 0), QStringLiteral("20"));
        QCOMPARE(snapshot->text(1, 3), QStringLiteral("2024-02-29"));
    }

    void anotherUsersChangeIsNotOverwritten_data()
    {
        QTest::addColumn<QString>("otherUser");
        QTest::newRow("changed the edited column") << QStringLiteral("update scott.\"snap race\" set v = 'theirs'");
        QTest::newRow("changed a NULL") << QStringLiteral("update scott.\"snap race\" set w = 'filled'");
        QTest::newRow("deleted the row") << QStringLiteral("delete from scott.\"snap race\"");
    }
    void anotherUsersChangeIsNotOverwritten()
    {
        QFETCH(QString, otherUser);
        createTable(QStringLiteral("snap race"), QStringLiteral("id integer PRIMARY KEY, v text, w text"),
                    QStringLiteral("(1, 'original', NULL)"));
        const auto snapshot = openAsScott(QStringLiteral("snap race"));
        const QString before = admin(QStringLiteral("select * from scott.\"snap race\""));
        testpg::adminExec(otherUser);
        const QString after = admin(QStringLiteral("select * from scott.\"snap race\""));

        const QString message = errorOf<db::RowConflictError>([&] {
            snapshot->writeRow(0, {{1, QStringLiteral("mine")}, {2, QStringLiteral("mine too")}});
        });
        QCOMPARE(message, db::RowConflictError::changedOrDeletedText.toString());
        QCOMPARE(admin(QStringLiteral("select * from scott.\"snap race\"")), after);
        QVERIFY(after != before);
        QCOMPARE(rowTexts(*snapshot, 0), QStringList({"1", "original", "<null>"}));
    }

    void editWithoutKeyNeverChangesTwoRows()
    {
        createTable(QStringLiteral("snap twins"), QStringLiteral("a integer, b text, r float8"),
                    QStringLiteral("(1, 'same', 0.5), (1, 'same', 0.5), (2, 'other', 0.5)"));
        const auto snapshot = openAsScott(QStringLiteral("snap twins"));
        for (int c = 0; c < snapshot->columnCount(); ++c)
            QVERIFY(!snapshot->column(c).inPrimaryKey);

        // Identical rows are told apart by the address of each: one changes.
        const QString message =
            errorOf<db::RowConflictError>([&] { snapshot->writeRow(0, {{1, QStringLiteral("changed")}}); });
        QCOMPARE(message, QStringLiteral("<no error>"));
        QCOMPARE(admin(QStringLiteral("select count(*) from scott.\"snap twins\" where b = 'same'")),
                 QStringLiteral("1"));
        QCOMPARE(snapshot->text(0, 1), QStringLiteral("changed"));

        // A row that can be told apart is written, and only it, its float
        // column changed too.
        snapshot->writeRow(2, {{1, QStringLiteral("edited")}, {2, QStringLiteral("0.25")}});
        QCOMPARE(admin(QStringLiteral("select a, b, r from scott.\"snap twins\" order by b")),
                 QStringLiteral("1|changed|0.5\n2|edited|0.25\n1|same|0.5"));
        QCOMPARE(rowTexts(*snapshot, 2), QStringList({"2", "edited", "0.25"}));
    }

    // Without a key every comparable value stands in the WHERE as the text it
    // was read as; each must compare equal to itself again.
    void everyComparableTypeFindsItsOwnRow()
    {
        createTable(QStringLiteral("snap kinds"),
                    QStringLiteral("z timestamptz, t time, i interval, c char(5), u uuid, b boolean, big bigint, "
                                   "n numeric, v text"),
                    QStringLiteral("('2024-01-02 03:04:05.123456+01', '23:59:59.5', '1 day 02:00:00', 'ab', "
                                   "'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', false, 9007199254740993, "
                                   "0.30000000000000000001, 'x')"));
        const auto snapshot = openAsScott(QStringLiteral("snap kinds"));
        snapshot->writeRow(0, {{8, QStringLiteral("found")}});
        QCOMPARE(admin(QStringLiteral("select v from scott.\"snap kinds\"")), QStringLiteral("found"));
    }

    // Without a key every value stands in the WHERE as it was read: through a
    // data source that would cut floats and restyle dates, an edit of
    // another column still finds the row and leaves every digit.
    void fullPrecisionSurvivesAnEditOfAnotherColumn()
    {
        createTable(QStringLiteral("snap exact"), QStringLiteral("r float8, tiny float8, d date, t timestamp, note text"),
                    QStringLiteral("(0.1::float8 + 0.2::float8, 1e-310, '2024-02-29', '2024-02-29 13:14:15.123456', "
                                   "'x')"));
        const auto snapshot = TableSnapshot::open(
            connectAs(buildConnectionString(testpg::lossyDsn(), testpg::scott.user, testpg::scott.password)),
            QStringLiteral("snap exact"));
        QCOMPARE(rowTexts(*snapshot, 0),
                 QStringList({"0.30000000000000004", "1e-310", "2024-02-29", "2024-02-29 13:14:15.123456", "x"}));
        snapshot->writeRow(0, {{4, QStringLiteral("edited")}});
        QCOMPARE(admin(QStringLiteral("select r = 0.1::float8 + 0.2::float8, tiny = 1e-310, note "
                                      "from scott.\"snap exact\"")),
                 QStringLiteral("t|t|edited"));
        QCOMPARE(snapshot->text(0, 0), QStringLiteral("0.30000000000000004"));
    }

    // PostgreSQL keeps '' and NULL apart: empty text that became NULL is
    // another user's change (only where the database keeps '' as NULL are
    // the two one cell). Any other change counts too.
    void emptyTextBecomingNullIsAConflict()
    {
        createTable(QStringLiteral("snap blank"), QStringLiteral("s text, t text"), QStringLiteral("('', 'x')"));
        const auto snapshot = openAsScott(QStringLiteral("snap blank"));
        testpg::adminExec(QStringLiteral("update scott.\"snap blank\" set s = NULL"));
        QCOMPARE(errorOf<db::RowConflictError>([&] { snapshot->writeRow(0, {{1, QStringLiteral("y")}}); }),
                 db::RowConflictError::changedOrDeletedText.toString());
        QCOMPARE(admin(QStringLiteral("select s is null, t from scott.\"snap blank\"")), QStringLiteral("t|x"));

        testpg::adminExec(QStringLiteral("update scott.\"snap blank\" set s = 'theirs'"));
        QCOMPARE(errorOf<db::RowConflictError>([&] { snapshot->writeRow(0, {{1, QStringLiteral("z")}}); }),
                 db::RowConflictError::changedOrDeletedText.toString());
    }

    // No Oracle runs here: its key query runs against dictionary views made
    // up for the purpose.
    void oracleDialectAsksTheDictionaryForTheKey()
    {
        const auto oracle = db::dialectForDatabase(QStringLiteral("Oracle"));
        // The made-up dictionary names a key other than the table's real one,
        // so that the answer tells where it came from.
        createTable(QStringLiteral("ORA KEYED"), QStringLiteral("a integer, b integer, c integer PRIMARY KEY"));
        testpg::adminExec(QStringLiteral(
            "CREATE VIEW scott.user_constraints AS SELECT 'K'::text AS constraint_name, 'P'::text AS constraint_type, "
            "'ORA KEYED'::text AS table_name;\n"
            "CREATE VIEW scott.user_cons_columns AS SELECT 'K'::text AS constraint_name, 'b'::text AS column_name, "
            "2 AS position UNION ALL SELECT 'K', 'a', 1;\n"
            "ALTER VIEW scott.user_constraints OWNER TO scott; ALTER VIEW scott.user_cons_columns OWNER TO scott;"));
        db::Connection connection;
        connection.open(testpg::connectionString(testpg::scott));
        SQLHDBC dbc = connection.handles().connection.get();
        QCOMPARE(oracle->primaryKey(dbc, 30, QStringLiteral("ORA KEYED")), (std::vector<QString>{"a", "b"}));
        // Without the views the query fails, and the driver's catalogue answers.
        testpg::adminExec(QStringLiteral("DROP VIEW scott.user_constraints, scott.user_cons_columns"));
        QCOMPARE(oracle->primaryKey(dbc, 30, QStringLiteral("ORA KEYED")), std::vector<QString>{"c"});
    }

    void valuesTheColumnRefusesAreReported_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("driverSays");
        QTest::newRow("letters into an integer") << 1 << "abc" << "invalid input syntax for type integer";
        QTest::newRow("a bad date") << 2 << "2023-02-30" << "date/time field value out of range";
        QTest::newRow("too long") << 3 << "abcdef" << "value too long for type character varying(3)";
        QTest::newRow("NULL into NOT NULL") << 3 << "" << "violates not-null constraint";
    }
    void valuesTheColumnRefusesAreReported()
    {
        QFETCH(int, column);
        QFETCH(QString, value);
        QFETCH(QString, driverSays);
        createTable(QStringLiteral("snap strict"),
                    QStringLiteral("id integer PRIMARY KEY, n integer, d date, s varchar(3) NOT NULL"),
                    QStringLiteral("(1, 5, '2024-01-01', 'abc')"));
        const auto snapshot = openAsScott(QStringLiteral("snap strict"));
        const QString before = admin(QStringLiteral("select * from scott.\"snap strict\""));

        db::TableSnapshot::Changes changes{{0, QStringLiteral("1")}, {column, value}};
        if (value.isEmpty())
            changes.back().second.reset();
        const QString message = errorOf<DatabaseError>([&] { snapshot->writeRow(0, changes); });
        QVERIFY2(message.contains(driverSays), qPrintable(message));
        QCOMPARE(admin(QStringLiteral("select * from scott.\"snap strict\"")), before);
        QCOMPARE(rowTexts(*snapshot, 0), QStringList({"1", "5", "2024-01-01", "abc"}));

        // The failed transaction is gone: the next write goes through.
        snapshot->writeRow(0, {{1, QStringLiteral("6")}});
        QCOMPARE(admin(QStringLiteral("select n from scott.\"snap strict\"")), QStringLiteral("6"));
    }

    void aCommitTheDatabaseRefusesWritesNothing()
    {
        createTable(QStringLiteral("snap parent"), QStringLiteral("id integer PRIMARY KEY"), QStringLiteral("(1)"));
        // The reference is checked only at commit, so the update itself succeeds.
        createTable(QStringLiteral("snap deferred"),
                    QStringLiteral("id integer PRIMARY KEY, parent integer REFERENCES scott.\"snap parent\" "
                                   "DEFERRABLE INITIALLY DEFERRED, note text"),
                    QStringLiteral("(1, 1, 'kept')"));
        const auto snapshot = openAsScott(QStringLiteral("snap deferred"));
        const QString message = errorOf<DatabaseError>(
            [&] { snapshot->writeRow(0, {{1, QStringLiteral("99")}, {2, QStringLiteral("lost")}}); });
        QVERIFY2(message.contains(QStringLiteral("violates foreign key constraint")), qPrintable(message));
        QCOMPARE(admin(QStringLiteral("select parent, note from scott.\"snap deferred\"")), QStringLiteral("1|kept"));
        QCOMPARE(rowTexts(*snapshot, 0), QStringList({"1", "1", "kept"}));

        // Autocommit is back on and nothing of the refused row comes with the next write.
        snapshot->writeRow(0, {{2, QStringLiteral("next")}});
        QCOMPARE(admin(QStringLiteral("select parent, note from scott.\"snap deferred\"")), QStringLiteral("1|next"));
    }

    void lostServerDuringWrite()
    {
        createTable(QStringLiteral("snap lost"), QStringLiteral("id integer PRIMARY KEY, v text"),
                    QStringLiteral("(1, 'kept')"));
        const auto snapshot = openAsScott(QStringLiteral("snap lost"));
        {
            testpg::ServerRestarter restarter;
            QVERIFY(testpg::stopServer());
            const QString message =
                errorOf<DatabaseError>([&] { snapshot->writeRow(0, {{1, QStringLiteral("lost")}}); });
            QVERIFY(message != QStringLiteral("<no error>"));
            QVERIFY(!message.isEmpty());
            // Still readable, unchanged.
            QCOMPARE(rowTexts(*snapshot, 0), QStringList({"1", "kept"}));
            QVERIFY(testpg::startServer());
        }
        QCOMPARE(admin(QStringLiteral("select v from scott.\"snap lost\"")), QStringLiteral("kept"));
        const auto reopened = openAsScott(QStringLiteral("snap lost"));
        QCOMPARE(reopened->text(0, 1), QStringLiteral("kept"));
    }

};

QTEST_GUILESS_MAIN(TableSnapshotTest)
#include "table_snapshot_test.moc"
