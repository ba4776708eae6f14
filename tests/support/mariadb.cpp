#include "support/mariadb.h"

#include "db/oracle.h"

#include <QFileInfo>
#include <QProcess>
#include <stdexcept>

namespace testmaria {
namespace {

QString env(const char *name) { return qEnvironmentVariable(name); }

} // namespace

QString missingEnvironment()
{
    QStringList missing;
    for (const char *name : {"ODBCINI", "TABVALE_MARIA_DSN", "TABVALE_MARIA_MULTI_DSN", "TABVALE_MARIA_DATABASE", "TABVALE_MARIA_SOCKET"}) {
        if (env(name).isEmpty())
            missing << QLatin1String(name);
    }
    if (!missing.isEmpty())
        return missing.join(u' ') + QStringLiteral(" not set");
    if (!QFileInfo::exists(env("TABVALE_MARIA_SOCKET")))
        return QStringLiteral("no server socket at ") + env("TABVALE_MARIA_SOCKET");
    return {};
}

QString dsn() { return env("TABVALE_MARIA_DSN"); }
QString multiStatementDsn() { return env("TABVALE_MARIA_MULTI_DSN"); }
QString database() { return env("TABVALE_MARIA_DATABASE"); }

QString connectionString(const Login &login) { return buildConnectionString(dsn(), login.user, login.password); }

QStringList adminQuery(const QString &sql)
{
    QProcess client;
    // Batch mode without column names or escaping: one line per row, fields
    // separated by tabs.
    client.start(QStringLiteral("mariadb"),
                 {QStringLiteral("--no-defaults"), QStringLiteral("--socket=") + env("TABVALE_MARIA_SOCKET"),
                  QStringLiteral("-uroot"), QStringLiteral("--default-character-set=utf8mb4"), QStringLiteral("-N"),
                  QStringLiteral("-B"), QStringLiteral("-r"), database()});
    client.write(sql.toUtf8());
    client.closeWriteChannel();
    if (!client.waitForFinished(60000) || client.exitStatus() != QProcess::NormalExit || client.exitCode() != 0)
        throw std::runtime_error("mariadb failed: " + client.readAllStandardError().toStdString());
    QStringList rows = QString::fromUtf8(client.readAllStandardOutput()).split(u'\n');
    if (!rows.isEmpty() && rows.back().isEmpty())
        rows.removeLast();
    for (QString &row : rows)
        row.replace(u'\t', u'|');
    return rows;
}

void adminExec(const QString &sql) { adminQuery(sql); }

QString admin(const QString &sql) { return adminQuery(sql).join(u'\n'); }

} // namespace testmaria
