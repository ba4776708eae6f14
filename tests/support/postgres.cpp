#include "support/postgres.h"

#include "db/oracle.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <stdexcept>
#include <unistd.h>

namespace testpg {
namespace {

QString env(const char *name) { return qEnvironmentVariable(name); }

QStringList rowsOf(const QByteArray &output)
{
    QStringList rows = QString::fromUtf8(output).split(u'\n');
    if (!rows.isEmpty() && rows.back().isEmpty())
        rows.removeLast();
    return rows;
}

QStringList runPsql(const QString &sql)
{
    QProcess psql;
    psql.start(QStringLiteral("psql"),
               {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"),
                QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), env("TABVALE_PG_SOCKDIR"),
                QStringLiteral("-p"), env("TABVALE_PG_PORT"), QStringLiteral("-U"), QStringLiteral("postgres"),
                QStringLiteral("-d"), QStringLiteral("postgres"), QStringLiteral("-f"), QStringLiteral("-")});
    psql.write(sql.toUtf8());
    psql.closeWriteChannel();
    if (!psql.waitForFinished(60000) || psql.exitStatus() != QProcess::NormalExit || psql.exitCode() != 0)
        throw std::runtime_error("psql failed: " + psql.readAllStandardError().toStdString());
    return rowsOf(psql.readAllStandardOutput());
}

// pg_ctl refuses to run as root; the server belongs to the postgres user.
int runPgCtl(const QStringList &arguments)
{
    const QString pgCtl = env("TABVALE_PG_BIN") + QStringLiteral("/pg_ctl");
    QProcess process;
    if (geteuid() == 0)
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                                             QStringLiteral("--"), pgCtl} + arguments);
    else
        process.start(pgCtl, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

} // namespace

QString missingEnvironment()
{
    QStringList missing;
    for (const char *name : {"ODBCSYSINI", "TABVALE_PG_DSN", "TABVALE_PG_PORT", "TABVALE_PG_SOCKDIR",
                             "TABVALE_PG_DATA", "TABVALE_PG_BIN", "TABVALE_PG_SILENT_DSN", "TABVALE_PG_SILENT_PORT",
                             "TABVALE_PG_LOSSY_DSN"}) {
        if (env(name).isEmpty())
            missing << QLatin1String(name);
    }
    if (!missing.isEmpty())
        return missing.join(u' ') + QStringLiteral(" not set");
    if (!QDir(env("TABVALE_PG_DATA")).exists())
        return QStringLiteral("no data folder at ") + env("TABVALE_PG_DATA");
    return {};
}

QString dsn() { return env("TABVALE_PG_DSN"); }
QString silentDsn() { return env("TABVALE_PG_SILENT_DSN"); }
QString lossyDsn() { return env("TABVALE_PG_LOSSY_DSN"); }
quint16 silentPort() { return quint16(env("TABVALE_PG_SILENT_PORT").toUInt()); }

QString connectionString(const Login &login) { return buildConnectionString(dsn(), login.user, login.password); }

QStringList adminQuery(const QString &sql) { return runPsql(sql); }
void adminExec(const QString &sql) { runPsql(sql); }

QStringList queryAs(const QString &role, const QString &sql)
{
    QString quoted = role;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return runPsql(QStringLiteral("SET ROLE \"%1\";\n%2;\n").arg(quoted, sql));
}

bool stopServer()
{
    return runPgCtl({QStringLiteral("-D"), env("TABVALE_PG_DATA"), QStringLiteral("-m"), QStringLiteral("fast"),
                     QStringLiteral("-w"), QStringLiteral("stop")})
        == 0;
}

bool startServer()
{
    return runPgCtl({QStringLiteral("-D"), env("TABVALE_PG_DATA"), QStringLiteral("-l"),
                     env("TABVALE_PG_SOCKDIR") + QStringLiteral("/server.log"), QStringLiteral("-w"),
                     QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("start")})
        == 0;
}

ServerRestarter::~ServerRestarter()
{
    // pg_ctl status exits with 3 when the server is not running.
    if (runPgCtl({QStringLiteral("-D"), env("TABVALE_PG_DATA"), QStringLiteral("status")}) == 3)
        startServer();
}

} // namespace testpg
