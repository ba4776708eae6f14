#include "bench_measure.h"

#include "app/app_error.h"
#include "bench_table.h"
#include "db/connection.h"
#include "db/connection_handles.h"
#include "db/odbc_diagnostics.h"
#include "editor/ui/data_grid.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sqlext.h>

void paintOffscreenWithoutDisplay()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

bool privatePostgresRunning()
{
    if (env("TABVALE_PG_DSN").isEmpty() || env("ODBCSYSINI").isEmpty()) {
        std::fprintf(stderr, "The private PostgreSQL is not running; start the benchmark with bench/run.\n");
        return false;
    }
    return true;
}

std::unique_ptr<db::Connection> scottConnection()
{
    auto connection = std::make_unique<db::Connection>();
    connection->open(scottConnectionString());
    return connection;
}

double secondsSince(const QElapsedTimer &timer) { return double(timer.nsecsElapsed()) / 1e9; }

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

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
    return secondsSince(timer);
}

void showGrid(DataGrid &grid)
{
    grid.resize(800, 600);
    grid.show();
    QCoreApplication::processEvents();
}

QStringList childFigures(const QStringList &arguments, const char *failure, int exitCode)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        std::fprintf(stderr, "%s\n", failure);
        std::exit(exitCode);
    }
    return QString::fromUtf8(child.readAllStandardOutput()).split(u' ', Qt::SkipEmptyParts);
}

int runInWidgetApplication(int argc, char **argv, const std::function<int(const QStringList &arguments)> &benchmark)
{
    paintOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    if (!privatePostgresRunning())
        return 2;
    try {
        return benchmark(app.arguments());
    } catch (const AppError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.description()));
        return 1;
    }
}
