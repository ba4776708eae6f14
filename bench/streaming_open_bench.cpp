// Opening a large table as the editor does: the time until the first rows are
// shown in the grid, the time until the whole table has joined it against a
// raw ODBC block fetch of the same rows, and the peak memory against the
// table's size as CSV. Needs the private PostgreSQL of the tests (bench/run
// starts one; its data source reads with UseDeclareFetch=1, Fetch=10000).
// Prints figures with their goals; judges nothing.
//
//   streaming_open_bench [rows]        default 10000000
//   streaming_open_bench --child TABLE internal: one open in a fresh process

#include "bench_measure.h"
#include "bench_table.h"
#include "db/connection.h"
#include "db/table_snapshot.h"
#include "editor/table_model.h"
#include "editor/ui/data_grid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

namespace {

// One open into a shown grid, as "firstSeconds wholeSeconds rows peakKiB".
int runChild(const QString &table)
{
    DataGrid grid;
    showGrid(grid);
    auto connection = scottConnection();
    QElapsedTimer timer;
    timer.start();
    auto snapshot = db::TableSnapshot::openFirstRows(std::move(connection), table, 1, [] { return scottConnection(); });
    grid.setDataSource(std::move(snapshot));
    grid.grab(); // the first rows painted
    const double first = secondsSince(timer);
    TableModel &model = grid.tableModel();
    if (model.isReading()) {
        QEventLoop loop;
        QObject::connect(&model, &TableModel::readingChanged, &loop, [&] {
            if (!model.isReading())
                loop.quit();
        });
        loop.exec();
    }
    const double whole = secondsSince(timer);
    std::printf("%.6f %.6f %lld %lld\n", first, whole, model.tableRowCount(), statusKiB("VmHWM:"));
    return 0;
}

struct ChildResult {
    double firstSeconds = 0;
    double wholeSeconds = 0;
    qint64 rows = 0;
    double peakMB = 0;
};

ChildResult openInChild(const QString &table)
{
    const QStringList fields = childFigures({QStringLiteral("--child"), table}, "the open failed", 2);
    return {fields.value(0).toDouble(), fields.value(1).toDouble(), fields.value(2).toLongLong(),
            fields.value(3).toDouble() * 1024 / 1e6};
}

// The figures, each with its goal beside it.
int runBenchmark(const QStringList &args)
{
    if (args.value(1) == QLatin1String("--child"))
        return runChild(args.value(2));

    const qint64 rows = args.size() > 1 ? args.value(1).toLongLong() : 10000000;
    constexpr int repeats = 3;
    const QString table = QStringLiteral("bench_rows_%1").arg(rows);
    ensureTable(table, rows);

    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("table.csv"));
    psql(QStringLiteral("\\copy scott.%1 to '%2' csv").arg(table, csv));
    const double csvMB = double(QFileInfo(csv).size()) / 1e6;
    QFile::remove(csv);

    std::vector<double> raws, firsts, wholes, peaks;
    ChildResult last;
    qint64 rawRows = 0;
    for (int i = 0; i < repeats; ++i) {
        raws.push_back(rawBlockFetchSeconds(table, rawRows));
        last = openInChild(table);
        firsts.push_back(last.firstSeconds);
        wholes.push_back(last.wholeSeconds);
        peaks.push_back(last.peakMB);
    }
    const double raw = median(raws), first = median(firsts), whole = median(wholes), peak = median(peaks);
    std::printf("\nrows                              %lld (raw fetch saw %lld), 8 columns\n", last.rows, rawRows);
    std::printf("CSV size (psql \\copy)             %.1f MB\n", csvMB);
    std::printf("open to the first rows shown      %.3f s   (goal <= 0.5 s)\n", first);
    std::printf("open to the whole table           %.2f s\n", whole);
    std::printf("raw ODBC block fetch              %.2f s\n", raw);
    std::printf("whole table / raw fetch           %.2f     (goal <= 1.10)\n", whole / raw);
    std::printf("peak resident (VmHWM)             %.1f MB\n", peak);
    std::printf("peak resident / CSV size          %.2f     (goal <= 1.30)\n", peak / csvMB);
    std::printf("(medians of %d runs; each open in a fresh process with a shown grid)\n", repeats);
    return 0;
}

} // namespace

int main(int argc, char **argv) { return runInWidgetApplication(argc, argv, runBenchmark); }
