#include "db/binary_text.h"
#include "db/dialect.h"
#include "db/row_delete.h"
#include "db/row_update.h"
#include "db/snapshot_columns.h"
#include "db/statement_parameters.h"
#include "db/table_snapshot.h"
#include "support/long_values.h"
#include "support/sqlite_database.h"

#include <QtTest>
#include <sqlext.h>

// Long text and binary values without a database server: their text form,
// how Oracle's large objects are compared, and SQLite's BLOB and long text
// written and read back whole.
namespace {

using db::TableSnapshot;
using longvalues::awkwardText;
using longvalues::someBytes;

db::ColumnInfo oracleColumn(const char *name, short sqlType, const char *typeName, bool key = false)
{
    db::ColumnInfo column;
    column.name = QString::fromLatin1(name);
    column.sqlType = sqlType;
    column.typeName = QString::fromLatin1(typeName);
    column.inPrimaryKey = key;
    db::classifyColumn(column);
    return column;
}

} // namespace

class LongValuesTest : public QObject {
    Q_OBJECT
private slots:
    // The driver's two ways of writing bytes as text both read back, and a
    // value put in takes the form the column's values have.
    void binaryTextRoundTrips_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("like");
        QTest::newRow("bare") << "00ff7f" << QByteArray("\x00\xff\x7f", 3) << "0a";
        QTest::newRow("bare upper") << "00FF7F" << QByteArray("\x00\xff\x7f", 3) << "0A";
        QTest::newRow("literal") << "X'00FF7F'" << QByteArray("\x00\xff\x7f", 3) << "X''";
        QTest::newRow("no bytes") << "" << QByteArray() << "";
        QTest::newRow("no bytes as a literal") << "X''" << QByteArray() << "X'01'";
    }
    void binaryTextRoundTrips()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, like);
        QCOMPARE(db::bytesOfBinaryText(text), std::optional(bytes));
        QCOMPARE(db::binaryTextSize(text), bytes.size());
        QCOMPARE(db::binaryTextOf(bytes, like), text);
    }

    void whatIsNoBinaryTextIsSaid()
    {
        for (const char *text : {"0", "0g", "X'0'", "\\x00", "00 ff"})
            QVERIFY2(!db::bytesOfBinaryText(QString::fromLatin1(text)), text);
        QCOMPARE(db::binaryTextStart(QStringLiteral("X'000102'"), 2), QStringLiteral("00 01 \u2026"));
        QCOMPARE(db::binaryTextStart(QStringLiteral("0a0b"), 2), QStringLiteral("0A 0B"));
    }

    // Oracle refuses "=" on CLOB and BLOB: they are compared whole by
    // DBMS_LOB; LONG cannot be compared at all, so a write of it is matched
    // by every other column that can; RAW takes "=".
    void oracleLargeObjectsInTheWhere()
    {
        std::vector<db::ColumnInfo> columns{
            oracleColumn("ID", SQL_DECIMAL, "NUMBER", true), oracleColumn("NOTE", SQL_WLONGVARCHAR, "CLOB"),
            oracleColumn("PHOTO", SQL_LONGVARBINARY, "BLOB"), oracleColumn("OLD", SQL_LONGVARCHAR, "LONG"),
            oracleColumn("CODE", SQL_VARBINARY, "RAW"),        oracleColumn("NAME", SQL_WVARCHAR, "VARCHAR2"),
            oracleColumn("FILE", SQL_LONGVARBINARY, "BFILE")};
        db::makeOracleDialect()->prepareColumns(SQL_NULL_HDBC, 0, QStringLiteral("T"), columns);
        for (const db::ColumnInfo &column : columns)
            QVERIFY2(column.editable == (column.name != QLatin1String("FILE")), qPrintable(column.name));
        QVERIFY(!columns[3].comparable);
        QVERIFY(!columns[6].comparable);

        const db::RowValues row{QStringLiteral("7"), QStringLiteral("long note"), QStringLiteral("0102"),
                                QStringLiteral("old"), QStringLiteral("AB"), std::nullopt, std::nullopt};
        db::ParameterisedSql update = db::buildRowUpdate(
            QStringLiteral("T"), columns, row, {{1, QStringLiteral("new")}, {2, QStringLiteral("03")}});
        QCOMPARE(update.sql, QStringLiteral("UPDATE \"T\" SET \"NOTE\" = ?, \"PHOTO\" = ? WHERE \"ID\" = ? AND "
                                            "DBMS_LOB.COMPARE(\"NOTE\", ?) = 0 AND DBMS_LOB.COMPARE(\"PHOTO\", ?) = 0"));
        QCOMPARE(update.parameters.size(), size_t(5));
        QCOMPARE(update.parameters[4].column, 2);
        QCOMPARE(update.parameters[4].value, std::optional(QStringLiteral("0102")));

        update = db::buildRowUpdate(QStringLiteral("T"), columns, row, {{3, QStringLiteral("older")}});
        QCOMPARE(update.sql, QStringLiteral("UPDATE \"T\" SET \"OLD\" = ? WHERE \"ID\" = ? AND "
                                            "DBMS_LOB.COMPARE(\"NOTE\", ?) = 0 AND DBMS_LOB.COMPARE(\"PHOTO\", ?) = 0 "
                                            "AND \"CODE\" = ? AND \"NAME\" IS NULL"));

        // A row is deleted only as it was read, large objects included.
        const db::ParameterisedSql deletion = db::buildRowDelete(QStringLiteral("T"), columns, row);
        QVERIFY2(deletion.sql.contains(QStringLiteral("DBMS_LOB.COMPARE(\"PHOTO\", ?) = 0")), qPrintable(deletion.sql));
        QVERIFY2(!deletion.sql.contains(QStringLiteral("\"OLD\"")), qPrintable(deletion.sql));
    }

    // A BLOB of a megabyte written, read back and compared in the WHERE of
    // a table without a key, which finds the row by every value it holds.
    void sqliteBlobsRoundTrip()
    {
        SqliteDatabase database;
        TABVALE_REQUIRE_SQLITE(database);
        database.exec(QStringLiteral("CREATE TABLE files (id INTEGER PRIMARY KEY, body BLOB);"
                                     "INSERT INTO files VALUES (1, x'0102');"
                                     "CREATE TABLE loose (body BLOB, note TEXT);"
                                     "INSERT INTO loose VALUES (x'ff', 'one');"));
        const QByteArray bytes = someBytes(1 << 20, 1);
        {
            const auto snapshot = database.open(QStringLiteral("files"));
            QCOMPARE(snapshot->column(1).kind, db::ColumnKind::Binary);
            QVERIFY(snapshot->column(1).editable && snapshot->column(1).comparable);
            snapshot->writeRow(0, {{1, db::binaryTextOf(bytes, snapshot->text(0, 1))}});
            QCOMPARE(database.query(QStringLiteral("SELECT length(body), hex(body) = '%1' FROM files")
                                        .arg(QString::fromLatin1(bytes.toHex().toUpper()))),
                     QStringList{"1048576|1"});
            // The grid shows what the driver makes of the bytes, as before.
            QCOMPARE(snapshot->text(0, 1), db::binaryTextOf(bytes, QStringLiteral("X''")));
        }

        const auto loose = database.open(QStringLiteral("loose"));
        loose->writeRow(0, {{0, db::binaryTextOf(bytes, loose->text(0, 0))}});
        // The megabyte now stands in the WHERE that finds the row.
        loose->writeRow(0, {{1, QStringLiteral("two")}});
        QCOMPARE(database.query(QStringLiteral("SELECT length(body), note FROM loose")), QStringList{"1048576|two"});
        database.exec(QStringLiteral("UPDATE loose SET body = x'00' || body"));
        try {
            loose->writeRow(0, {{1, QStringLiteral("three")}});
            QFAIL("another user's change was overwritten");
        } catch (const db::RowConflictError &error) {
            QCOMPARE(error.description(), db::RowConflictError::changedOrDeletedText.toString());
        }
        QCOMPARE(database.query(QStringLiteral("SELECT note FROM loose")), QStringList{"two"});
    }

    void sqliteLongTextRoundTrips()
    {
        SqliteDatabase database;
        TABVALE_REQUIRE_SQLITE(database);
        database.exec(QStringLiteral("CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT);"
                                     "INSERT INTO notes VALUES (1, 'short');"));
        // A character of two UTF-16 halves right where the first piece ends.
        const QString text = QString(qsizetype(db::BoundParameters::pieceBytes / 2 - 1), u'x')
            + QStringLiteral("\U0001F600") + awkwardText(150000, true);
        {
            const auto snapshot = database.open(QStringLiteral("notes"));
            snapshot->writeRow(0, {{1, text}});
            QCOMPARE(snapshot->text(0, 1), text);
            // Found again by the long value itself.
            snapshot->writeRow(0, {{1, text + u'!'}});
        }
        const auto again = database.open(QStringLiteral("notes"));
        QCOMPARE(again->text(0, 1), text + u'!');
        QCOMPARE(database.query(QStringLiteral("SELECT length(body) FROM notes")),
                 QStringList{QString::number(text.toUcs4().size() + 1)});
    }
};

QTEST_GUILESS_MAIN(LongValuesTest)
#include "long_values_test.moc"
