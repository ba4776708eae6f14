// Opening a large table: TableSnapshot::open against a raw ODBC block fetch
// of the same rows, the memory the open takes against the table's size as
// CSV, and psql's own CSV copy for scale. Needs the private PostgreSQL of the
// tests (bench/run starts one). Prints figures only; judges nothing.
//
//   open_table_bench [rows]          default 1000000; also times 100000 rows
//   open_table_bench --child TABLE   internal: one open in a fresh process
//   open_table_bench --grid TABLE    internal: the same, bound to the editor's
//                                    grid in a widget application, painted,
//                                    and saved as CSV, TXT and XML

#include "bench_measure.h"
#include "bench_table.h"
#include "db/connection.h"
#include "db/table_snapshot.h"
#include "editor/ui/data_grid.h"
#include "export/datagrid_writers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

namespace {

// One open in this process, reported as "seconds rows memoryUsed rssBeforeKiB peakKiB".
int runChild(const QString &table, bool intoGrid)
{
    std::unique_ptr<DataGrid> grid;
    if (intoGrid) {
        grid = std::make_unique<DataGrid>();
        showGrid(*grid);
    }
    const qint64 before = statusKiB("VmRSS:");
    std::unique_ptr<db::Connection> connection = scottConnection();
    QElapsedTimer timer;
    timer.start();
    auto snapshot = db::TableSnapshot::open(std::move(connection), table);
    const qint64 rows = snapshot->rowCount();
    const std::size_t used = snapshot->memoryUsed();
    if (grid) {
        grid->setDataSource(std::move(snapshot));
        grid->scrollToBottom();
        QCoreApplication::processEvents();
        grid->grab(); // paint the rows in view
    }
    const double seconds = secondsSince(timer);
    std::printf("%.6f %lld %zu %lld %lld", seconds, rows, used, before, statusKiB("VmHWM:"));
    if (grid) {
        // The exports of the opened grid, as the menu entries run them.
        QTemporaryDir dir;
        using Writer = void (*)(const RowSource &, const QString &);
        for (Writer writer : {Writer(SaveDataGridToCSVFile), Writer(SaveDataGridToFile), Writer(SaveDataGridToXMLFile)}) {
            const QString file = dir.filePath(QStringLiteral("export"));
            QElapsedTimer exportTimer;
            exportTimer.start();
            writer(grid->rows(), file);
            std::printf(" %.6f %lld", secondsSince(exportTimer), qint64(QFileInfo(file).size()));
            QFile::remove(file);
        }
        std::printf(" %lld", statusKiB("VmHWM:"));
    }
    std::printf("\n");
    return 0;
}

struct ChildResult {
    double seconds = 0;
    qint64 rows = 0;
    double memoryUsedMB = 0;
    double rssBeforeMB = 0;
    double peakMB = 0;
    // Grid only: CSV, TXT and XML export times and sizes, and the peak after them.
    double exportSeconds[3] = {0, 0, 0};
    double exportMB[3] = {0, 0, 0};
    double peakAfterExportsMB = 0;
};

ChildResult openInChild(const QString &table, bool intoGrid = false)
{
    const QStringList fields =
        childFigures({intoGrid ? QStringLiteral("--grid") : QStringLiteral("--child"), table}, "the open failed", 2);
    ChildResult result;
    result.seconds = fields.value(0).toDouble();
    result.rows = fields.value(1).toLongLong();
    result.memoryUsedMB = fields.value(2).toDouble() / 1e6;
    result.rssBeforeMB = fields.value(3).toDouble() * 1024 / 1e6;
    result.peakMB = fields.value(4).toDouble() * 1024 / 1e6;
    for (int i = 0; i < 3; ++i) {
        result.exportSeconds[i] = fields.value(5 + 2 * i).toDouble();
        result.exportMB[i] = fields.value(6 + 2 * i).toDouble() / 1e6;
    }
    result.peakAfterExportsMB = fields.value(11).toDouble() * 1024 / 1e6;
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    const bool gridChild = argc > 1 && qstrcmp(argv[1], "--grid") == 0;
    if (gridChild)
        paintOffscreenWithoutDisplay();
    std::unique_ptr<QCoreApplication> app = gridChild ? std::make_unique<QApplication>(argc, argv)
                                                      : std::make_unique<QCoreApplication>(argc, argv);
    const QStringList args = app->arguments();
    if (!privatePostgresRunning())
        return 2;
    try {
        if (args.value(1) == QLatin1String("--child") || gridChild)
            return runChild(args.value(2), gridChild);

        const qint64 rows = args.size() > 1 ? args.value(1).toLongLong() : 1000000;
        constexpr int repeats = 3;
        const QString smallTable = QStringLiteral("bench_rows_100k");
        const QString bigTable = QStringLiteral("bench_rows_%1").arg(rows);
        ensureTable(smallTable, 100000);
        ensureTable(bigTable, rows);

        // psql's CSV copy, to a file, gives the size the memory is measured against.
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("table.csv"));
        std::vector<double> copyTimes;
        for (int i = 0; i < repeats; ++i) {
            QElapsedTimer timer;
            timer.start();
            psql(QStringLiteral("\\copy scott.%1 to '%2' csv").arg(bigTable, csv));
            copyTimes.push_back(secondsSince(timer));
        }
        const double csvMB = double(QFileInfo(csv).size()) / 1e6;

        std::vector<double> rawTimes, openTimes, peaks;
        ChildResult last;
        qint64 rawRows = 0;
        for (int i = 0; i < repeats; ++i) {
            rawTimes.push_back(rawBlockFetchSeconds(bigTable, rawRows));
            last = openInChild(bigTable);
            openTimes.push_back(last.seconds);
            peaks.push_back(last.peakMB);
        }
        const ChildResult grid = openInChild(bigTable, true);
        std::vector<double> smallOpen, smallRaw;
        qint64 smallRows = 0;
        for (int i = 0; i < repeats; ++i) {
            smallRaw.push_back(rawBlockFetchSeconds(smallTable, smallRows));
            smallOpen.push_back(openInChild(smallTable).seconds);
        }

        const double raw = median(rawTimes), open = median(openTimes), peak = median(peaks);
        std::printf("\nrows                            %lld (raw fetch saw %lld)\n", last.rows, rawRows);
        std::printf("CSV size (psql \\copy)           %.1f MB\n", csvMB);
        std::printf("psql \\copy to CSV               %.2f s\n", median(copyTimes));
        std::printf("raw ODBC block fetch            %.2f s\n", raw);
        std::printf("TableSnapshot::open             %.2f s\n", open);
        std::printf("  rows stored in                %.1f MB\n", last.memoryUsedMB);
        std::printf("  resident before open          %.1f MB\n", last.rssBeforeMB);
        std::printf("  peak resident (VmHWM)         %.1f MB\n", peak);
        std::printf("bound to the editor's grid      %.2f s, resident before %.1f MB, peak %.1f MB (%.2f x CSV)\n",
                    grid.seconds, grid.rssBeforeMB, grid.peakMB, grid.peakMB / csvMB);
        const char *formats[3] = {"CSV", "TXT", "XML"};
        for (int i = 0; i < 3; ++i)
            std::printf("saving the grid as %s           %.2f s (%.1f MB)\n", formats[i], grid.exportSeconds[i],
                        grid.exportMB[i]);
        std::printf("  peak resident after exports   %.1f MB (%.2f x CSV)\n", grid.peakAfterExportsMB,
                    grid.peakAfterExportsMB / csvMB);
        std::printf("100,000 rows: open %.3f s, raw fetch %.3f s\n", median(smallOpen), median(smallRaw));
        std::printf("\nopen / raw fetch                %.2f   (goal <= 1.30)\n", open / raw);
        std::printf("peak resident / CSV size        %.2f   (goal <= 1.50; in the widget program %.2f)\n",
                    peak / csvMB, grid.peakAfterExportsMB / csvMB);
        std::printf("our CSV / psql \\copy            %.2f   (goal < 1.00)\n",
                    grid.exportSeconds[0] / median(copyTimes));
        std::printf("(medians of %d runs; each open in a fresh process)\n", repeats);
    } catch (const AppError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.description()));
        return 1;
    }
    return 0;
}
