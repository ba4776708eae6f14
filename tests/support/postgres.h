#pragma once

#include <QString>
#include <QStringList>
#include <QTest>

// The private PostgreSQL server that scripts/test starts (scripts/lib/services/
// postgres.sh), its fixture logins, and superuser access for setting up and
// checking what the program did.
namespace testpg {

struct Login {
    QString user;
    QString password;
};
// Owns tables named with mixed case, blanks, a dot, a quote and non-Latin letters.
inline const Login scott{QStringLiteral("scott"), QStringLiteral("tiger")};
// A password with a ";", a double quote and a blank; owns the table "secrets".
inline const Login odd{QStringLiteral("odd"), QStringLiteral("pa;ss \"word")};
// Owns no tables.
inline const Login empty{QStringLiteral("empty"), QStringLiteral("nothing")};

// Empty when the server's environment is there, else what is missing.
QString missingEnvironment();

QString dsn();
// A data source naming a loopback port where nothing answers unless a test
// listens there.
QString silentDsn();
quint16 silentPort();
// The same server through a data source whose own connection settings make
// values lossy as text: floats cut to 15 digits, dates in the SQL style.
QString lossyDsn();

// The connection string the program would build for a login on the server.
QString connectionString(const Login &login);

// Runs SQL as the superuser; returns the rows, fields separated by "|".
// Throws std::runtime_error with psql's message when it fails.
QStringList adminQuery(const QString &sql);
void adminExec(const QString &sql);
// Runs SQL as the given role (SET ROLE) and returns the rows as adminQuery does.
QStringList queryAs(const QString &role, const QString &sql);

// Stop and start the server, for tests of a lost database. Both wait until
// done and return whether it worked.
bool stopServer();
bool startServer();

// Starts the server again when it goes out of scope, should a test fail
// while the server is down.
class ServerRestarter {
public:
    ServerRestarter() = default;
    ~ServerRestarter();
    ServerRestarter(const ServerRestarter &) = delete;
    ServerRestarter &operator=(const ServerRestarter &) = delete;
};

} // namespace testpg

// Skips the test when the server's environment is missing, or fails it when
// the run demands every service (TABVALE_REQUIRE_SERVICES=1).
#define TABVALE_REQUIRE_POSTGRES()                                                                    \
    do {                                                                                              \
        const QString missing_ = testpg::missingEnvironment();                                        \
        if (!missing_.isEmpty()) {                                                                    \
            if (qEnvironmentVariable("TABVALE_REQUIRE_SERVICES") == QLatin1String("1"))               \
                QFAIL(qPrintable(QStringLiteral("PostgreSQL is required: ") + missing_));             \
            QSKIP(qPrintable(QStringLiteral("PostgreSQL is not running: ") + missing_));             \
        }                                                                                             \
    } while (false)
