#include "db/table_snapshot.h"
#include "editor/cell_order.h"
#include "editor/row_order.h"
#include "support/sqlite_database.h"

#include <QCollator>
#include <QtTest>
#include <algorithm>
#include <numeric>
#include <random>

// Sorting the grid by a column through its keys: the order must be the one
// the column's values have, whatever the keys could not tell apart. Each
// column is sorted and checked against its values compared one by one.
namespace {

// The grid's rows as table rows.
std::vector<qint64> gridOrder(const RowOrder &order, qint64 rows)
{
    std::vector<qint64> result;
    for (qint64 row = 0; row < rows; ++row)
        result.push_back(order.tableRow(row));
    return result;
}

// The order the column's values call for: NULL first ascending and last
// descending, equal values in table order.
std::vector<qint64> expectedOrder(const db::TableSnapshot &snapshot, int column, Qt::SortOrder direction)
{
    const QCollator collator;
    const auto compare = [&](qint64 a, qint64 b) {
        const QByteArrayView x = snapshot.rawUtf8(a, column), y = snapshot.rawUtf8(b, column);
        switch (valueKindOf(snapshot.column(column))) {
        case ValueKind::Number:
            return compareNumberText(x, y);
        case ValueKind::Time:
            return compareTimeText(x, y);
        case ValueKind::Text: {
            const int c = collator.compare(QString::fromUtf8(x), QString::fromUtf8(y));
            return (c > 0) - (c < 0);
        }
        case ValueKind::Bytes:
            break;
        }
        return compareBytes(x, y);
    };
    std::vector<qint64> rows(size_t(snapshot.rowCount()));
    std::iota(rows.begin(), rows.end(), 0);
    std::stable_sort(rows.begin(), rows.end(), [&](qint64 a, qint64 b) {
        const bool nullA = snapshot.isNull(a, column), nullB = snapshot.isNull(b, column);
        int c = nullA || nullB ? int(!nullA) - int(!nullB) : compare(a, b);
        if (direction == Qt::DescendingOrder)
            c = -c;
        return c < 0;
    });
    return rows;
}

QStringList texts(const db::TableSnapshot &snapshot, int column, const std::vector<qint64> &rows)
{
    QStringList result;
    for (qint64 row : rows)
        result << (snapshot.isNull(row, column) ? QStringLiteral("<null>") : snapshot.text(row, column));
    return result;
}


// Texts made to trip a sort that orders by keys: long shared beginnings (so
// that keys tie and the rows must be told apart deeper in), the same value
// many times, values one character apart at every depth, case and accents
// that only break ties, digits inside text, empty text and NULL.
QString adversarialRows(int rows, bool beyondAscii)
{
    std::mt19937 random(20261209);
    const auto pick = [&](int n) { return int(random() % unsigned(n)); };
    const QStringList beginnings{QString(), QStringLiteral("AC-"), QStringLiteral("INV-2026-"),
                                 QStringLiteral("anna.meier"), QStringLiteral("/srv/projects/tabvale/data/2026/"),
                                 QString(70, QLatin1Char('x')) + QStringLiteral("-")};
    const QString ascii = QStringLiteral("aAbB09 -./_zZ");
    const QString accented = QStringLiteral("éÉeäAaßsøo");
    QStringList made;
    QStringList values;
    for (int i = 0; i < rows; ++i) {
        const int choice = pick(20);
        QString value;
        if (choice == 0) {
            values << QStringLiteral("NULL");
            made << QString();
            continue;
        }
        if (choice == 1) {
            value = QString();
        } else if (choice <= 5 && !made.isEmpty()) {
            value = made[pick(int(made.size()))]; // the same again
        } else if (choice == 6 && !made.isEmpty()) {
            value = made[pick(int(made.size()))].toUpper();
        } else if (choice == 7 && !made.isEmpty()) {
            value = made[pick(int(made.size()))];
            if (!value.isEmpty()) // one character more or less, at the end
                value = pick(2) ? value.chopped(1) : value + ascii[pick(int(ascii.size()))];
        } else {
            value = beginnings[pick(int(beginnings.size()))];
            const int length = pick(14);
            for (int k = 0; k < length; ++k) {
                const bool accent = beyondAscii && pick(4) == 0;
                value += accent ? accented[pick(int(accented.size()))] : ascii[pick(int(ascii.size()))];
            }
        }
        made << value;
        values << QLatin1Char('\'') + QString(value).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
    }
    return values.join(QLatin1String("),("));
}

// Codes of capitals and digits only, most of them many times over: no two
// characters that occur differ only by case, so texts whose keys end tied
// are taken as the same text without comparing them.
QString codeRows(int rows)
{
    std::mt19937 random(7907);
    QStringList values;
    for (int i = 0; i < rows; ++i) {
        const int choice = int(random() % 40u);
        if (choice == 0)
            values << QStringLiteral("NULL");
        else if (choice == 1)
            values << QStringLiteral("''");
        else if (choice == 2)
            values << QStringLiteral("'AC-'");
        else
            values << QStringLiteral("'AC-%1'").arg(random() % 120u);
    }
    return values.join(QLatin1String("),("));
}

} // namespace

class RowOrderTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        TABVALE_REQUIRE_SQLITE(database_);
        // Values whose keys tie or nearly tie: integers a float cannot tell
        // apart, texts sharing a long beginning, times a fraction apart.
        database_.exec(QStringLiteral(
            "CREATE TABLE sorts (n INTEGER, amount NUMERIC(30,10), at TIMESTAMP, day DATE, label TEXT, wide TEXT);"
            "INSERT INTO sorts VALUES"
            " (16777217, 0.1, '2020-12-31 23:59:59.5', '2024-02-29', 'b', 'Zürich'),"
            " (16777216, -1.25, NULL, '1999-01-01', 'a', 'zebra'),"
            " (NULL, 10, '2020-12-31 23:59:59.25', NULL, NULL, NULL),"
            " (9007199254740993, 2.5, '2021-03-01 10:00:00', '2024-03-01', 'B', 'Äpfel'),"
            " (9007199254740992, 2.50, '2021-03-01 10:00:00', '2024-02-29', 'common beginning of text x', 'apfel'),"
            " (-3, NULL, '1999-01-01 00:00:00', '2000-01-01', 'common beginning of text w', 'Øre'),"
            " (16777217, 1e-7, '2020-12-31 23:59:59.05', '1970-01-01', 'common beginning of text W', 'ære'),"
            " (-16777217, -0.0000001, '2020-12-31 23:59:59', '0001-01-01', '', 'Zurich'),"
            " (0, 0, '2020-12-31', '2024-02-29', 'a', 'äpfel');"));
        snapshot_ = database_.open(QStringLiteral("sorts"));
        database_.exec(QStringLiteral("CREATE TABLE ties (ascii TEXT, wide TEXT, code TEXT); CREATE TABLE a (v TEXT);"
                                      "CREATE TABLE w (v TEXT); CREATE TABLE c (v TEXT); INSERT INTO a VALUES (%1);"
                                      "INSERT INTO w VALUES (%2); INSERT INTO c VALUES (%3);"
                                      "INSERT INTO ties SELECT a.v, w.v, c.v FROM a JOIN w ON a.rowid = w.rowid"
                                      " JOIN c ON c.rowid = a.rowid;")
                           .arg(adversarialRows(3000, false), adversarialRows(3000, true), codeRows(3000)));
        ties_ = database_.open(QStringLiteral("ties"));
    }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void sortsAsTheValuesCompare_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("descending");
        const char *names[] = {"integer", "decimal", "timestamp", "date", "ASCII text", "text beyond ASCII"};
        for (int column = 0; column < 6; ++column) {
            QTest::addRow("%s ascending", names[column]) << column << false;
            QTest::addRow("%s descending", names[column]) << column << true;
        }
    }
    void sortsAsTheValuesCompare()
    {
        QFETCH(int, column);
        QFETCH(bool, descending);
        const Qt::SortOrder direction = descending ? Qt::DescendingOrder : Qt::AscendingOrder;
        RowOrder order;
        order.sort(*snapshot_, column, direction);
        QVERIFY(order.isSorted());
        QCOMPARE(order.column(), column);
        const auto expected = expectedOrder(*snapshot_, column, direction);
        QCOMPARE(texts(*snapshot_, column, gridOrder(order, snapshot_->rowCount())),
                 texts(*snapshot_, column, expected));
        // Equal values keep the table's order: the rows themselves agree.
        QCOMPARE(gridOrder(order, snapshot_->rowCount()), expected);
    }

    // Thousands of texts whose keys tie at every depth, sorted as the
    // locale orders them, under locales whose orders differ.
    void sortsTextsThatShareBeginnings_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("descending");
        for (const char *locale : {"en_US", "de_DE", "sv_SE", "C"}) {
            const char *names[] = {"ASCII", "beyond ASCII", "codes"};
            for (int column = 0; column < 3; ++column) {
                for (const bool descending : {false, true})
                    QTest::addRow("%s %s %s", locale, names[column], descending ? "descending" : "ascending")
                        << QString::fromLatin1(locale) << column << descending;
            }
        }
    }
    void sortsTextsThatShareBeginnings()
    {
        QFETCH(QString, locale);
        QFETCH(int, column);
        QFETCH(bool, descending);
        QCOMPARE(ties_->rowCount(), qint64(3000));
        QLocale::setDefault(QLocale(locale));
        const Qt::SortOrder direction = descending ? Qt::DescendingOrder : Qt::AscendingOrder;
        RowOrder order;
        order.sort(*ties_, column, direction);
        const auto expected = expectedOrder(*ties_, column, direction);
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        QCOMPARE(texts(*ties_, column, gridOrder(order, ties_->rowCount())), texts(*ties_, column, expected));
        QCOMPARE(gridOrder(order, ties_->rowCount()), expected);
    }

    // The values the sort must see as numbers and times.
    void columnKinds()
    {
        QCOMPARE(valueKindOf(snapshot_->column(0)), ValueKind::Number);
        QCOMPARE(valueKindOf(snapshot_->column(1)), ValueKind::Number);
        QCOMPARE(valueKindOf(snapshot_->column(2)), ValueKind::Time);
        QCOMPARE(valueKindOf(snapshot_->column(3)), ValueKind::Time);
        QCOMPARE(valueKindOf(snapshot_->column(4)), ValueKind::Text);
    }

    // Rows the table gains and loses while the grid is sorted.
    void rowsComeAndGoWhileSorted()
    {
        RowOrder order;
        QCOMPARE(order.tableRow(3), qint64(3));
        order.sort(*snapshot_, 0, Qt::AscendingOrder);
        // n ascending: NULL, -16777217, -3, 0, 16777216, 16777217, 16777217, ...992, ...993
        const std::vector<qint64> sorted{2, 7, 5, 8, 1, 0, 6, 4, 3};
        QCOMPARE(gridOrder(order, 9), sorted);
        for (qint64 grid = 0; grid < 9; ++grid)
            QCOMPARE(order.gridRow(sorted[size_t(grid)]), grid);
        QCOMPARE(order.tableRow(9), qint64(9)); // a new row being typed

        // Table rows 0 and 7 go (grid rows 5 and 1); the rows after them in
        // the table move up.
        QCOMPARE(order.removeTableRows({0, 7}), (std::vector<qint64>{1, 5}));
        QCOMPARE(gridOrder(order, 7), (std::vector<qint64>{1, 4, 6, 0, 5, 3, 2}));
        // Put back, each after the row before it in the table.
        QCOMPARE(order.insertTableRow(0), qint64(0));
        QCOMPARE(gridOrder(order, 8), (std::vector<qint64>{0, 2, 5, 7, 1, 6, 4, 3}));
        QCOMPARE(order.insertTableRow(7), qint64(6));
        QCOMPARE(gridOrder(order, 9), (std::vector<qint64>{0, 2, 5, 8, 1, 6, 7, 4, 3}));
        // A row added to the table goes last.
        order.appendTableRow(9);
        QCOMPARE(order.tableRow(9), qint64(9));
        QCOMPARE(order.gridRow(9), qint64(9));
        QCOMPARE(order.gridRow(42), qint64(42));

        order.clear();
        QVERIFY(!order.isSorted());
        QCOMPARE(order.tableRow(4), qint64(4));
        QCOMPARE(order.removeTableRows({1, 2}), (std::vector<qint64>{1, 2}));
    }

private:
    SqliteDatabase database_;
    std::unique_ptr<db::TableSnapshot> snapshot_;
    std::unique_ptr<db::TableSnapshot> ties_;
};

QTEST_GUILESS_MAIN(RowOrderTest)
#include "row_order_test.moc"
