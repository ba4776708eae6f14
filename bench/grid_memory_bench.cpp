// What sorting, filtering and reloading the editor's grid cost in time and in
// memory beyond what the open took, on a table whose text columns share long
// beginnings (codes, invoice numbers, e-mail addresses, paths). Each figure
// comes from a fresh process that opens the table into a grid, notes its
// peak resident memory (getrusage's ru_maxrss), does the one thing measured
// and notes the peak again: the difference is what the thing held beyond the
// open's own peak. Needs the private PostgreSQL of the tests (bench/run
// starts one). Prints each figure with its goal beside it.
//
//   grid_memory_bench [rows]          default 1000000
//   TABVALE_BENCH_REPEATS             processes per figure (default 2); the
//                                     best time and the highest peak are shown

#include "bench_measure.h"
#include "bench_table.h"
#include "db/connection.h"
#include "db/table_snapshot.h"
#include "editor/table_model.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/filter_header.h"
#include "editor/ui/grid_filtering.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

// Processor time of this process: on a machine others share it swings less
// than the time on the clock.
double processorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

qint64 peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// One measurement in this process: "seconds secondsAgain openPeakKiB peakKiB
// tableRows processorSeconds".
// What is measured: "sort C" (a heading click, then a second one for
// descending), "filter C TEXT" (a filter box's text applied), "reload" and
// "reload C" (reloading while sorted by C).
int runChild(const QStringList &args)
{
    const QString table = args.value(2);
    const QString what = args.value(3);
    const int column = args.value(4).toInt();
    DataGrid grid;
    showGrid(grid);
    grid.setDataSource(db::TableSnapshot::open(scottConnection(), table));
    QCoreApplication::processEvents();
    grid.grab();
    if (what == QLatin1String("filter")) {
        grid.filtering().setShown(true);
        QCoreApplication::processEvents();
    } else if (what == QLatin1String("reload") && args.size() > 4) {
        grid.sortByHeading(column);
        QCoreApplication::processEvents();
    }
    const qint64 openPeak = peakKiB();

    const double processorBefore = processorSeconds();
    QElapsedTimer timer;
    timer.start();
    double first = 0, second = 0;
    bool done = true;
    if (what == QLatin1String("sort")) {
        grid.sortByHeading(column);
        QCoreApplication::processEvents();
        first = secondsSince(timer);
        timer.restart();
        grid.sortByHeading(column);
        QCoreApplication::processEvents();
        second = secondsSince(timer);
    } else if (what == QLatin1String("filter")) {
        grid.filterHeader().setBoxText(column, args.value(5));
        grid.filtering().apply();
        QCoreApplication::processEvents();
        first = secondsSince(timer);
    } else {
        done = grid.reload();
        QCoreApplication::processEvents();
        first = secondsSince(timer);
    }
    const double processor = processorSeconds() - processorBefore;
    grid.grab();
    // Per row of the table, whatever the grid shows of it.
    std::printf("%.6f %.6f %lld %lld %lld %.6f\n", first, second, openPeak, peakKiB(),
                done ? grid.tableModel().tableRowCount() : -1, processor);
    return 0;
}

struct Figure {
    double first = 1e9;
    double second = 1e9;
    double peakBytesPerRow = 0;
    double openPeakMB = 0;
    qint64 rows = 0;
    double processor = 1e9;
};

Figure measure(const QString &table, const QStringList &what, int repeats)
{
    Figure figure;
    for (int i = 0; i < repeats; ++i) {
        const QStringList fields =
            childFigures(QStringList{QStringLiteral("--child"), table} + what, "the measuring process failed", 1);
        figure.first = std::min(figure.first, fields.value(0).toDouble());
        figure.second = std::min(figure.second, fields.value(1).toDouble());
        figure.rows = fields.value(4).toLongLong();
        figure.processor = std::min(figure.processor, fields.value(5).toDouble());
        const double openPeak = fields.value(2).toDouble(), peak = fields.value(3).toDouble();
        figure.openPeakMB = openPeak * 1024 / 1e6;
        figure.peakBytesPerRow = std::max(figure.peakBytesPerRow, (peak - openPeak) * 1024 / double(std::max<qint64>(figure.rows, 1)));
    }
    return figure;
}

// The figures, each with its goal beside it.
int runBenchmark(const QStringList &args)
{
    if (args.value(1) == QLatin1String("--child"))
        return runChild(args);
    const qint64 rows = args.size() > 1 ? args.value(1).toLongLong() : 1000000;
    const int runs = qEnvironmentVariableIsSet("TABVALE_BENCH_REPEATS")
                         ? std::max(1, qEnvironmentVariableIntValue("TABVALE_BENCH_REPEATS"))
                         : 2;
    const QString table = QStringLiteral("bench_prefix_%1").arg(rows);
    ensurePrefixTable(table, rows);

    std::printf("\n%lld rows; each figure from %d fresh processes: best time, highest peak above the open's\n",
                rows, runs);
    const auto peakGoal = [](double bytesPerRow) { return bytesPerRow <= 32 ? "" : "  OVER"; };
    struct SortCase {
        int column;
        const char *what;
        bool sharedPrefix;
    };
    const SortCase sorts[] = {{0, "integer   (id)      ", false}, {2, "numeric   (price)   ", false},
                              {5, "timestamp (created) ", false}, {3, "text      (customer)", true},
                              {4, "text      (city)    ", true},  {7, "text      (note)    ", true},
                              {8, "code      AC-1234   ", true},  {9, "invoice   INV-2026-…", true},
                              {10, "e-mail    a.b1@c.d  ", true}, {11, "path      /srv/…pdf ", true}};
    double openPeakMB = 0;
    for (const SortCase &sort : sorts) {
        const Figure f = measure(table, {QStringLiteral("sort"), QString::number(sort.column)}, runs);
        openPeakMB = f.openPeakMB;
        std::printf("sort by %s ascending %.3f s, descending %.3f s   (goal <= %s s; both %.3f s of processor);"
                    " peak +%.1f bytes a row (goal <= 32)%s\n",
                    sort.what, f.first, f.second, sort.sharedPrefix ? "0.3" : "1.0", f.processor,
                    f.peakBytesPerRow, peakGoal(f.peakBytesPerRow));
    }
    struct FilterCase {
        int column;
        const char *typed;
        const char *what;
    };
    const FilterCase filters[] = {{4, "3", "city contains \"3\"     "},
                                  {8, "AC-99", "code contains \"AC-99\" "},
                                  {2, ">50000", "price >50000          "}};
    for (const FilterCase &filter : filters) {
        const Figure f = measure(
            table, {QStringLiteral("filter"), QString::number(filter.column), QString::fromUtf8(filter.typed)}, runs);
        std::printf("filter %s %.3f s   (goal <= 0.15 s); peak +%.1f bytes a row (goal <= 32)%s\n", filter.what,
                    f.first, f.peakBytesPerRow, peakGoal(f.peakBytesPerRow));
    }
    for (const int sortedBy : {-1, 11}) {
        QStringList what{QStringLiteral("reload")};
        if (sortedBy >= 0)
            what << QString::number(sortedBy);
        const Figure f = measure(table, what, runs);
        std::printf("reload%s %.2f s; peak +%.1f bytes a row (goal <= 32; old and new rows are held together"
                    " while the new ones are read)%s%s\n",
                    sortedBy >= 0 ? ", sorted by path" : "                ", f.first, f.peakBytesPerRow,
                    peakGoal(f.peakBytesPerRow), f.rows < 0 ? "  FAILED" : "");
    }
    std::printf("peak after the open (grid shown)          %.1f MB\n", openPeakMB);
    return 0;
}

} // namespace

int main(int argc, char **argv) { return runInWidgetApplication(argc, argv, runBenchmark); }
