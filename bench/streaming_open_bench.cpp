// Opening a large table as the editor does: the time until the first rows are
// shown in the grid, the time until the whole table has joined it against a
// raw ODBC block fetch of the same rows, and the peak memory against the
// table's size as CSV. Needs the private PostgreSQL of the tests (bench/run
// starts one; its data source reads with UseDeclareFetch=1, Fetch=10000).
// Prints figures with their goals; judges nothing.
//
//   streaming_open_bench [rows]        default 10000000
//   streaming_open_bench --child TABLE internal: one open in a fresh process

#include "bench_table.h"
#include "db/connection.h"
#include "db/connection_handles.h"
#include "db/odbc_diagnostics.h"
#include "db/table_snapshot.h"
#include "editor/table_model.h"
#include "editor/ui/data_grid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sqlext.h>
#include <vector>

namespace {

qint64 statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// The baseline: the same rows through the same driver, 1,000-row blocks into
// text buffers, kept nowhere.
double rawBlockFetchSeconds(const QString &table, qint64 &rowsSeen)
{
    db::Connection connection;
    connection.open(scottConnectionString());
    SQLHDBC dbc = connection.handles().connection.get();
    SQLHANDLE raw = SQL_NULL_HANDLE;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &raw);
    db::StatementHandle statement(raw);
    SQLHSTMT stmt = statement.get();
    QElapsedTimer timer;
    timer.start();
    std::u16string sql = db::toSqlWChar(QStringLiteral("SELECT * FROM \"%1\"").arg(table));
    db::checkOdbc(SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR *>(sql.data()), SQLINTEGER(sql.size())),
                  SQL_HANDLE_STMT, stmt, "SQLExecDirect");
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    constexpr SQLULEN blockRows = 1000;
    std::vector<std::vector<char>> buffers(static_cast<size_t>(columns));
    std::vector<std::vector<SQLLEN>> indicators(static_cast<size_t>(columns));
    SQLULEN fetched = 0;
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(blockRows), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    for (SQLSMALLINT c = 0; c < columns; ++c) {
        SQLWCHAR name[256];
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        SQLDescribeColW(stmt, SQLUSMALLINT(c + 1), name, 256, &nameLength, &type, &size, &digits, &nullable);
        const SQLLEN width = SQLLEN(std::clamp<SQLULEN>(size == 0 ? 2048 : size * 4 + 1, 16, 2048));
        buffers[size_t(c)].resize(size_t(width) * blockRows);
        indicators[size_t(c)].resize(blockRows);
        SQLBindCol(stmt, SQLUSMALLINT(c + 1), SQL_C_CHAR, buffers[size_t(c)].data(), width,
                   indicators[size_t(c)].data());
    }
    rowsSeen = 0;
    for (;;) {
        const SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA)
            break;
        db::checkOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLFetch");
        rowsSeen += qint64(fetched);
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

// One open into a shown grid, as "firstSeconds wholeSeconds rows peakKiB".
int runChild(const QString &table)
{
    DataGrid grid;
    grid.resize(800, 600);
    grid.show();
    QCoreApplication::processEvents();
    auto connection = std::make_unique<db::Connection>();
    connection->open(scottConnectionString());
    QElapsedTimer timer;
    timer.start();
    auto snapshot = db::TableSnapshot::openFirstRows(std::move(connection), table, 1, [] {
        auto second = std::make_unique<db::Connection>();
        second->open(scottConnectionString());
        return second;
    });
    grid.setDataSource(std::move(snapshot));
    grid.grab(); // the first rows painted
    const double first = double(timer.nsecsElapsed()) / 1e9;
    TableModel &model = grid.tableModel();
    if (model.isReading()) {
        QEventLoop loop;
        QObject::connect(&model, &TableModel::readingChanged, &loop, [&] {
            if (!model.isReading())
                loop.quit();
        });
        loop.exec();
    }
    const double whole = double(timer.nsecsElapsed()) / 1e9;
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
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), table});
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        std::fprintf(stderr, "the open failed\n");
        std::exit(2);
    }
    const QStringList fields = QString::fromUtf8(child.readAllStandardOutput()).split(u' ', Qt::SkipEmptyParts);
    return {fields.value(0).toDouble(), fields.value(1).toDouble(), fields.value(2).toLongLong(),
            fields.value(3).toDouble() * 1024 / 1e6};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (env("TABVALE_PG_DSN").isEmpty() || env("ODBCSYSINI").isEmpty()) {
        std::fprintf(stderr, "The private PostgreSQL is not running; start the benchmark with bench/run.\n");
        return 2;
    }
    try {
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
    } catch (const AppError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.description()));
        return 1;
    }
    return 0;
}
