#include "db/dialect.h"
#include "db/row_delete.h"
#include "db/row_update.h"
#include "db/snapshot_sql.h"
#include "db/table_snapshot.h"
#include "editor/table_model.h"
#include "support/sqlite_database.h"

#include <QAbstractItemModelTester>
#include <QtTest>

// Rows of a SQLite table without a key that hold the same values, edited,
// deleted and put back one at a time through the grid's model: each found
// by its rowid, under whichever name the table leaves free.
namespace {

class OpenModel {
public:
    OpenModel(const SqliteDatabase &database, const QString &table)
    {
        QObject::connect(&model, &TableModel::rowRejected,
                         [this](int, const QString &reason) { rejections << reason; });
        model.setSnapshot(database.open(table));
    }
    void edit(int row, int column, const QString &text)
    {
        QVERIFY(model.setData(model.index(row, column), text));
        QVERIFY2(model.commitPendingRow(), qPrintable(rejections.join(u'\n')));
    }

    TableModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};
    QStringList rejections;
};

} // namespace

class IdenticalRowsTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        database_.reset(); // one at a time: each names itself as the data source
        database_ = std::make_unique<SqliteDatabase>();
        TABVALE_REQUIRE_SQLITE(*database_);
    }

    void oneOfTwinsIsEditedDeletedAndPutBack_data()
    {
        // The table's own columns may take the rowid's names; the free one
        // is used, and the column keeps what it holds.
        QTest::addColumn<QString>("columns");
        QTest::newRow("rowid free") << QStringLiteral("label text, n integer");
        QTest::newRow("rowid taken") << QStringLiteral("label text, n integer, rowid text");
        QTest::newRow("rowid and _rowid_ taken") << QStringLiteral("label text, n integer, rowid text, _ROWID_ text");
    }
    void oneOfTwinsIsEditedDeletedAndPutBack()
    {
        QFETCH(QString, columns);
        const int extra = int(columns.count(u',')) - 1;
        const QString more = QStringLiteral(", 'r'").repeated(extra);
        database_->exec(QStringLiteral("CREATE TABLE twins (%1); INSERT INTO twins VALUES ('same', 1%2), "
                                       "('same', 1%2), ('other', 2%2);")
                            .arg(columns, more));
        OpenModel open(*database_, QStringLiteral("twins"));
        TableModel &model = open.model;
        QCOMPARE(model.columnCount(), 2 + extra);

        open.edit(1, 1, QStringLiteral("5"));
        QCOMPARE(database_->query("SELECT label || n FROM twins ORDER BY n"),
                 QStringList({"same1", "other2", "same5"}));
        // Equal to its twin again, and still the one row written.
        open.edit(1, 1, QStringLiteral("1"));
        open.edit(1, 0, QStringLiteral("mine"));
        QCOMPARE(database_->query("SELECT label || n FROM twins ORDER BY label"),
                 QStringList({"mine1", "other2", "same1"}));
        QVERIFY(model.undo());
        QVERIFY(model.deleteRows({0}));
        QCOMPARE(database_->query("SELECT count(*) FROM twins WHERE label = 'same'"), QStringList{"1"});
        QVERIFY(model.undo());
        QCOMPARE(database_->query("SELECT count(*) FROM twins WHERE label = 'same'"), QStringList{"2"});
        // The row put back is a row of its own again.
        open.edit(0, 1, QStringLiteral("9"));
        QCOMPARE(database_->query("SELECT label || n FROM twins ORDER BY n"),
                 QStringList({"same1", "other2", "same9"}));
        if (extra > 0)
            QCOMPARE(database_->query("SELECT DISTINCT rowid FROM twins"), QStringList{"r"});
        QVERIFY2(open.rejections.isEmpty(), qPrintable(open.rejections.join(u'\n')));
    }

    void anotherUsersChangeIsRefused()
    {
        database_->exec("CREATE TABLE twins (label text, n integer); INSERT INTO twins VALUES ('same', 1), ('same', 1);");
        OpenModel open(*database_, QStringLiteral("twins"));
        database_->exec("UPDATE twins SET n = 3 WHERE rowid = 1");
        QVERIFY(open.model.setData(open.model.index(0, 0), QStringLiteral("mine")));
        QVERIFY(!open.model.commitPendingRow());
        QCOMPARE(open.rejections, QStringList{db::RowConflictError::changedOrDeletedText.toString()});
        QCOMPARE(database_->query("SELECT label || n FROM twins ORDER BY rowid"), QStringList({"same3", "same1"}));
    }

    void withEveryNameTakenTwinsStayTogether()
    {
        database_->exec("CREATE TABLE twins (rowid text, _rowid_ text, oid text); "
                        "INSERT INTO twins VALUES ('a', 'b', 'c'), ('a', 'b', 'c');");
        OpenModel open(*database_, QStringLiteral("twins"));
        QCOMPARE(open.model.columnCount(), 3);
        QVERIFY(!open.model.deleteRows({0}));
        QVERIFY(open.rejections.join(u'\n').contains(db::RowConflictError::notUniqueText.toString()));
        QCOMPARE(database_->query("SELECT count(*) FROM twins"), QStringList{"2"});
    }

    // No Oracle runs here: its ROWID is read and compared as text, never
    // quoted, where a quoted name would be a column the table does not have.
    void oracleRowAddressAsText()
    {
        std::vector<db::ColumnInfo> columns(2);
        columns[0].name = QStringLiteral("NAME");
        columns[1].name = QStringLiteral("QTY");
        const std::optional<db::ColumnInfo> locator =
            db::makeOracleDialect()->rowLocator(nullptr, 0, QStringLiteral("STOCK"), columns);
        QVERIFY(locator && locator->rowLocator && !locator->editable);
        columns.push_back(*locator);
        QCOMPARE(db::selectFrom(QStringLiteral("STOCK"), columns),
                 QStringLiteral("SELECT \"NAME\", \"QTY\", ROWIDTOCHAR(ROWID) AS \"ROWID\" FROM \"STOCK\""));
        const db::RowValues values{QStringLiteral("nut"), std::nullopt, QStringLiteral("AAAR3sAAEAAAACXAAA")};
        const db::ParameterisedSql update =
            db::buildRowUpdate(QStringLiteral("STOCK"), columns, values, {{1, QStringLiteral("4")}});
        QCOMPARE(update.sql, QStringLiteral("UPDATE \"STOCK\" SET \"QTY\" = ? WHERE \"NAME\" = ? AND \"QTY\" IS NULL "
                                            "AND ROWID = CHARTOROWID(?)"));
        QCOMPARE(update.parameters.back().value, values[2]);
        QCOMPARE(db::buildRowDelete(QStringLiteral("STOCK"), columns, values).sql,
                 QStringLiteral("DELETE FROM \"STOCK\" WHERE \"NAME\" = ? AND \"QTY\" IS NULL "
                                "AND ROWID = CHARTOROWID(?)"));
    }

private:
    std::unique_ptr<SqliteDatabase> database_;
};

QTEST_MAIN(IdenticalRowsTest)
#include "identical_rows_test.moc"
