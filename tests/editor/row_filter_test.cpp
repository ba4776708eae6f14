// Filter conditions, the rows a filter leaves in the grid's order, and a
// remembered layout fitted to a table's columns; none needs a server.
#include "editor/grid_layout.h"
#include "editor/row_filter.h"
#include "editor/row_order.h"

#include <QtTest>

namespace {

std::optional<QByteArrayView> nullCell() { return std::nullopt; }

// Which of the cells (nullptr for NULL) the typed condition keeps, as their
// indices joined by commas.
QString kept(const QString &typed, ValueKind kind, std::initializer_list<const char *> cells)
{
    const ColumnCondition condition = ColumnCondition::parse(typed, kind);
    QStringList indices;
    int i = 0;
    for (const char *cell : cells) {
        const std::optional<QByteArrayView> value = cell ? std::optional(QByteArrayView(cell)) : nullCell();
        if (condition.matches(value))
            indices << QString::number(i);
        ++i;
    }
    return indices.join(u',');
}

std::vector<qint64> shownRows(const RowOrder &order, qint64 count)
{
    std::vector<qint64> rows;
    for (qint64 row = 0; row < count; ++row)
        rows.push_back(order.tableRow(row));
    return rows;
}

} // namespace

class RowFilterTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void eachFormOnEachKind_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("expected");
        // Numbers: 9.5, 10, -3, NULL, 10.00
        QTest::newRow("number >") << ">9.5" << int(ValueKind::Number) << "1,4";
        QTest::newRow("number >= blanks") << " >=  9.50 " << int(ValueKind::Number) << "0,1,4";
        QTest::newRow("number <") << "<0" << int(ValueKind::Number) << "2";
        QTest::newRow("number <= as number, not text") << "<=10" << int(ValueKind::Number) << "0,1,2,4";
        QTest::newRow("number = exact text") << "=10" << int(ValueKind::Number) << "1";
        QTest::newRow("number <> leaves NULL out") << "<>10" << int(ValueKind::Number) << "0,2,4";
        QTest::newRow("number contains") << "0" << int(ValueKind::Number) << "1,4";
        QTest::newRow("number NULL") << "null" << int(ValueKind::Number) << "3";
        QTest::newRow("number NOT NULL") << "Not  Null" << int(ValueKind::Number) << "0,1,2,4";
        // Times: 2024-01-31, 2023-12-31 23:59:59, NULL, 2024-02-01 00:00:00+02
        QTest::newRow("time > date") << ">2024-01-01" << int(ValueKind::Time) << "0,3";
        QTest::newRow("time < in time order, zones taken off") << "<2024-01-31 12:00:00" << int(ValueKind::Time) << "0,1";
        QTest::newRow("time NULL") << "NULL" << int(ValueKind::Time) << "2";
        QTest::newRow("time contains") << "12-31" << int(ValueKind::Time) << "1";
        // Text: "apple", "Banana", NULL, "", "cherry pie"
        QTest::newRow("text contains, case-blind") << "AN" << int(ValueKind::Text) << "1";
        QTest::newRow("text = is exact") << "=banana" << int(ValueKind::Text) << "";
        QTest::newRow("text = whole text") << "=Banana" << int(ValueKind::Text) << "1";
        QTest::newRow("text = empty is empty text, not NULL") << "=" << int(ValueKind::Text) << "3";
        QTest::newRow("text < by the locale, not by bytes") << "<b" << int(ValueKind::Text) << "0,3";
        QTest::newRow("text >= by the locale") << ">=banana" << int(ValueKind::Text) << "1,4";
        QTest::newRow("text NOT NULL keeps empty text") << "NOT NULL" << int(ValueKind::Text) << "0,1,3,4";
        QTest::newRow("text with blanks inside") << "y p" << int(ValueKind::Text) << "4";
        // Bytes: "\x01\x02", "\xff", NULL
        QTest::newRow("bytes >") << ">\x01\x7f" << int(ValueKind::Bytes) << "1";
        QTest::newRow("bytes NULL") << "NULL" << int(ValueKind::Bytes) << "2";
    }

    void eachFormOnEachKind()
    {
        QFETCH(QString, typed);
        QFETCH(int, kind);
        QFETCH(QString, expected);
        QString got;
        switch (ValueKind(kind)) {
        case ValueKind::Number:
            got = kept(typed, ValueKind::Number, {"9.5", "10", "-3", nullptr, "10.00"});
            break;
        case ValueKind::Time:
            got = kept(typed, ValueKind::Time,
                       {"2024-01-31", "2023-12-31 23:59:59", nullptr, "2024-02-01 00:00:00+02"});
            break;
        case ValueKind::Text:
            got = kept(typed, ValueKind::Text, {"apple", "Banana", nullptr, "", "cherry pie"});
            break;
        case ValueKind::Bytes:
            got = kept(typed, ValueKind::Bytes, {"\x01\x02", "\xff", nullptr});
            break;
        }
        QCOMPARE(got, expected);
    }

    void malformedConditionsSayWhyAndFilterNothing()
    {
        const ColumnCondition letters = ColumnCondition::parse(QStringLiteral(">abc"), ValueKind::Number);
        QVERIFY(!letters.isActive());
        QVERIFY(letters.error().contains(QStringLiteral("\"abc\" is not a number")));
        QVERIFY(letters.matches(nullCell()));
        const ColumnCondition noDate = ColumnCondition::parse(QStringLiteral("<= 31.01.2024"), ValueKind::Time);
        QVERIFY(!noDate.isActive());
        QVERIFY(noDate.error().contains(QStringLiteral("not a date")));
        QVERIFY(!ColumnCondition::parse(QStringLiteral(">"), ValueKind::Text).error().isEmpty());
        // Text takes anything; a blank box is no condition and no error.
        QVERIFY(ColumnCondition::parse(QStringLiteral(">abc"), ValueKind::Text).isActive());
        const ColumnCondition blank = ColumnCondition::parse(QStringLiteral("   "), ValueKind::Number);
        QVERIFY(!blank.isActive());
        QVERIFY(blank.error().isEmpty());

        RowFilter filter;
        filter.set(0, letters);
        QVERIFY(filter.isEmpty());
    }

    void typingOnNarrowsOnlyWhatItMayNarrow()
    {
        const auto parse = [](const char *text) { return ColumnCondition::parse(QString::fromUtf8(text), ValueKind::Text); };
        QVERIFY(parse("ann").narrows(parse("an")));
        QVERIFY(parse("xANy").narrows(parse("an")));
        QVERIFY(!parse("a").narrows(parse("an")));
        QVERIFY(!parse("=ann").narrows(parse("=an")));
        QVERIFY(!parse(">b").narrows(parse(">a")));

        RowFilter before, after;
        before.set(1, parse("an"));
        after.set(1, parse("ann"));
        after.set(3, parse("x"));
        QVERIFY(after.narrows(before));
        QVERIFY(!before.narrows(after));
        RowFilter none;
        QVERIFY(!none.narrows(before));
        QVERIFY(before.narrows(none));
    }

    void filteredRowsFollowRowsAddedRemovedAndPutBack()
    {
        RowOrder order;
        // Ten rows; the even ones shown.
        order.filter(10, [](qint64 row) { return row % 2 == 0; }, false);
        QVERIFY(order.isFiltered());
        QCOMPARE(order.shownCount(10), 5);
        QCOMPARE(shownRows(order, 5), std::vector<qint64>({0, 2, 4, 6, 8}));
        // The line below the rows stands for the rows past the table's end.
        QCOMPARE(order.tableRow(5), 10);
        QCOMPARE(order.gridRow(10), 5);
        QCOMPARE(order.gridRow(3), -1);

        // A row added at the end shows at the end, whatever it holds.
        order.appendTableRow(10);
        QCOMPARE(shownRows(order, 6), std::vector<qint64>({0, 2, 4, 6, 8, 10}));
        // Rows deleted go; the ones after move up; hidden ones give no grid row.
        QCOMPARE(order.removeTableRows({3, 4}), std::vector<qint64>({2}));
        QCOMPARE(shownRows(order, 5), std::vector<qint64>({0, 2, 4, 6, 8}));
        // Put back in their place, shown or not as asked.
        QCOMPARE(order.insertTableRow(3, false), -1);
        QCOMPARE(order.insertTableRow(4, true), 2);
        QCOMPARE(shownRows(order, 6), std::vector<qint64>({0, 2, 4, 6, 8, 10}));

        // A narrower filter looks only at the rows shown.
        std::vector<qint64> asked;
        order.filter(11, [&](qint64 row) { asked.push_back(row); return row > 4; }, true);
        QCOMPARE(asked, std::vector<qint64>({0, 2, 4, 6, 8, 10}));
        QCOMPARE(shownRows(order, 3), std::vector<qint64>({6, 8, 10}));
        order.unfilter();
        QCOMPARE(order.shownCount(11), 11);
        QCOMPARE(order.tableRow(7), 7);
        QCOMPARE(order.memoryUsed(), size_t(0));
    }

    void aRememberedLayoutFitsTheColumnsOfNow()
    {
        GridLayout layout;
        layout.columns = {"name", "id", "gone", "city"};
        layout.widths = {120, 40, 80, 90};
        layout.hidden = {"city", "gone"};
        layout.sortColumn = "name";
        layout.descending = true;
        layout.filtersShown = true;

        // "gone" was dropped; "born" and "first" were added since.
        const ColumnPlacement placement = placeColumns(layout, {"first", "id", "name", "born", "city"});
        QCOMPARE(placement.displayOrder, std::vector<int>({0, 2, 3, 1, 4}));
        QCOMPARE(placement.widths, std::vector<int>({0, 40, 120, 0, 90}));
        QCOMPARE(placement.hidden, std::vector<bool>({false, false, false, false, true}));
        QCOMPARE(placement.sortColumn, 2);
        QVERIFY(placement.descending);
        QVERIFY(placement.filtersShown);

        // A sort column that went sorts nothing.
        layout.sortColumn = "gone";
        QCOMPARE(placeColumns(layout, {"id"}).sortColumn, -1);
    }
};

QTEST_GUILESS_MAIN(RowFilterTest)
#include "row_filter_test.moc"
