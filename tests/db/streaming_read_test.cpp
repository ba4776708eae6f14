// A table read a part at a time through the SQLite ODBC driver, which hands
// over its whole result before the first row: the parts join the snapshot
// whole, and rows written between two parts land once, in their place.
#include "db/connection.h"
#include "db/table_snapshot.h"
#include "editor/table_model.h"
#include "support/sqlite_database.h"

#include <QAbstractItemModelTester>
#include <QtTest>

class StreamingReadTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        database_ = std::make_unique<SqliteDatabase>();
        TABVALE_REQUIRE_SQLITE(*database_);
        // NULLs, empty text and a long value among 5,000 rows.
        database_->exec(QStringLiteral(
            "CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT, note TEXT);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
            "INSERT INTO items SELECT i, 'item ' || i, CASE i % 3 WHEN 0 THEN NULL WHEN 1 THEN '' "
            "  ELSE printf('%.*c', 3000, 'x') END FROM n;"));
    }
    void cleanup() { database_.reset(); }

    void partsJoinWholeAndAWriteBetweenThemLandsOnce()
    {
        auto snapshot = db::TableSnapshot::openFirstRows(database_->connect(), QStringLiteral("items"), 1,
                                                         [this] { return database_->connect(); });
        QVERIFY(snapshot->isReading());
        QCOMPARE(snapshot->rowCount(), qint64(1000));
        qInfo("SQLite ODBC driver: writes during the read %s",
              snapshot->writesBesideRead() ? "go through a second connection" : "share the read's connection");

        snapshot->writeRow(9, {{1, QStringLiteral("written while reading")}});
        qint64 parts = 0;
        while (snapshot->isReading()) {
            const auto more = snapshot->readMore(1500);
            QVERIFY(!db::TableSnapshot::failureOf(*more));
            snapshot->keepMoreRows(more);
            ++parts;
        }
        QVERIFY(snapshot->isComplete());
        QCOMPARE(parts, qint64(3));
        QCOMPARE(snapshot->rowCount(), qint64(5000));
        for (qint64 row : {0, 999, 1000, 2998, 2999, 4999}) {
            QCOMPARE(snapshot->text(row, 0), QString::number(row + 1));
            QCOMPARE(snapshot->isNull(row, 2), (row + 1) % 3 == 0);
            const QString note = (row + 1) % 3 == 2 ? QString(3000, u'x') : QString();
            QCOMPARE(snapshot->text(row, 2), note);
        }
        QCOMPARE(snapshot->text(9, 1), QStringLiteral("written while reading"));
        QCOMPARE(database_->query(QStringLiteral("SELECT id FROM items WHERE name = 'written while reading'")),
                 QStringList{QStringLiteral("10")});
        // The rows are the snapshot's own: a later write finds its row.
        snapshot->writeRow(4999, {{1, QStringLiteral("last")}});
        QCOMPARE(database_->query(QStringLiteral("SELECT name FROM items WHERE id = 5000")),
                 QStringList{QStringLiteral("last")});
    }

    // The model announces each part as rows inserted at the end, keeps the
    // pending edit where it is, and offers no new row until the read is done.
    void theModelGrowsAtItsEndWithoutTouchingAnEdit()
    {
        TableModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setSnapshot(db::TableSnapshot::openFirstRows(database_->connect(), QStringLiteral("items"), 1,
                                                           [this] { return database_->connect(); }));
        QVERIFY(model.isReading());
        QCOMPARE(model.dataRowCount(), 1000);
        QVERIFY(!(model.flags(model.index(1000, 1)) & Qt::ItemIsEditable));
        QVERIFY(model.setData(model.index(3, 1), QStringLiteral("typed")));
        std::vector<std::pair<int, int>> inserted;
        connect(&model, &QAbstractItemModel::rowsInserted, this,
                [&](const QModelIndex &, int first, int last) { inserted.emplace_back(first, last); });
        QTRY_VERIFY(!model.isReading());
        QCOMPARE(model.dataRowCount(), 5000);
        QVERIFY(!inserted.empty());
        QCOMPARE(inserted.front().first, 1000);
        QCOMPARE(inserted.back().second, 4999);
        QCOMPARE(model.pendingRow(), 3);
        QCOMPARE(model.cellText(3, 1), QStringLiteral("typed"));
        QVERIFY(model.flags(model.index(5000, 1)) & Qt::ItemIsEditable);
        QVERIFY(model.commitPendingRow());
        QCOMPARE(database_->query(QStringLiteral("SELECT name FROM items WHERE id = 4")),
                 QStringList{QStringLiteral("typed")});
    }

    // A wait that is given up leaves the read going; without a way to wait,
    // what needs the whole table does not start.
    void whatNeedsTheWholeTableWaitsForIt()
    {
        TableModel model;
        model.setSnapshot(db::TableSnapshot::openFirstRows(database_->connect(), QStringLiteral("items"), 1,
                                                           [this] { return database_->connect(); }));
        QVERIFY(model.isReading());
        QVERIFY(!model.sortByColumn(1, Qt::AscendingOrder));
        QVERIFY(!model.rowOrder().isSorted());
        int waits = 0;
        model.setReadWait([&] {
            ++waits;
            return QTest::qWaitFor([&] { return !model.isReading(); }, 60000);
        });
        QVERIFY(model.sortByColumn(0, Qt::DescendingOrder));
        QCOMPARE(waits, 1);
        QCOMPARE(model.cellText(0, 0), QStringLiteral("5000"));
        QVERIFY(model.sortByColumn(0, Qt::AscendingOrder));
        QCOMPARE(waits, 1);
    }

private:
    std::unique_ptr<SqliteDatabase> database_;
};

QTEST_MAIN(StreamingReadTest)
#include "streaming_read_test.moc"
