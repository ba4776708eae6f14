#include "db/database_error.h"
#include "db/oracle.h"
#include "support/mariadb.h"
#include "support/postgres.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The table list on databases that have no user_tables of their own: the
// catalogue query "select table_name from user_tables" runs first, wherever
// a user_tables exists, and only a missing one lets the database's own
// catalogue answer.
namespace {

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

// Puts PostgreSQL's user_tables back as the fixture made it, whatever the
// test did to it.
class PostgresViewRestorer {
public:
    ~PostgresViewRestorer()
    {
        testpg::adminExec(QStringLiteral(
            "CREATE OR REPLACE VIEW public.user_tables AS SELECT c.relname::varchar(128) AS table_name "
            "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace WHERE c.relkind IN ('r', 'p') "
            "AND pg_get_userbyid(c.relowner) = current_user AND n.nspname NOT IN ('pg_catalog', 'information_schema') "
            "AND n.nspname !~ '^pg_toast'; GRANT SELECT ON public.user_tables TO PUBLIC;"));
    }
};

bool runSqlite(const QString &file, const QString &sql)
{
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {file, sql});
    return sqlite.waitForFinished(30000) && sqlite.exitCode() == 0;
}

} // namespace

class TableListWithoutViewTest : public QObject {
    Q_OBJECT
private slots:
    void postgresListsTheSameTablesWithoutTheView()
    {
        TABVALE_REQUIRE_POSTGRES();
        const LoginValues scott{testpg::dsn(), testpg::scott.user, testpg::scott.password};
        const QStringList withView = tableNames(scott);
        QVERIFY(withView.contains(QStringLiteral("say \"hi\"")));

        PostgresViewRestorer restorer;
        testpg::adminExec(QStringLiteral("DROP VIEW public.user_tables"));
        const QStringList withoutView = tableNames(scott);
        QCOMPARE(sorted(withoutView), sorted(withView));
        QVERIFY(!withoutView.contains(QStringLiteral("emp_names")));
        QCOMPARE(tableNames({testpg::dsn(), testpg::odd.user, testpg::odd.password}), QStringList({"secrets"}));
        QCOMPARE(tableNames({testpg::dsn(), testpg::empty.user, testpg::empty.password}), QStringList());

        // A user_tables of the login's own is what the list shows.
        testpg::queryAs(QStringLiteral("scott"),
                        QStringLiteral("CREATE VIEW scott.user_tables AS SELECT 'from the view'::text AS table_name"));
        QCOMPARE(tableNames(scott), QStringList({"from the view"}));
        testpg::adminExec(QStringLiteral("DROP VIEW scott.user_tables"));
    }

    void mariaDbListsTheDatabasesBaseTables()
    {
        TABVALE_REQUIRE_MARIADB();
        const LoginValues scott{testmaria::dsn(), testmaria::scott.user, testmaria::scott.password};
        testmaria::adminExec(QStringLiteral("DROP VIEW IF EXISTS user_tables"));
        const QStringList names = tableNames(scott);
        for (const char *fixture : {"Invoices 2026", "Order Lines", "say \"hi\"", "it's"})
            QVERIFY2(names.contains(QLatin1String(fixture)), fixture);
        // Views and the tables of other databases are not the login's.
        QVERIFY(!names.contains(QStringLiteral("invoice_names")));
        QVERIFY(!names.contains(QStringLiteral("not_mine")));
        QStringList baseTables = testmaria::adminQuery(QStringLiteral("SHOW FULL TABLES WHERE Table_type = 'BASE TABLE'"));
        for (QString &row : baseTables)
            row = row.section(u'|', 0, 0);
        QCOMPARE(sorted(names), sorted(baseTables));

        // Where a site made a user_tables, it answers.
        testmaria::adminExec(QStringLiteral("CREATE VIEW user_tables AS SELECT 'Order Lines' AS table_name"));
        const QStringList fromView = tableNames(scott);
        // A user_tables that exists but fails is reported, not passed over.
        testmaria::adminExec(QStringLiteral("CREATE TABLE gone (x INT); "
                                            "CREATE OR REPLACE VIEW user_tables AS SELECT 'x' AS table_name FROM gone; "
                                            "DROP TABLE gone;"));
        QString failure;
        try {
            tableNames(scott);
        } catch (const DatabaseError &error) {
            failure = error.description();
        }
        testmaria::adminExec(QStringLiteral("DROP VIEW user_tables"));
        QCOMPARE(fromView, QStringList({"Order Lines"}));
        QVERIFY2(failure.contains(QStringLiteral("invalid table")), qPrintable(failure));
    }

    void sqliteListsItsTablesWithoutItsOwn()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("list.db"));
        QVERIFY(runSqlite(file, QStringLiteral("CREATE TABLE \"Order Details\" (id INTEGER PRIMARY KEY AUTOINCREMENT);"
                                               "CREATE TABLE sqlitely (x); CREATE VIEW names AS SELECT 1;"
                                               "CREATE INDEX ix ON sqlitely (x); INSERT INTO \"Order Details\" "
                                               "DEFAULT VALUES;")));
        // The SQLite data source joins whatever data sources the run has.
        QByteArray ini;
        if (const QString existing = qEnvironmentVariable("ODBCINI"); !existing.isEmpty()) {
            QFile current(existing);
            if (current.open(QIODevice::ReadOnly))
                ini = current.readAll() + '\n';
        }
        ini += QStringLiteral("[list_sqlite]\nDriver = /usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\nDatabase = %1\n")
                   .arg(file)
                   .toUtf8();
        QFile iniFile(dir.filePath(QStringLiteral("odbc.ini")));
        QVERIFY(iniFile.open(QIODevice::WriteOnly));
        iniFile.write(ini);
        iniFile.close();
        const QByteArray previous = qgetenv("ODBCINI");
        qputenv("ODBCINI", iniFile.fileName().toLocal8Bit());
        const LoginValues login{QStringLiteral("list_sqlite"), {}, {}};
        const QStringList names = tableNames(login);
        QVERIFY(runSqlite(file, QStringLiteral("CREATE VIEW user_tables AS SELECT 'sqlitely' AS table_name;")));
        const QStringList fromView = tableNames(login);
        qputenv("ODBCINI", previous);

        // Not sqlite_sequence, which AUTOINCREMENT made, nor the view.
        QCOMPARE(names, QStringList({"Order Details", "sqlitely"}));
        QCOMPARE(fromView, QStringList({"sqlitely"}));
    }
};

QTEST_GUILESS_MAIN(TableListWithoutViewTest)
#include "table_list_without_view_test.moc"
