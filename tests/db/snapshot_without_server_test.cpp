#include "db/connection.h"
#include "db/dialect.h"
#include "db/oracle.h"
#include "db/row_store.h"
#include "db/table_snapshot.h"
#include "support/snapshot_checks.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlext.h>

// The pieces of the snapshot that need no database server: its packed
// storage, a dialect's statements as text, and SQLite through its driver.
namespace {

using db::TableSnapshot;

std::unique_ptr<db::Connection> connectAs(const QString &connectionString)
{
    auto connection = std::make_unique<db::Connection>();
    connection->open(connectionString);
    return connection;
}

// The kind of every column, by name.
QString kindsOf(const TableSnapshot &snapshot)
{
    static const char *const names[] = {"integer", "decimal", "floating", "date", "time",
                                        "timestamp", "text", "boolean", "binary", "other"};
    QStringList kinds;
    for (int column = 0; column < snapshot.columnCount(); ++column)
        kinds << QLatin1String(names[int(snapshot.column(column).kind)]);
    return kinds.join(u',');
}

} // namespace

class SnapshotWithoutServerTest : public QObject {
    Q_OBJECT
private slots:
    // The packed storage on its own: lengths of one and several prefix bytes,
    // empty text against NULL, a row larger than a storage chunk between
    // ordinary rows, and a replaced row that leaves its neighbours alone.
    void rowStoreKeepsCellsApart()
    {
        const QByteArray mid(200, 'm'), big(20000, 'b'), huge(5 * 1024 * 1024 + 3, 'h');
        const QByteArray z("z"), three("3"), fresh("new");
        auto cellOf = [](const QByteArray &bytes) { return db::CellBytes{bytes.constData(), bytes.size(), false}; };
        const db::CellBytes null{nullptr, 0, true};
        const db::CellBytes empty{"", 0, false};
        db::RowStore store;
        const db::CellBytes first[] = {cellOf(mid), null, empty, cellOf(big)};
        const db::CellBytes second[] = {empty, cellOf(huge), null, cellOf(z)};
        const db::CellBytes third[] = {null, empty, cellOf(three), null};
        store.appendRow(first);
        store.appendRow(second);
        store.appendRow(third);
        QCOMPARE(store.rowCount(), 3);
        QCOMPARE(store.cell(0, 0), QByteArrayView(mid));
        QVERIFY(store.isNull(0, 1) && !store.isNull(0, 2));
        QCOMPARE(store.cell(0, 2).size(), 0);
        QCOMPARE(store.cell(0, 3), QByteArrayView(big));
        QCOMPARE(store.cell(1, 1), QByteArrayView(huge));
        QCOMPARE(store.cell(1, 3), QByteArrayView("z"));
        QCOMPARE(store.cell(2, 2), QByteArrayView("3"));
        QVERIFY(store.isNull(2, 3));

        const db::CellBytes replaced[] = {cellOf(fresh), null, null, cellOf(mid)};
        store.replaceRow(1, replaced);
        QCOMPARE(store.cell(1, 0), QByteArrayView("new"));
        QVERIFY(store.isNull(1, 1));
        QCOMPARE(store.cell(1, 3), QByteArrayView(mid));
        QCOMPARE(store.cell(0, 3), QByteArrayView(big));
        QCOMPARE(store.cell(2, 2), QByteArrayView("3"));
    }

    // No Oracle runs here: its dialect's statements are checked as text.
    void oracleDialectStatementsAsText()
    {
        const auto oracle = db::dialectForDatabase(QStringLiteral("Oracle"));
        QCOMPARE(oracle->sessionStatements(),
                 std::vector<QString>{QStringLiteral(
                     "ALTER SESSION SET NLS_NUMERIC_CHARACTERS = '.,' NLS_DATE_FORMAT = 'YYYY-MM-DD HH24:MI:SS' "
                     "NLS_TIMESTAMP_FORMAT = 'YYYY-MM-DD HH24:MI:SS.FF' "
                     "NLS_TIMESTAMP_TZ_FORMAT = 'YYYY-MM-DD HH24:MI:SS.FF TZH:TZM'")});
        QCOMPARE(oracle->primaryKeyQuery(),
                 QStringLiteral("SELECT cols.column_name FROM user_constraints cons JOIN user_cons_columns cols ON "
                                "cols.constraint_name = cons.constraint_name WHERE cons.constraint_type = 'P' AND "
                                "cons.table_name = ? ORDER BY cols.position"));
        QVERIFY(oracle->storesEmptyTextAsNull());
        db::ColumnInfo number{.name = "n", .sqlType = SQL_DOUBLE, .typeName = "FLOAT"};
        db::ColumnInfo binary{.name = "b", .sqlType = SQL_DOUBLE, .typeName = "BINARY_DOUBLE"};
        QVERIFY(oracle->comparable(number) && !oracle->comparable(binary));
        // Both reported as floating point; only one is.
        number.kind = binary.kind = db::ColumnKind::Floating;
        QCOMPARE(oracle->kind(number), db::ColumnKind::Decimal);
        QCOMPARE(oracle->kind(binary), db::ColumnKind::Floating);
    }

    void sqliteThroughItsDriver()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("snap.db"));
        QProcess sqlite;
        sqlite.start(QStringLiteral("sqlite3"),
                     {file, QStringLiteral("CREATE TABLE \"Some Items\" (id INTEGER PRIMARY KEY, name TEXT, "
                                           "price NUMERIC(9,2), added DATE, active BOOLEAN, photo BLOB);"
                                           "INSERT INTO \"Some Items\" VALUES (1, 'Käse', 2.5, '2024-03-01', 1, x'0102'),"
                                           "(2, NULL, NULL, NULL, 0, NULL);"
                                           "CREATE TABLE twins (a INTEGER, b TEXT);"
                                           "INSERT INTO twins VALUES (1, 'x'), (1, 'x');")});
        QVERIFY(sqlite.waitForFinished(30000));
        QCOMPARE(sqlite.exitCode(), 0);
        const QString ini = dir.filePath(QStringLiteral("odbc.ini"));
        QFile iniFile(ini);
        QVERIFY(iniFile.open(QIODevice::WriteOnly));
        iniFile.write(QStringLiteral("[snap_sqlite]\nDriver = /usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\n"
                                     "Database = %1\n")
                          .arg(file)
                          .toUtf8());
        iniFile.close();
        // unixODBC reads user data sources from this file at each connect.
        qputenv("ODBCINI", ini.toLocal8Bit());
        const QString connectionString = buildConnectionString(QStringLiteral("snap_sqlite"), {}, {});

        const auto snapshot = TableSnapshot::open(connectAs(connectionString), QStringLiteral("Some Items"));
        QCOMPARE(snapshot->rowCount(), 2);
        QVERIFY(snapshot->column(0).inPrimaryKey);
        QVERIFY(snapshot->column(5).editable && snapshot->column(5).comparable);
        QCOMPARE(kindsOf(*snapshot), QStringLiteral("integer,text,floating,date,boolean,binary"));
        QCOMPARE(rowTexts(*snapshot, 0).mid(0, 5), QStringList({"1", "Käse", "2.5", "2024-03-01", "1"}));
        QCOMPARE(rowTexts(*snapshot, 1).mid(1, 3), QStringList({"<null>", "<null>", "<null>"}));

        snapshot->writeRow(1, {{1, QStringLiteral("Brot")}, {2, QStringLiteral("3.25")}, {4, QStringLiteral("1")}});
        sqlite.start(QStringLiteral("sqlite3"),
                     {file, QStringLiteral("SELECT name, price, typeof(price), active FROM \"Some Items\" WHERE id = 2")});
        QVERIFY(sqlite.waitForFinished(30000));
        QCOMPARE(sqlite.readAllStandardOutput().trimmed(), QByteArray("Brot|3.25|real|1"));
        QCOMPARE(snapshot->text(1, 1), QStringLiteral("Brot"));

        // A new row is read back by its key; deleting it takes it away again.
        snapshot->insertRows({{2, {{0, QStringLiteral("7")}, {1, QStringLiteral("Milch")}}}});
        QCOMPARE(snapshot->rowCount(), 3);
        QVERIFY(snapshot->isReadBack(2));
        QCOMPARE(rowTexts(*snapshot, 2).mid(0, 3), QStringList({"7", "Milch", "<null>"}));
        snapshot->deleteRows({0});
        QCOMPARE(snapshot->rowCount(), 2);
        sqlite.start(QStringLiteral("sqlite3"), {file, QStringLiteral("SELECT group_concat(id) FROM \"Some Items\"")});
        QVERIFY(sqlite.waitForFinished(30000));
        QCOMPARE(sqlite.readAllStandardOutput().trimmed(), QByteArray("2,7"));

        const auto twins = TableSnapshot::open(connectAs(connectionString), QStringLiteral("twins"));
        // Told apart by their rowids: only the one written changes.
        QCOMPARE(errorOf<db::RowConflictError>([&] { twins->writeRow(0, {{1, QStringLiteral("y")}}); }),
                 QStringLiteral("<no error>"));
        sqlite.start(QStringLiteral("sqlite3"), {file, QStringLiteral("SELECT count(*) FROM twins WHERE b = 'x'")});
        QVERIFY(sqlite.waitForFinished(30000));
        QCOMPARE(sqlite.readAllStandardOutput().trimmed(), QByteArray("1"));
    }
};

QTEST_GUILESS_MAIN(SnapshotWithoutServerTest)
#include "snapshot_without_server_test.moc"
