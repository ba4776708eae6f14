#include "app/app_error.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/oracle.h"
#include "support/postgres.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

// Characters the string's rules give a meaning to, blanks the parser trims,
// and ordinary letters, some outside the BMP, so that random values hit
// every rule at either end and in the middle.
const QString awkwardCharacters = QStringLiteral("=;\"'{}  \t\nab=Z\u00e9\u6771\u00a0") + QStringLiteral("\U0001F600");

QString randomValue(QRandomGenerator &random)
{
    QString value;
    const int length = random.bounded(0, 12);
    for (int i = 0; i < length; ++i) {
        const int at = random.bounded(0, int(awkwardCharacters.size()));
        // The last two code units are one character: never split it.
        if (at >= awkwardCharacters.size() - 2)
            value += QStringLiteral("\U0001F600");
        else
            value += awkwardCharacters.at(at);
    }
    return value;
}

} // namespace

class ConnectionStringTest : public QObject {
    Q_OBJECT
private slots:
    void ordinaryValuesStandAsTyped_data()
    {
        QTest::addColumn<QString>("sid");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "ORCL" << "scott" << "tiger"
                               << "Provider=OraOLEDB.Oracle;Data Source=ORCL;User Id=scott;Password=tiger;";
        QTest::newRow("empty login") << "ORCL" << "" << ""
                                     << "Provider=OraOLEDB.Oracle;Data Source=ORCL;User Id=;Password=;";
        QTest::newRow("all empty") << "" << "" << ""
                                   << "Provider=OraOLEDB.Oracle;Data Source=;User Id=;Password=;";
        // "=" and inner blanks and quotes do not disturb the string's rules.
        QTest::newRow("inner specials") << "db.example" << "a b" << "x=y\"z'"
                                        << "Provider=OraOLEDB.Oracle;Data Source=db.example;User Id=a b;"
                                           "Password=x=y\"z';";
        QTest::newRow("non-Latin") << "БАЗА" << "ユーザー" << "pässwörd"
                                   << "Provider=OraOLEDB.Oracle;Data Source=БАЗА;User Id=ユーザー;Password=pässwörd;";
    }
    void ordinaryValuesStandAsTyped()
    {
        QFETCH(QString, sid);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, expected);
        QCOMPARE(buildConnectionString(sid, user, password), expected);
    }

    void valuesTheRulesWouldCutOrTrimAreQuoted_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("expectedPart");
        QTest::newRow("semicolon, quote and blank") << "pa;ss \"word" << "Password=\"pa;ss \"\"word\";";
        QTest::newRow("leading blank") << " tiger" << "Password=\" tiger\";";
        QTest::newRow("trailing blank") << "tiger " << "Password=\"tiger \";";
        QTest::newRow("only blanks") << "   " << "Password=\"   \";";
        QTest::newRow("leading double quote") << "\"tiger" << "Password=\"\"\"tiger\";";
        QTest::newRow("leading single quote") << "'tiger'" << "Password=\"'tiger'\";";
        QTest::newRow("trailing tab") << "tiger\t" << "Password=\"tiger\t\";";
        // Bare, a leading "=" would be read as a literal "=" of the key.
        QTest::newRow("leading equals") << "=secret" << "Password=\"=secret\";";
        QTest::newRow("only equals") << "==" << "Password=\"==\";";
        QTest::newRow("braces") << "{x}" << "Password=\"{x}\";";
        QTest::newRow("closing brace inside") << "x}y" << "Password=\"x}y\";";
    }
    void valuesTheRulesWouldCutOrTrimAreQuoted()
    {
        QFETCH(QString, password);
        QFETCH(QString, expectedPart);
        const QString built = buildConnectionString(QStringLiteral("ORCL"), QStringLiteral("scott"), password);
        QCOMPARE(built, QStringLiteral("Provider=OraOLEDB.Oracle;Data Source=ORCL;User Id=scott;") + expectedPart);
    }

    void everyValueSurvivesTheRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        for (const QString &value :
             {QString(), QStringLiteral("tiger"), QStringLiteral("pa;ss \"word"), QStringLiteral(" lead"),
              QStringLiteral("trail "), QStringLiteral("\"quoted\""), QStringLiteral("'single'"),
              QStringLiteral("a=b"), QStringLiteral("a==b"), QStringLiteral(";"), QStringLiteral("\""),
              QStringLiteral("''"), QStringLiteral("{braced}"), QStringLiteral("x}y"), QStringLiteral("日本;語 "),
              QStringLiteral("\ttab")})
            QTest::newRow(qPrintable(QStringLiteral("[%1]").arg(value))) << value;
    }
    void everyValueSurvivesTheRoundTrip()
    {
        QFETCH(QString, value);
        const db::ConnectionStringParts parts =
            db::parseConnectionString(buildConnectionString(value, value + u'u', u'p' + value));
        QCOMPARE(parts.dataSource, value);
        QCOMPARE(parts.userId, value + u'u');
        QCOMPARE(parts.password, u'p' + value);
    }

    // Whatever the user types comes back from the string exactly: values over
    // the characters the rules care about, at a fixed seed so that a failure
    // can be repeated.
    void randomValuesSurviveTheRoundTrip()
    {
        QRandomGenerator random(20261209);
        for (int round = 0; round < 30000; ++round) {
            const QString sid = randomValue(random);
            const QString user = randomValue(random);
            const QString password = randomValue(random);
            const QString built = buildConnectionString(sid, user, password);
            db::ConnectionStringParts parts;
            try {
                parts = db::parseConnectionString(built);
            } catch (const AppError &error) {
                QFAIL(qPrintable(QStringLiteral("[%1] refused: %2").arg(built, error.description())));
            }
            if (parts.dataSource != sid || parts.userId != user || parts.password != password)
                QFAIL(qPrintable(QStringLiteral("[%1] read back as [%2] [%3] [%4]")
                                     .arg(built, parts.dataSource, parts.userId, parts.password)));
        }
    }

    // psql takes such a password; so must the login.
    void passwordStartingWithEqualsLogsIn()
    {
        TABVALE_REQUIRE_POSTGRES();
        const QString role = QStringLiteral("equals_login");
        const QString password = QStringLiteral("==secret=;");
        const QString dropRole = QStringLiteral("DROP ROLE IF EXISTS %1;").arg(role);
        testpg::adminExec(dropRole + QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2';").arg(role, password));
        const auto dropped = qScopeGuard([&] {
            try {
                testpg::adminExec(dropRole);
            } catch (const std::exception &error) {
                qWarning("%s", error.what());
            }
        });

        db::Connection connection;
        connection.open(buildConnectionString(testpg::dsn(), role, password));
        QCOMPARE(connection.execute(QStringLiteral("select current_user")).fieldText(0), role);
        connection.close();

        // The same password with its leading "=" left out is a wrong one.
        db::Connection wrong;
        QVERIFY_THROWS_EXCEPTION(AppError, wrong.open(buildConnectionString(testpg::dsn(), role, password.mid(1))));
    }

    void parsingFollowsTheConnectionStringRules()
    {
        // Keys without regard to case or blanks around them; last one wins;
        // unquoted values trimmed; single quotes with the quote doubled.
        const db::ConnectionStringParts parts = db::parseConnectionString(
            QStringLiteral(" provider = x ; DATA SOURCE = first ;data source= second ; user id='it''s' ;"
                           "PASSWORD = \"a;b\"  ;;unknown=1"));
        QCOMPARE(parts.dataSource, QStringLiteral("second"));
        QCOMPARE(parts.userId, QStringLiteral("it's"));
        QCOMPARE(parts.password, QStringLiteral("a;b"));

        const db::ConnectionStringParts noTrailing =
            db::parseConnectionString(QStringLiteral("Data Source=ORCL;User Id=u;Password=p"));
        QCOMPARE(noTrailing.password, QStringLiteral("p"));
    }

    void malformedStringsAreRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("unterminated quote") << "Data Source=ORCL;Password=\"tiger;";
        QTest::newRow("text after closing quote") << "Password=\"tiger\"x;";
        QTest::newRow("key without value") << "Data Source;";
    }
    void malformedStringsAreRefused()
    {
        QFETCH(QString, text);
        try {
            db::parseConnectionString(text);
            QFAIL("accepted a malformed string");
        } catch (const AppError &error) {
            QCOMPARE(error.description(),
                     QStringLiteral("The connection string is malformed: a key without a value, an unmatched "
                                    "quote, or text after a closing quote."));
        }
    }
};

QTEST_GUILESS_MAIN(ConnectionStringTest)
#include "connection_string_test.moc"
