#pragma once

#include <QString>
#include <QStringList>
#include <QTest>

// The private MariaDB server that scripts/test starts (scripts/lib/services/
// mariadb.sh), its fixture logins, and root access over the server's socket
// for setting up and checking what the program did.
namespace testmaria {

struct Login {
    QString user;
    QString password;
};
// Owns the fixture's tables: blanks, quotes, reserved words, non-Latin text.
inline const Login scott{QStringLiteral("scott"), QStringLiteral("tiger")};
// A password with a ";", a double quote and a blank.
inline const Login odd{QStringLiteral("odd"), QStringLiteral("pa;ss \"word")};

// Empty when the server's environment is there, else what is missing.
QString missingEnvironment();

QString dsn();
// The same server through a data source that sets an option flag of its own:
// several statements in one.
QString multiStatementDsn();
// The database the data source opens, which holds the logins' tables.
QString database();

// The connection string the program would build for a login on the server.
QString connectionString(const Login &login);

// Runs SQL as root in the data source's database, in MariaDB's own quoting
// (backticks; no ANSI_QUOTES); returns the rows, fields separated by "|",
// NULL as "NULL". Throws std::runtime_error with the client's message.
QStringList adminQuery(const QString &sql);
void adminExec(const QString &sql);
// adminQuery's rows joined by line breaks.
QString admin(const QString &sql);

} // namespace testmaria

// Skips the test when the server's environment is missing, or fails it when
// the run demands every service (TABVALE_REQUIRE_SERVICES=1).
#define TABVALE_REQUIRE_MARIADB()                                                                     \
    do {                                                                                              \
        const QString missing_ = testmaria::missingEnvironment();                                     \
        if (!missing_.isEmpty()) {                                                                    \
            if (qEnvironmentVariable("TABVALE_REQUIRE_SERVICES") == QLatin1String("1"))               \
                QFAIL(qPrintable(QStringLiteral("MariaDB is required: ") + missing_));                \
            QSKIP(qPrintable(QStringLiteral("MariaDB is not running: ") + missing_));                 \
        }                                                                                             \
    } while (false)
