#include "bench_table.h"

#include "db/oracle.h"

#include <QProcess>
#include <cstdio>
#include <cstdlib>

QString env(const char *name) { return qEnvironmentVariable(name); }

QString scottConnectionString()
{
    return buildConnectionString(env("TABVALE_PG_DSN"), QStringLiteral("scott"), QStringLiteral("tiger"));
}

QStringList psqlArguments()
{
    return {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"),
            QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), env("TABVALE_PG_SOCKDIR"),
            QStringLiteral("-p"), env("TABVALE_PG_PORT"), QStringLiteral("-U"), QStringLiteral("postgres"),
            QStringLiteral("-d"), QStringLiteral("postgres")};
}

QString psql(const QString &sql)
{
    QProcess process;
    process.start(QStringLiteral("psql"), psqlArguments() << QStringLiteral("-c") << sql);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "psql failed: %s\n", process.readAllStandardError().constData());
        std::exit(2);
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

bool tableExists(const QString &name)
{
    return psql(QStringLiteral("select count(*) from pg_tables where schemaname = 'scott' and tablename = '%1'")
                    .arg(name))
           == QLatin1String("1");
}

void announceMaking(const QString &name, qint64 rows)
{
    std::printf("creating scott.%s with %lld rows ...\n", qPrintable(name), rows);
    std::fflush(stdout);
}

void ensureTable(const QString &name, qint64 rows)
{
    if (tableExists(name) && psql(QStringLiteral("select count(*) from scott.%1").arg(name)).toLongLong() == rows)
        return;
    announceMaking(name, rows);
    psql(QStringLiteral("DROP TABLE IF EXISTS scott.%1; CREATE TABLE scott.%1 (id integer PRIMARY KEY, "
                        "quantity integer, price numeric(12,2), customer varchar(30), city varchar(30), "
                        "created timestamp, shipped timestamp, note text); ALTER TABLE scott.%1 OWNER TO scott;")
             .arg(name));
    psql(QStringLiteral("INSERT INTO scott.%1 SELECT g, (g::bigint * 7919) % 100000, round((g * 37 % 1000000) / 7.0, 2), "
                        "'Customer ' || (g * 31 % 99991), 'City ' || substr(md5(g::text), 1, 9), "
                        "timestamp '2020-01-01' + g * interval '1 second 1 microsecond', "
                        "timestamp '2020-06-01' + g * interval '90 seconds', "
                        "'note ' || md5((g * 3)::text) || ' ok' FROM generate_series(1, %2) g; ANALYZE scott.%1;")
             .arg(name)
             .arg(rows));
}

void ensurePrefixTable(const QString &name, qint64 rows)
{
    if (tableExists(name) && psql(QStringLiteral("select count(*) from scott.%1").arg(name)).toLongLong() == rows)
        return;
    announceMaking(name, rows);
    psql(QStringLiteral("DROP TABLE IF EXISTS scott.%1; CREATE TABLE scott.%1 (id integer PRIMARY KEY, "
                        "quantity integer, price numeric(12,2), customer varchar(30), city varchar(30), "
                        "created timestamp, shipped timestamp, note text, code varchar(10), invoice varchar(20), "
                        "email varchar(60), path varchar(80)); ALTER TABLE scott.%1 OWNER TO scott;")
             .arg(name));
    psql(QStringLiteral(
             "INSERT INTO scott.%1 SELECT g, (g::bigint * 7919) % 100000, round((g * 37 % 1000000) / 7.0, 2), "
             "'Customer ' || (g * 31 % 99991), 'City ' || substr(md5(g::text), 1, 9), "
             "timestamp '2020-01-01' + g * interval '1 second 1 microsecond', "
             "timestamp '2020-06-01' + g * interval '90 seconds', "
             "'note ' || md5((g * 3)::text) || ' ok', "
             "'AC-' || (1 + (g::bigint * 7907) % 9972), "
             "'INV-2026-' || lpad(((g::bigint * 7919) % 1000000)::text, 6, '0'), "
             "(array['anna','bernd','carla','dieter','eva','frank','greta','hans'])[1 + g % 8] || '.' || "
             "(array['meier','muller','schmidt','schneider','fischer','weber','wagner','becker','hoffmann','koch'])"
             "[1 + (g / 8) % 10] || (g % 997) || '@' || "
             "(array['example.com','mail.example.org','tabvale.test'])[1 + (g / 80) % 3], "
             "'/srv/projects/tabvale/data/2026/' || lpad((1 + g % 12)::text, 2, '0') || '/report-' || "
             "lpad(((g::bigint * 13) % 10000000)::text, 7, '0') || '.pdf' "
             "FROM generate_series(1, %2) g; ANALYZE scott.%1;")
             .arg(name)
             .arg(rows));
}
