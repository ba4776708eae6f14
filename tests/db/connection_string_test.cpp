#include "app/app_error.h"
#include "db/connection_string.h"
#include "db/oracle.h"

#include <QtTest>

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

QTEST_APPLESS_MAIN(ConnectionStringTest)
#include "connection_string_test.moc"
