#include "support/sqlite_database.h"

#include "db/connection.h"
#include "db/oracle.h"
#include "db/table_snapshot.h"

#include <QFile>
#include <QProcess>
#include <atomic>
#include <stdexcept>

namespace {

QStringList runSqlite(const QString &file, const QString &sql)
{
    QProcess sqlite;
    // The driver's connection may hold a lock for a moment after a write.
    sqlite.start(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), QStringLiteral("-cmd"),
                                             QStringLiteral(".timeout 10000"), file});
    sqlite.write(sql.toUtf8());
    sqlite.closeWriteChannel();
    if (!sqlite.waitForFinished(60000) || sqlite.exitStatus() != QProcess::NormalExit || sqlite.exitCode() != 0)
        throw std::runtime_error("sqlite3 failed: " + sqlite.readAllStandardError().toStdString()
                                 + sqlite.errorString().toStdString());
    QStringList rows = QString::fromUtf8(sqlite.readAllStandardOutput()).split(u'\n');
    if (!rows.isEmpty() && rows.back().isEmpty())
        rows.removeLast();
    return rows;
}

} // namespace

SqliteDatabase::SqliteDatabase() : previousIni_(qgetenv("ODBCINI"))
{
    if (!dir_.isValid()) {
        problem_ = QStringLiteral("no temporary folder: ") + dir_.errorString();
        return;
    }
    // A name of its own each time, should the driver manager remember the
    // data sources it has read before.
    static std::atomic<int> count{0};
    dataSource_ = QStringLiteral("tabvale_sqlite_%1").arg(++count);
    try {
        runSqlite(file(), QStringLiteral("PRAGMA user_version = 1;"));
    } catch (const std::exception &error) {
        problem_ = QString::fromStdString(error.what());
        return;
    }
    const QString ini = dir_.filePath(QStringLiteral("odbc.ini"));
    QFile iniFile(ini);
    if (!iniFile.open(QIODevice::WriteOnly)) {
        problem_ = iniFile.errorString();
        return;
    }
    iniFile.write(QStringLiteral("[%1]\nDriver = %2\nDatabase = %3\nTimeout = 10000\n")
                      .arg(dataSource_, QStringLiteral(TABVALE_SQLITE_ODBC_DRIVER), file())
                      .toUtf8());
    iniFile.close();
    // unixODBC reads the user's data sources from this file at each connect.
    qputenv("ODBCINI", ini.toLocal8Bit());
}

SqliteDatabase::~SqliteDatabase()
{
    if (previousIni_.isEmpty())
        qunsetenv("ODBCINI");
    else
        qputenv("ODBCINI", previousIni_);
}

QString SqliteDatabase::file() const { return dir_.filePath(QStringLiteral("tables.sqlite")); }

QString SqliteDatabase::connectionString() const { return buildConnectionString(dataSource_, {}, {}); }

void SqliteDatabase::exec(const QString &sql) const { runSqlite(file(), sql); }

QStringList SqliteDatabase::query(const QString &sql) const { return runSqlite(file(), sql); }

std::unique_ptr<db::Connection> SqliteDatabase::connect() const
{
    auto connection = std::make_unique<db::Connection>();
    connection->open(connectionString());
    return connection;
}

std::unique_ptr<db::TableSnapshot> SqliteDatabase::open(const QString &table) const
{
    return db::TableSnapshot::open(connect(), table);
}
