// Finding, sorting, filtering and reloading in the editor's grid bound to the
// 1,000,000-row table of the open-table benchmark. Needs the private
// PostgreSQL of the tests (bench/run starts one). Prints each figure with its
// goal beside it.
//
//   grid_tools_bench [rows]          default 1000000

#include "bench_measure.h"
#include "bench_table.h"
#include "db/connection.h"
#include "db/table_snapshot.h"
#include "editor/row_filter.h"
#include "editor/table_model.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/filter_header.h"
#include "editor/ui/find_dialog.h"
#include "editor/ui/grid_filtering.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <cstdio>

namespace {

std::unique_ptr<db::TableSnapshot> openTable(const QString &table, double &elapsed)
{
    auto connection = scottConnection();
    QElapsedTimer timer;
    timer.start();
    auto snapshot = db::TableSnapshot::open(std::move(connection), table);
    elapsed = secondsSince(timer);
    return snapshot;
}

// Words of which about half hold letters beyond ASCII.
void ensureAccentTable(const QString &name, qint64 rows)
{
    if (tableExists(name))
        return;
    announceMaking(name, rows);
    psql(QStringLiteral("CREATE TABLE scott.%1 (id integer PRIMARY KEY, name varchar(40)); "
                        "ALTER TABLE scott.%1 OWNER TO scott; "
                        "INSERT INTO scott.%1 SELECT g, translate(substr(md5(g::text), 1, 12), '0123', 'äöüé') "
                        "FROM generate_series(1, %2) g;")
             .arg(name)
             .arg(rows));
}

// The figures, each with its goal beside it.
int runBenchmark(const QStringList &args)
{
    const qint64 rows = args.size() > 1 ? args.value(1).toLongLong() : 1000000;
    const QString table = QStringLiteral("bench_rows_%1").arg(rows);
    ensureTable(table, rows);

    DataGrid grid;
    showGrid(grid);

    // A first open to warm the server's cache, then the one measured.
    double firstOpen = 0;
    openTable(table, firstOpen);
    grid.setDataSource(openTable(table, firstOpen));
    QCoreApplication::processEvents();
    const qint64 gridRows = grid.rowCount();

    // Find: a text only the last row holds, from the first cell.
    const QString lastNote = grid.cellText(gridRows - 1, 7);
    const QString needle = lastNote.mid(5, 32); // the row's md5
    grid.showFindDialog();
    FindDialog &find = *grid.findDialog();
    find.findText->setText(needle);
    double findSeconds[2] = {0, 0};
    bool foundLast = true;
    for (int matchCase = 0; matchCase < 2; ++matchCase) {
        find.matchCase->setChecked(matchCase == 1);
        grid.setCurrentIndex(grid.model()->index(0, 0));
        QElapsedTimer timer;
        timer.start();
        grid.findAgain(true);
        findSeconds[matchCase] = secondsSince(timer);
        foundLast = foundLast && grid.currentIndex().row() == gridRows - 1;
    }
    find.close();

    // Sorting by a heading click, each column from the table's order.
    struct SortCase {
        int column;
        const char *what;
    };
    const SortCase cases[] = {{1, "integer  (quantity)"}, {2, "numeric  (price)   "},
                              {5, "timestamp (created)"}, {3, "text     (customer)"},
                              {4, "text     (city)    "}, {7, "text     (note)    "}};
    std::printf("\nrows                                      %lld\n", gridRows);
    std::printf("first open (TableSnapshot::open)          %.2f s\n", firstOpen);
    std::printf("Find Next to the last row, any case       %.3f s   (goal <= 0.15 s)%s\n", findSeconds[0],
                foundLast ? "" : "  NOT FOUND");
    std::printf("Find Next to the last row, match case     %.3f s   (goal <= 0.15 s)\n", findSeconds[1]);
    for (const SortCase &sort : cases) {
        grid.setCurrentIndex(grid.model()->index(0, sort.column));
        QElapsedTimer timer;
        timer.start();
        grid.sortByHeading(sort.column);
        QCoreApplication::processEvents();
        const double ascending = secondsSince(timer);
        timer.restart();
        grid.sortByHeading(sort.column);
        QCoreApplication::processEvents();
        const double descending = secondsSince(timer);
        const double bytesPerRow = double(grid.tableModel().rowOrder().memoryUsed()) / double(gridRows);
        grid.sortByHeading(sort.column); // the table's own order again
        std::printf("sort by %s ascending %.2f s, descending %.2f s   (goal <= 1.0 s);"
                    " added %.1f bytes a row (goal <= 8)\n",
                    sort.what, ascending, descending, bytesPerRow);
    }

    // Filters, each as a box's text after the typing pause, to the grid
    // showing the rows.
    {
        grid.filtering().setShown(true);
        QCoreApplication::processEvents();
        const auto filterBy = [&](int column, const QString &typed) {
            grid.filterHeader().setBoxText(column, typed);
            QElapsedTimer timer;
            timer.start();
            grid.filtering().apply();
            QCoreApplication::processEvents();
            return secondsSince(timer);
        };
        // The rows alone, without the grid: a copy of the grid's order
        // filtered as the model filters it.
        const auto rowsAlone = [&](int column, const QString &typed, bool amongShown) {
            RowOrder order = grid.tableModel().rowOrder();
            const db::TableSnapshot &snapshot = *grid.tableModel().snapshot();
            RowFilter filter;
            filter.set(column, ColumnCondition::parse(typed, valueKindOf(snapshot.column(column))));
            QElapsedTimer timer;
            timer.start();
            order.filter(snapshot.rowCount(), [&](qint64 row) { return filter.matches(snapshot, row); },
                         amongShown);
            return secondsSince(timer);
        };
        const double firstAlone = rowsAlone(4, QStringLiteral("3"), false);
        const double firstCharacter = filterBy(4, QStringLiteral("3"));
        const double secondAlone = rowsAlone(4, QStringLiteral("3a"), true);
        const qint64 afterFirst = grid.rowCount();
        const double secondCharacter = filterBy(4, QStringLiteral("3a"));
        const qint64 afterSecond = grid.rowCount();
        const double backspace = filterBy(4, QStringLiteral("3"));
        const double bytesPerRow = double(grid.tableModel().rowOrder().memoryUsed()) / double(gridRows);
        filterBy(4, QString());
        const double greaterAlone = rowsAlone(2, QStringLiteral(">50000"), false);
        const double greater = filterBy(2, QStringLiteral(">50000"));
        const qint64 afterGreater = grid.rowCount();
        grid.sortByHeading(2);
        QCoreApplication::processEvents();
        const double sortedGreater = filterBy(2, QStringLiteral(">100000"));
        const double sortedBytesPerRow = double(grid.tableModel().rowOrder().memoryUsed()) / double(gridRows);
        grid.sortByHeading(2);
        grid.sortByHeading(2);
        filterBy(2, QString());
        grid.filtering().setShown(false);
        std::printf("filter city contains \"3\" (first character)  %.3f s, %lld rows   (goal <= 0.15 s);"
                    " the rows alone %.3f s\n",
                    firstCharacter, afterFirst, firstAlone);
        std::printf("filter city contains \"3a\" (one more)        %.3f s, %lld rows   (goal <= 0.15 s);"
                    " the rows alone %.3f s\n",
                    secondCharacter, afterSecond, secondAlone);
        std::printf("filter city back to \"3\" (backspace)         %.3f s   (goal <= 0.15 s)\n", backspace);
        std::printf("filter price >50000                       %.3f s, %lld rows   (goal <= 0.15 s);"
                    " the rows alone %.3f s; added %.1f bytes a row (goal <= 8)\n",
                    greater, afterGreater, greaterAlone, bytesPerRow);
        std::printf("filter price >100000, sorted by price     %.3f s   (goal <= 0.15 s);"
                    " sort and filter %.1f bytes a row\n",
                    sortedGreater, sortedBytesPerRow);
    }

    // Reload, sorted, from the middle of the table.
    grid.sortByHeading(1);
    grid.setCurrentIndex(grid.model()->index(int(gridRows / 2), 2));
    QElapsedTimer timer;
    timer.start();
    const bool reloaded = grid.reload();
    QCoreApplication::processEvents();
    const double reloadSeconds = secondsSince(timer);
    std::printf("reload (sorted, current row kept)         %.2f s = %.2f x first open   (goal <= 1.15)%s\n",
                reloadSeconds, reloadSeconds / firstOpen, reloaded ? "" : "  FAILED");

    // Text beyond ASCII, which the locale itself has to order.
    const QString accents = QStringLiteral("bench_words_%1").arg(rows);
    ensureAccentTable(accents, rows);
    double accentOpen = 0;
    grid.setDataSource(openTable(accents, accentOpen));
    QCoreApplication::processEvents();
    for (const char *locale : {"C", "en_US", "de_DE"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
        timer.restart();
        grid.sortByHeading(1);
        QCoreApplication::processEvents();
        std::printf("sort by text, half beyond ASCII, %-6s locale  %.2f s   (goal <= 1.0 s)\n", locale, secondsSince(timer));
        grid.sortByHeading(1);
        grid.sortByHeading(1);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv) { return runInWidgetApplication(argc, argv, runBenchmark); }
