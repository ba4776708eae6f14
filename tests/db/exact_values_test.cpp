#include "db/connection.h"
#include "db/connection_handles.h"
#include "db/dialect.h"
#include "db/snapshot_sql.h"
#include "db/table_snapshot.h"
#include "editor/row_order.h"
#include "support/snapshot_checks.h"
#include "support/postgres.h"
#include "support/wizard_driver.h"

#include <QtTest>

// A row is written only while it holds exactly what was read: values the
// database tells apart count as different even where the column's "=" does
// not, and every value arrives as the database writes it, so that it can be
// found again. Against the private PostgreSQL.
namespace {

using db::TableSnapshot;

const QString login = QStringLiteral("exact_t");

QString admin(const QString &sql) { return testpg::adminQuery(sql).join(u'\n'); }

// A table of the test's login, made afresh.
void createTable(const QString &name, const QString &columns, const QString &rows = {})
{
    QString sql = QStringLiteral("SET ROLE %1; DROP TABLE IF EXISTS %1.%2; CREATE TABLE %1.%2 (%3);")
                      .arg(login, name, columns);
    if (!rows.isEmpty())
        sql += QStringLiteral("INSERT INTO %1.%2 VALUES %3;").arg(login, name, rows);
    testpg::adminExec(sql + QStringLiteral(" RESET ROLE;"));
}

QString conflictOf(TableSnapshot &snapshot, qint64 row, const TableSnapshot::Changes &changes)
{
    try {
        snapshot.writeRow(row, changes);
    } catch (const db::RowConflictError &conflict) {
        return conflict.description();
    }
    return QStringLiteral("<written>");
}

const QString changedOrDeleted = db::RowConflictError::changedOrDeletedText.toString();

} // namespace

class ExactValuesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        user_ = createScratchLogin(login);
        // A time zone that repeats an hour each autumn, for the login's sessions.
        testpg::adminExec(QStringLiteral("ALTER ROLE %1 SET timezone = 'Europe/Berlin';"
                                         "CREATE EXTENSION IF NOT EXISTS citext SCHEMA public;")
                              .arg(login));
    }
    void cleanupTestCase()
    {
        if (testpg::missingEnvironment().isEmpty())
            dropScratchLogin(login);
    }

    // Empty text and NULL are two values; another session's change from one
    // to the other is a change like any other.
    void emptyTextAndNullAreTwoValues_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("'' became NULL") << "''" << "NULL";
        QTest::newRow("NULL became ''") << "NULL" << "''";
    }
    void emptyTextAndNullAreTwoValues()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        // Without a key every value identifies the row; with one, the changed column must still hold its value.
        for (const QString &key : {QStringLiteral("id integer PRIMARY KEY, "), QString()}) {
            createTable(QStringLiteral("blank"), key + QStringLiteral("s text, t text"),
                        QStringLiteral("(%1'x', %2)").arg(key.isEmpty() ? QString() : QStringLiteral("1, "), before));
            const auto snapshot = open(QStringLiteral("blank"));
            testpg::adminExec(QStringLiteral("UPDATE exact_t.blank SET t = %1").arg(after));
            const int t = snapshot->columnCount() - 1;
            const int s = t - 1;
            QCOMPARE(conflictOf(*snapshot, 0, {{key.isEmpty() ? s : t, QStringLiteral("mine")}}), changedOrDeleted);
            QCOMPARE(admin(QStringLiteral("SELECT s, t IS NULL FROM exact_t.blank")),
                     QStringLiteral("x|%1").arg(after == QLatin1String("NULL") ? "t" : "f"));
        }
    }

    // Where the database keeps '' as NULL (Oracle), the two are one cell.
    void emptyTextIsNullWhereTheDialectSaysSo()
    {
        testpg::adminExec(QStringLiteral("DROP VIEW IF EXISTS %1.blank_view").arg(login));
        createTable(QStringLiteral("blank"), QStringLiteral("s text, t text"), QStringLiteral("('x', '')"));
        // Read through a view, which has no row addresses: the row is found
        // by its values alone, unmoved by the update below.
        testpg::adminExec(
            QStringLiteral("SET ROLE %1; CREATE VIEW %1.blank_view AS SELECT * FROM %1.blank; RESET ROLE;").arg(login));
        auto connection = std::make_unique<db::Connection>();
        connection->open(testpg::connectionString(user_));
        db::Connection &kept = *connection;
        const auto snapshot = TableSnapshot::open(std::move(connection), QStringLiteral("blank_view"));
        kept.handles().dialect = db::makeOracleDialect();
        testpg::adminExec(QStringLiteral("UPDATE exact_t.blank SET t = NULL"));
        snapshot->writeRow(0, {{0, QStringLiteral("y")}});
        QCOMPARE(admin(QStringLiteral("SELECT s, t IS NULL FROM exact_t.blank")), QStringLiteral("y|t"));
    }

    // A change of letter case only is a change, though "=" ignores case.
    void caseBlindColumnsCompareExactly_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("keyed");
        QTest::newRow("citext, keyed") << "citext" << true;
        QTest::newRow("citext, keyless") << "citext" << false;
        QTest::newRow("case-blind collation") << "text COLLATE exact_t.blind" << true;
        QTest::newRow("interval: 1 day = 24 hours") << "interval" << true;
    }
    void caseBlindColumnsCompareExactly()
    {
        QFETCH(QString, type);
        QFETCH(bool, keyed);
        testpg::adminExec(QStringLiteral("DROP TABLE IF EXISTS exact_t.blind; DROP COLLATION IF EXISTS exact_t.blind; "
                                         "CREATE COLLATION exact_t.blind (provider = icu, "
                                         "locale = 'und-u-ks-level2', deterministic = false);"));
        const bool interval = type == QLatin1String("interval");
        const QString original = interval ? QStringLiteral("1 day") : QStringLiteral("Smith");
        const QString changed = interval ? QStringLiteral("24:00:00") : QStringLiteral("SMITH");
        const QString mine = interval ? QStringLiteral("2 days") : QStringLiteral("Jones");
        QCOMPARE(admin(QStringLiteral("SELECT '%1'::%3 = '%2'").arg(original, changed, type)), QStringLiteral("t"));
        createTable(QStringLiteral("blind"),
                    (keyed ? QStringLiteral("id integer PRIMARY KEY, ") : QString()) + QStringLiteral("v %1, n integer").arg(type),
                    QStringLiteral("(%1'%2', 1)").arg(keyed ? QStringLiteral("1, ") : QString(), original));
        const auto snapshot = open(QStringLiteral("blind"));
        const int v = keyed ? 1 : 0;
        // Unchanged, the row is found and written, several times over.
        snapshot->writeRow(0, {{v + 1, QStringLiteral("2")}});
        snapshot->writeRow(0, {{v, original}, {v + 1, QStringLiteral("3")}});
        QCOMPARE(admin(QStringLiteral("SELECT v::text, n FROM exact_t.blind")), original + QStringLiteral("|3"));

        testpg::adminExec(QStringLiteral("UPDATE exact_t.blind SET v = '%1'").arg(changed));
        QCOMPARE(conflictOf(*snapshot, 0, {{v, mine}}), changedOrDeleted);
        QCOMPARE(admin(QStringLiteral("SELECT v::text, n FROM exact_t.blind")), changed + QStringLiteral("|3"));
    }

    // Dates and timestamps beyond what the driver can hold arrive as the
    // database writes them, and rows holding them can be edited, keyed or not.
    void datesBeyondTheDriversRangeArriveAsWritten_data()
    {
        QTest::addColumn<bool>("keyed");
        QTest::newRow("keyed") << true;
        QTest::newRow("keyless") << false;
    }
    void datesBeyondTheDriversRangeArriveAsWritten()
    {
        QFETCH(bool, keyed);
        createTable(QStringLiteral("eras"),
                    QStringLiteral("id integer%1, d date, ts timestamp, tz timestamptz, note text")
                        .arg(keyed ? QStringLiteral(" PRIMARY KEY") : QString()),
                    QStringLiteral("(1, '4713-01-01 BC', '-infinity', 'infinity', 'a'), "
                                   "(2, 'infinity', '0044-03-15 12:00:00 BC', '-infinity', 'b'), "
                                   "(3, '-infinity', 'infinity', '0001-01-01 00:00:00+00 BC', 'c'), "
                                   "(4, '5874897-12-31', '294276-12-31 23:59:59.999999', "
                                   "'2024-07-01 12:00:00.25+02', 'd')"));
        const auto snapshot = open(QStringLiteral("eras"));
        QCOMPARE(rowTexts(*snapshot, 0), QStringList({"1", "4713-01-01 BC", "-infinity", "infinity", "a"}));
        QCOMPARE(rowTexts(*snapshot, 1),
                 QStringList({"2", "infinity", "0044-03-15 12:00:00 BC", "-infinity", "b"}));
        // Before 1893 Berlin kept its local mean time, offset by seconds too.
        QCOMPARE(rowTexts(*snapshot, 2), QStringList({"3", "-infinity", "infinity", "0001-01-01 00:53:28+00:53:28 BC", "c"}));
        QCOMPARE(rowTexts(*snapshot, 3), QStringList({"4", "5874897-12-31", "294276-12-31 23:59:59.999999",
                                                      "2024-07-01 12:00:00.25+02", "d"}));

        // Another column of each row, then the values themselves: each found as it is.
        for (qint64 row = 0; row < 4; ++row)
            snapshot->writeRow(row, {{4, QStringLiteral("edited %1").arg(row)}});
        snapshot->writeRow(0, {{1, QStringLiteral("0044-03-15 BC")}, {2, QStringLiteral("infinity")}});
        snapshot->writeRow(1, {{3, QStringLiteral("2026-10-25 02:30:00+01")}});
        snapshot->writeRow(1, {{3, QStringLiteral("infinity")}, {1, QStringLiteral("-infinity")}});
        QCOMPARE(admin(QStringLiteral("SELECT id, d, ts, tz, note FROM exact_t.eras ORDER BY id")),
                 QStringLiteral("1|0044-03-15 BC|infinity|infinity|edited 0\n"
                                "2|-infinity|0044-03-15 12:00:00 BC|infinity|edited 1\n"
                                "3|-infinity|infinity|0001-01-01 00:00:00+00 BC|edited 2\n"
                                "4|5874897-12-31|294276-12-31 23:59:59.999999|2024-07-01 10:00:00.25+00|edited 3"));
        QCOMPARE(rowTexts(*snapshot, 0), QStringList({"1", "0044-03-15 BC", "infinity", "infinity", "edited 0"}));

        // A change to BC of an otherwise equal date is a change.
        testpg::adminExec(QStringLiteral("UPDATE exact_t.eras SET d = '0044-03-15' WHERE id = 1"));
        QCOMPARE(conflictOf(*snapshot, 0, {{1, QStringLiteral("0045-01-01 BC")}}), changedOrDeleted);
        QCOMPARE(admin(QStringLiteral("SELECT d FROM exact_t.eras WHERE id = 1")), QStringLiteral("0044-03-15"));

        // Read again, a new row and a deleted one go by the same texts.
        snapshot->insertRows({{4, {{0, QStringLiteral("5")}, {1, QStringLiteral("0100-02-03 BC")}}}});
        QCOMPARE(rowTexts(*snapshot, 4).mid(0, 2), QStringList({"5", "0100-02-03 BC"}));
        snapshot->deleteRows({1});
        QCOMPARE(admin(QStringLiteral("SELECT string_agg(id::text, ',' ORDER BY id) FROM exact_t.eras")),
                 QStringLiteral("1,3,4,5"));
    }

    // In the hour an autumn night repeats, two instants read alike but for
    // their offset; each is found as itself.
    void theRepeatedHourKeepsItsOffset()
    {
        createTable(QStringLiteral("autumn"), QStringLiteral("at timestamptz, note text"),
                    QStringLiteral("('2026-10-25 02:30:00+02', 'first'), ('2026-10-25 02:30:00+01', 'second')"));
        const auto snapshot = open(QStringLiteral("autumn"));
        QCOMPARE(rowTexts(*snapshot, 0), QStringList({"2026-10-25 02:30:00+02", "first"}));
        QCOMPARE(rowTexts(*snapshot, 1), QStringList({"2026-10-25 02:30:00+01", "second"}));
        snapshot->writeRow(1, {{1, QStringLiteral("edited")}});
        snapshot->writeRow(1, {{0, QStringLiteral("2026-10-25 02:45:00+01")}});
        snapshot->writeRow(0, {{0, QStringLiteral("2026-10-25 02:45:00+02")}, {1, QStringLiteral("also")}});
        QCOMPARE(admin(QStringLiteral("SET timezone = 'UTC'; SELECT at, note FROM exact_t.autumn ORDER BY at")),
                 QStringLiteral("2026-10-25 00:45:00+00|also\n2026-10-25 01:45:00+00|edited"));
        QCOMPARE(rowTexts(*snapshot, 1), QStringList({"2026-10-25 02:45:00+01", "edited"}));
    }

    // Types without an "=" of their own (json, xml, point) or with one that
    // holds for different values (box: the same area) are compared by text.
    void typesWithoutUsableEqualityCompareByText()
    {
        createTable(QStringLiteral("shapes"), QStringLiteral("j json, x xml, p point, b box, n integer"),
                    QStringLiteral("('{\"a\": [1, 2]}', '<a>x</a>', '(1.5,2)', '(2,2),(0,0)', 1), "
                                   "('{\"a\": 1}', '<b/>', '(0,0)', '(1,1),(0,0)', 2)"));
        const auto snapshot = open(QStringLiteral("shapes"));
        QCOMPARE(rowTexts(*snapshot, 0), QStringList({"{\"a\": [1, 2]}", "<a>x</a>", "(1.5,2)", "(2,2),(0,0)", "1"}));
        snapshot->writeRow(0, {{4, QStringLiteral("10")}});
        snapshot->writeRow(0, {{0, QStringLiteral("{\"b\": true}")}, {1, QStringLiteral("<c/>")}});
        snapshot->writeRow(0, {{0, QStringLiteral("[]")}, {2, QStringLiteral("(3,4)")}});
        QCOMPARE(admin(QStringLiteral("SELECT j::text, x::text, p::text, n FROM exact_t.shapes WHERE n = 10")),
                 QStringLiteral("[]|<c/>|(3,4)|10"));

        // Another box of the same area is another value.
        testpg::adminExec(QStringLiteral("UPDATE exact_t.shapes SET b = '(0.5,2),(0,0)' WHERE n = 2"));
        QCOMPARE(conflictOf(*snapshot, 1, {{4, QStringLiteral("20")}}), changedOrDeleted);

        // Keyed: the column can be set over and over, and put back.
        createTable(QStringLiteral("docs"), QStringLiteral("id integer PRIMARY KEY, j json, x xml"),
                    QStringLiteral("(1, NULL, NULL)"));
        const auto docs = open(QStringLiteral("docs"));
        for (const QString &value : {QStringLiteral("{\"v\": 1}"), QStringLiteral("{\"v\": 2}")})
            docs->writeRow(0, {{1, value}, {2, QStringLiteral("<v>%1</v>").arg(value.size())}});
        docs->writeRow(0, {{1, std::nullopt}, {2, std::nullopt}});
        QCOMPARE(admin(QStringLiteral("SELECT j IS NULL AND x IS NULL FROM exact_t.docs")), QStringLiteral("t"));
        docs->writeRow(0, {{1, QStringLiteral("{\"v\": 3}")}});
        testpg::adminExec(QStringLiteral("UPDATE exact_t.docs SET j = '{\"v\":3}'"));
        QCOMPARE(conflictOf(*docs, 0, {{1, QStringLiteral("{}")}}), changedOrDeleted);
    }

    // A table without such columns is read by the one plain query, as ever;
    // with them, every column is named and those read as text.
    void onlyColumnsTheDriverReshapesAreReadAsText()
    {
        createTable(QStringLiteral("mixed"), QStringLiteral("id integer PRIMARY KEY, \"Day \"\"x\"\"\" date, t text"));
        const auto snapshot = open(QStringLiteral("mixed"));
        std::vector<db::ColumnInfo> columns;
        for (int c = 0; c < snapshot->columnCount(); ++c)
            columns.push_back(snapshot->column(c));
        QCOMPARE(db::selectFrom(QStringLiteral("mixed"), columns),
                 QStringLiteral("SELECT \"id\", \"Day \"\"x\"\"\"::text AS \"Day \"\"x\"\"\", \"t\" FROM \"mixed\""));
        columns.erase(columns.begin() + 1);
        QCOMPARE(db::selectFrom(QStringLiteral("mixed"), columns), QStringLiteral("SELECT * FROM \"mixed\""));
    }

    // Sorted, eras and infinities fall where time puts them: -infinity
    // first, BC before AD, infinity last; instants by their offsets.
    void timesSortInTimeOrder()
    {
        createTable(QStringLiteral("sorting"), QStringLiteral("n integer, d date, tz timestamptz"),
                    QStringLiteral("(1, '2024-01-01', '2026-10-25 02:30:00+01'), (2, 'infinity', '1800-01-01 00:00:00+00'), "
                                   "(3, '0002-01-01 BC', 'infinity'), (4, '-infinity', '2026-10-25 02:45:00+02'), "
                                   "(5, '0001-01-01', '-infinity'), (6, '0001-01-01 BC', '0100-01-01 00:00:00+00 BC')"));
        const auto snapshot = open(QStringLiteral("sorting"));
        const auto sortedBy = [&](int column) {
            RowOrder order;
            order.sort(*snapshot, column, Qt::AscendingOrder);
            QString numbers;
            for (qint64 row = 0; row < snapshot->rowCount(); ++row)
                numbers += snapshot->text(order.tableRow(row), 0);
            return numbers;
        };
        QCOMPARE(sortedBy(1), QStringLiteral("436512"));
        QCOMPARE(sortedBy(2), QStringLiteral("562413"));
    }

private:
    std::unique_ptr<TableSnapshot> open(const QString &table)
    {
        auto connection = std::make_unique<db::Connection>();
        connection->open(testpg::connectionString(user_));
        return TableSnapshot::open(std::move(connection), table);
    }
    testpg::Login user_;
};

QTEST_GUILESS_MAIN(ExactValuesTest)
#include "exact_values_test.moc"
