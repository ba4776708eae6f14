#include "editor/cell_order.h"

#include <QCollator>
#include <QLocale>
#include <QtTest>

// How values are ordered when the grid sorts: numbers and times from the
// text the database gives, and a locale's order of ASCII text rebuilt.
class CellOrderTest : public QObject {
    Q_OBJECT
private slots:
    void numbersCompareByValue_data()
    {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("more digits") << QByteArray("10") << QByteArray("9") << 1;
        QTest::newRow("negatives") << QByteArray("-2") << QByteArray("-10") << 1;
        QTest::newRow("sign") << QByteArray("-1") << QByteArray("0") << -1;
        QTest::newRow("trailing zeros") << QByteArray("-12.50") << QByteArray("-12.5") << 0;
        QTest::newRow("leading zeros") << QByteArray("007") << QByteArray("7") << 0;
        QTest::newRow("minus zero") << QByteArray("-0.0") << QByteArray("0") << 0;
        QTest::newRow("plus sign") << QByteArray("+5") << QByteArray("5") << 0;
        QTest::newRow("point first") << QByteArray(".5") << QByteArray("0.5") << 0;
        QTest::newRow("beyond a double") << QByteArray("0.1") << QByteArray("0.10000000000000001") << -1;
        QTest::newRow("thirty digits") << QByteArray("123456789012345678901234567890")
                                       << QByteArray("123456789012345678901234567891") << -1;
        QTest::newRow("exponent") << QByteArray("1e+20") << QByteArray("99999") << 1;
        QTest::newRow("small exponent") << QByteArray("1.5e-3") << QByteArray("0.001") << 1;
        QTest::newRow("too large for a double") << QByteArray("1e400") << QByteArray("1e308") << 1;
        QTest::newRow("too large, negative") << QByteArray("-1e400") << QByteArray("-1e308") << -1;
        QTest::newRow("infinity") << QByteArray("-Infinity") << QByteArray("-1e308") << -1;
        QTest::newRow("NaN after numbers") << QByteArray("NaN") << QByteArray("1e308") << 1;
        QTest::newRow("NaN equals NaN") << QByteArray("NaN") << QByteArray("NaN") << 0;
        QTest::newRow("text after NaN") << QByteArray("abc") << QByteArray("NaN") << 1;
        QTest::newRow("text by bytes") << QByteArray("abc") << QByteArray("abd") << -1;
        QTest::newRow("empty is no number") << QByteArray("") << QByteArray("5") << 1;
    }
    void numbersCompareByValue()
    {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(int, order);
        QCOMPARE(compareNumberText(a, b), order);
        QCOMPARE(compareNumberText(b, a), -order);
        // The sort key may tie where the texts differ, never contradict them.
        if (order < 0)
            QVERIFY(numberKey(a) <= numberKey(b));
        else if (order > 0)
            QVERIFY(numberKey(a) >= numberKey(b));
        else
            QCOMPARE(numberKey(a), numberKey(b));
    }

    // Keys of numbers start at 1 (0 is NULL's) and end below what is no number.
    void numberKeysLeaveRoomForNullAndText()
    {
        for (const char *number : {"-1e400", "-Infinity", "-3.4e38", "0", "1e-45", "16777217", "1e400"}) {
            QVERIFY2(numberKey(number) > 0, number);
            QVERIFY2(numberKey(number) < numberKey("NaN"), number);
        }
        QCOMPARE(numberKey("NaN"), numberKey("not a number"));
    }

    void timesCompareInTimeOrder_data()
    {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("days") << QByteArray("2020-01-31") << QByteArray("2020-02-01") << -1;
        QTest::newRow("date is its midnight") << QByteArray("2020-01-31") << QByteArray("2020-01-31 00:00:00") << 0;
        QTest::newRow("T or blank") << QByteArray("2020-01-31T08:00:00") << QByteArray("2020-01-31 08:00:00") << 0;
        QTest::newRow("tenths and hundredths") << QByteArray("23:59:59.25") << QByteArray("23:59:59.5") << -1;
        QTest::newRow("a leading zero of the fraction") << QByteArray("12:00:00.05") << QByteArray("12:00:00.5") << -1;
        QTest::newRow("trailing zeros") << QByteArray("12:00:00.50") << QByteArray("12:00:00.5") << 0;
        QTest::newRow("no seconds") << QByteArray("12:00") << QByteArray("12:00:00") << 0;
        QTest::newRow("zone") << QByteArray("2020-01-31 12:00:00+02") << QByteArray("2020-01-31 11:00:00") << -1;
        QTest::newRow("zone with minutes") << QByteArray("2020-01-31 12:00:00-01:30")
                                           << QByteArray("2020-01-31 13:29:59Z") << 1;
        QTest::newRow("before Christ") << QByteArray("0044-03-15 BC") << QByteArray("0001-01-01") << -1;
        QTest::newRow("five-digit year") << QByteArray("10000-01-01") << QByteArray("9999-12-31") << 1;
        QTest::newRow("leap day") << QByteArray("2024-02-29") << QByteArray("2024-03-01") << -1;
        QTest::newRow("no time after times") << QByteArray("soon") << QByteArray("9999-12-31") << 1;
        QTest::newRow("bad month is no time") << QByteArray("2020-13-01") << QByteArray("2020-12-01") << 1;
        QTest::newRow("no times by bytes") << QByteArray("later") << QByteArray("soon") << -1;
    }
    void timesCompareInTimeOrder()
    {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(int, order);
        QCOMPARE(compareTimeText(a, b), order);
        QCOMPARE(compareTimeText(b, a), -order);
    }

    void secondsOfTimes_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("the epoch") << QByteArray("1970-01-01") << qint64(0);
        QTest::newRow("the day before") << QByteArray("1969-12-31") << qint64(-86400);
        QTest::newRow("a time alone") << QByteArray("00:01:00") << qint64(60);
        QTest::newRow("UTC") << QByteArray("2000-03-01T00:00:00Z") << qint64(951868800);
        QTest::newRow("west of Greenwich") << QByteArray("1970-01-01 00:00:00-01:30") << qint64(5400);
        QTest::newRow("fraction dropped") << QByteArray("1970-01-02 00:00:01.999") << qint64(86401);
    }
    void secondsOfTimes()
    {
        QFETCH(QByteArray, text);
        QFETCH(qint64, seconds);
        QCOMPARE(secondsOfTimeText(text), std::optional<qint64>(seconds));
    }

    void notTimes()
    {
        for (const char *text : {"", "noon", "2020-01", "2020-01-01x", "12:0", "2020-02-30 25", "12:00:00+1"})
            QVERIFY2(!secondsOfTimeText(text), text);
    }

    // The rebuilt order must be the locale's own for every pair it is asked
    // about, or it must say it is not usable.
    void asciiOrderIsTheLocales_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::newRow("English") << QStringLiteral("en_US");
        QTest::newRow("German") << QStringLiteral("de_DE");
        QTest::newRow("Danish") << QStringLiteral("da_DK"); // "aa" sorts after "z"
        QTest::newRow("C") << QStringLiteral("C");
    }
    void asciiOrderIsTheLocales()
    {
        QFETCH(QString, locale);
        const QCollator collator{QLocale(locale)};
        const AsciiCollation ascii(collator);
        if (!ascii.usable())
            return;
        const QStringList words{"", "a", "A", "aa", "Aa", "ab", "a b", "a-b", "a_b", "ab1", "ab10", "ab2", "B",
                                "b", "ba", "z", "Z", "zz", "1", "10", "2", "-", "_", " ", "~", "a.", "A.", "co-op",
                                "coop", "Co-op", "@x", "x@", "(a)", "[a]", "{a}"};
        for (const QString &a : words) {
            for (const QString &b : words) {
                const int expected = collator.compare(a, b);
                const int got = ascii.compare(a.toLatin1(), b.toLatin1());
                QVERIFY2((expected > 0) - (expected < 0) == got,
                         qPrintable(QStringLiteral("%1: \"%2\" against \"%3\"").arg(locale, a, b)));
            }
        }
    }

    // Printable ASCII takes the fast road; a single byte outside it,
    // wherever it stands in a long text, must send the text the slow one.
    void printableAsciiIsToldApartAtEveryPosition()
    {
        const QByteArray printable = "0123456789abcdefghijklmnopqrstuvwxyz ~!";
        QVERIFY(AsciiCollation::isPrintableAscii(printable));
        QVERIFY(AsciiCollation::isPrintableAscii(QByteArrayView()));
        for (const char odd : {'\x1f', '\x7f', '\x80', '\xc3', '\xff', '\t', '\0'}) {
            for (qsizetype at = 0; at < printable.size(); ++at) {
                QByteArray text = printable;
                text[at] = odd;
                QVERIFY2(!AsciiCollation::isPrintableAscii(text), qPrintable(QString::number(at)));
            }
        }
        // The edges of the range are in it.
        QVERIFY(AsciiCollation::isPrintableAscii(QByteArray(17, ' ') + QByteArray(17, '~')));
    }
};

QTEST_GUILESS_MAIN(CellOrderTest)
#include "cell_order_test.moc"
