#include "editor/cell_clipboard.h"
#include "editor/cell_search.h"
#include "export/memory_grid.h"

#include <QtTest>

// The grid's text as the user finds it (Ctrl+F, F3) and as it travels
// through the clipboard, on grids held in memory.
namespace {

using Hit = std::optional<SearchHit>;

// Names, notes and numbers; NULL where nothing is.
MemoryGrid people()
{
    return MemoryGrid({"name", "note", "n"},
                      {{QStringLiteral("Ann"), QStringLiteral("ann lee"), std::nullopt},
                       {QStringLiteral("Bob"), QStringLiteral("Ünïcode ✓"), QStringLiteral("5")},
                       {QStringLiteral("cyd"), QString(), QStringLiteral("ANN")}},
                      {2});
}

QString describe(const Hit &hit)
{
    if (!hit)
        return QStringLiteral("none");
    return QStringLiteral("%1,%2%3").arg(hit->cell.row).arg(hit->cell.column).arg(hit->wrapped ? " wrapped" : "");
}

} // namespace

Q_DECLARE_METATYPE(std::vector<QStringList>)

class CellTextTest : public QObject {
    Q_OBJECT
private slots:
    void findsCellsInGridOrder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeCell");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<QString>("found");
        QTest::newRow("next in the row") << "ann" << false << false << 0 << 0 << true << "0,1";
        QTest::newRow("next rows") << "ann" << false << false << 0 << 1 << true << "2,2";
        QTest::newRow("round the end") << "ann" << false << false << 2 << 2 << true << "0,0 wrapped";
        QTest::newRow("back to the start cell") << "ann" << true << false << 0 << 1 << true << "0,1 wrapped";
        QTest::newRow("whole cell") << "ann" << false << true << 0 << 0 << true << "2,2";
        QTest::newRow("whole cell, case") << "ann" << true << true << 0 << 0 << true << "none";
        QTest::newRow("backwards") << "ann" << false << false << 2 << 2 << false << "0,1";
        QTest::newRow("backwards round the top") << "ann" << false << false << 0 << 0 << false << "2,2 wrapped";
        QTest::newRow("backwards in the row") << "ann" << false << false << 0 << 1 << false << "0,0";
        QTest::newRow("folding beyond ASCII") << "üNÏ" << false << false << 0 << 0 << true << "1,1";
        QTest::newRow("case beyond ASCII") << "üNÏ" << true << false << 0 << 0 << true << "none";
        QTest::newRow("ASCII inside a cell beyond it") << "CODE" << false << false << 0 << 0 << true << "1,1";
        QTest::newRow("whole cell beyond ASCII") << "ünïcode ✓" << false << true << 2 << 2 << true << "1,1 wrapped";
        QTest::newRow("digits") << "5" << false << true << 0 << 0 << true << "1,2";
        QTest::newRow("a start past the end") << "Ann" << true << true << 99 << 99 << true << "0,0 wrapped";
        QTest::newRow("nothing to find") << "" << false << false << 0 << 0 << true << "none";
        QTest::newRow("not there") << "zed" << false << false << 1 << 1 << false << "none";
    }
    void findsCellsInGridOrder()
    {
        QFETCH(QString, text);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeCell);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(bool, forward);
        QFETCH(QString, found);
        const MemoryGrid grid = people();
        QCOMPARE(describe(findCell(grid, {text, matchCase, wholeCell}, {row, column}, forward)), found);
    }

    void smallGridsAndFoldedLetters()
    {
        const MemoryGrid one({"a"}, {{QStringLiteral("x")}});
        QCOMPARE(describe(findCell(one, {QStringLiteral("X")}, {0, 0}, true)), QStringLiteral("0,0 wrapped"));
        QCOMPARE(describe(findCell(one, {QStringLiteral("X")}, {0, 0}, false)), QStringLiteral("0,0 wrapped"));
        const MemoryGrid none({"a"}, {});
        QCOMPARE(describe(findCell(none, {QStringLiteral("x")}, {0, 0}, true)), QStringLiteral("none"));
        // The Kelvin sign folds to an ASCII letter.
        const MemoryGrid kelvin({"t"}, {{QStringLiteral("ok")}, {QStringLiteral("300 \u212A")}});
        QCOMPARE(describe(findCell(kelvin, {QStringLiteral("0 k")}, {0, 0}, true)), QStringLiteral("1,0"));
    }

    // A cell that cannot be read stops the search with its reason; it is
    // not taken for a cell that does not match.
    void anUnreadableCellIsReported()
    {
        MemoryGrid grid = people();
        grid.failAt(1, 1);
        QVERIFY_THROWS_EXCEPTION(AppError, findCell(grid, {QStringLiteral("zed")}, {0, 0}, true));
        QCOMPARE(describe(findCell(grid, {QStringLiteral("ann")}, {0, 0}, true)), QStringLiteral("0,1"));
    }

    void copiedCellsAsSpreadsheetsTakeThem_data()
    {
        QTest::addColumn<std::vector<QStringList>>("cells");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << std::vector<QStringList>{{"a", "b"}, {"c", "d"}} << "a\tb\nc\td\n";
        QTest::newRow("empty cells") << std::vector<QStringList>{{"", "b", ""}} << "\tb\t\n";
        QTest::newRow("tab") << std::vector<QStringList>{{"x\ty", "z"}} << "\"x\ty\"\tz\n";
        QTest::newRow("line breaks") << std::vector<QStringList>{{"one\ntwo", "cr\rlf"}}
                                     << "\"one\ntwo\"\t\"cr\rlf\"\n";
        QTest::newRow("quotes") << std::vector<QStringList>{{"say \"hi\"", "\""}} << "\"say \"\"hi\"\"\"\t\"\"\"\"\n";
        QTest::newRow("one empty cell") << std::vector<QStringList>{{""}} << "\n";
        QTest::newRow("beyond ASCII") << std::vector<QStringList>{{"Łódź ✓"}} << "Łódź ✓\n";
    }
    void copiedCellsAsSpreadsheetsTakeThem()
    {
        QFETCH(std::vector<QStringList>, cells);
        QFETCH(QString, text);
        QCOMPARE(cellsToTabText(cells), text);
        QCOMPARE(cellsFromTabText(text), cells);
    }

    // What spreadsheets and editors put on the clipboard.
    void pastedTextBecomesCells_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::vector<QStringList>>("cells");
        QTest::newRow("CR LF") << "a\tb\r\nc\td\r\n" << std::vector<QStringList>{{"a", "b"}, {"c", "d"}};
        QTest::newRow("no last line break") << "a\tb" << std::vector<QStringList>{{"a", "b"}};
        QTest::newRow("an empty row between") << "a\n\nb\n" << std::vector<QStringList>{{"a"}, {""}, {"b"}};
        QTest::newRow("last cell empty") << "a\t\n" << std::vector<QStringList>{{"a", ""}};
        QTest::newRow("nothing") << "" << std::vector<QStringList>{};
        QTest::newRow("quote inside a cell") << "ab\"c\td" << std::vector<QStringList>{{"ab\"c", "d"}};
        QTest::newRow("quoted line break in CR LF text") << "\"1\r\n2\"\tx\r\n"
                                                         << std::vector<QStringList>{{"1\n2", "x"}};
        QTest::newRow("unterminated quote") << "\"open\tend" << std::vector<QStringList>{{"open\tend"}};
    }
    void pastedTextBecomesCells()
    {
        QFETCH(QString, text);
        QFETCH(std::vector<QStringList>, cells);
        QCOMPARE(cellsFromTabText(text), cells);
    }
};

QTEST_GUILESS_MAIN(CellTextTest)
#include "cell_text_test.moc"
