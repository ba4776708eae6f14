#include "db/connection.h"
#include "db/table_snapshot.h"
#include "support/snapshot_checks.h"
#include "support/scratch_sql.h"
#include "support/wizard_driver.h"

#include <QtTest>

// Rows of a table without a key told apart by the database's own address
// of each, against PostgreSQL.
namespace {

using db::RowConflictError;
using db::TableSnapshot;

const QString login = QStringLiteral("locator_t");

} // namespace

class RowLocatorTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        user_ = createScratchLogin(login);
        testpg::adminExec(QStringLiteral(
            "SET ROLE locator_t; CREATE TABLE locator_t.twins (label text, n integer, day date); RESET ROLE;"));
    }
    void cleanupTestCase()
    {
        if (testpg::missingEnvironment().isEmpty())
            dropScratchLogin(login);
    }
    void init()
    {
        testpg::adminExec(QStringLiteral("TRUNCATE locator_t.twins; INSERT INTO locator_t.twins VALUES "
                                         "('same', 1, '2024-01-02'), ('same', 1, '2024-01-02'), ('other', 2, NULL);"));
    }

    void oneOfTwoIdenticalRowsIsWrittenAgainAndAgain()
    {
        const auto snapshot = open();
        // The address is nobody's column: not counted, not among the values.
        QCOMPARE(snapshot->columnCount(), 3);
        QCOMPARE(snapshot->rowValues(0).size(), size_t(3));
        QCOMPARE(rowTexts(*snapshot, 1), QStringList({"same", "1", "2024-01-02"}));

        snapshot->writeRow(0, {{1, QStringLiteral("5")}});
        QCOMPARE(inDatabase("SELECT string_agg(label || n, ',' ORDER BY n) FROM locator_t.twins WHERE label = 'same'"),
                 QStringLiteral("same1,same5"));
        // Each update moves the row: the new address was read back, so the
        // same row is found again, also once it equals its twin again.
        snapshot->writeRow(0, {{0, QStringLiteral("changed")}});
        snapshot->writeRow(0, {{0, QStringLiteral("same")}, {1, QStringLiteral("1")}});
        snapshot->writeRow(0, {{1, QStringLiteral("7")}});
        snapshot->writeRow(1, {{0, QStringLiteral("twin")}});
        QCOMPARE(inDatabase("SELECT string_agg(label || n, ',' ORDER BY label) FROM locator_t.twins"),
                 QStringLiteral("other2,same7,twin1"));
        QCOMPARE(rowTexts(*snapshot, 1), QStringList({"twin", "1", "2024-01-02"}));
        QCOMPARE(snapshot->sendRowRead(1).stored->size(), size_t(4));
    }

    void oneOfTwoIdenticalRowsIsDeletedAndPutBack()
    {
        const auto snapshot = open();
        snapshot->deleteRows({1});
        QCOMPARE(inDatabase("SELECT count(*) FROM locator_t.twins WHERE label = 'same'"), QStringLiteral("1"));
        QCOMPARE(snapshot->rowCount(), 2);
        // Put back as undo puts it back, then written and deleted on its own.
        snapshot->insertRows({{1, {{0, QStringLiteral("same")}, {1, QStringLiteral("1")}, {2, QStringLiteral("2024-01-02")}}}});
        QCOMPARE(inDatabase("SELECT count(*) FROM locator_t.twins WHERE label = 'same'"), QStringLiteral("2"));
        QVERIFY(snapshot->isReadBack(1));
        // The row put back has an address of its own: changed alone.
        snapshot->writeRow(1, {{1, QStringLiteral("8")}});
        QCOMPARE(inDatabase("SELECT string_agg(label || n, ',' ORDER BY n) FROM locator_t.twins"),
                 QStringLiteral("same1,other2,same8"));
        snapshot->writeRow(1, {{1, QStringLiteral("1")}});
        snapshot->deleteRows({0});
        QCOMPARE(inDatabase("SELECT count(*) FROM locator_t.twins WHERE label = 'same'"), QStringLiteral("1"));
        QCOMPARE(snapshot->rowCount(), 2);
    }

    void aRowAnotherSessionTouchedIsRefused()
    {
        const auto snapshot = open();
        // Its values as they were, but rewritten: it is not the row read.
        testpg::adminExec(QStringLiteral("UPDATE locator_t.twins SET n = n WHERE ctid = "
                                         "(SELECT min(ctid) FROM locator_t.twins)"));
        const QString refused = errorOf<RowConflictError>([&] { snapshot->writeRow(0, {{1, QStringLiteral("9")}}); });
        QCOMPARE(refused, RowConflictError::changedOrDeletedText.toString());
        QVERIFY(errorOf<RowConflictError>([&] { snapshot->deleteRows({0}); }).contains(
            RowConflictError::changedOrDeletedText.toString()));
        QCOMPARE(inDatabase("SELECT string_agg(label || n, ',' ORDER BY label) FROM locator_t.twins"),
                 QStringLiteral("other2,same1,same1"));
        // Its twin was left alone and is still written.
        snapshot->writeRow(1, {{1, QStringLiteral("9")}});
        QCOMPARE(inDatabase("SELECT string_agg(label || n, ',' ORDER BY n) FROM locator_t.twins"),
                 QStringLiteral("same1,other2,same9"));
        // Read again, the moved row is found at its new address, as the one
        // holding its values at none of the addresses read, and written.
        snapshot->keepFreshRow(snapshot->sendRowRead(0));
        snapshot->writeRow(0, {{1, QStringLiteral("4")}});
        QCOMPARE(inDatabase("SELECT string_agg(label || n, ',' ORDER BY n) FROM locator_t.twins"),
                 QStringLiteral("other2,same4,same9"));
        // Changed in its values, it is no longer there as it was read.
        testpg::adminExec(QStringLiteral("UPDATE locator_t.twins SET n = 5 WHERE n = 4"));
        QCOMPARE(errorOf<RowConflictError>([&] { snapshot->sendRowRead(0); }),
                 RowConflictError::goneOrChangedText.toString());
    }

    void theTableReadAgainHasFreshAddresses()
    {
        const auto snapshot = open();
        testpg::adminExec(QStringLiteral("UPDATE locator_t.twins SET n = 3 WHERE label = 'other'"));
        snapshot->keepFreshTable(snapshot->readAgain());
        QCOMPARE(snapshot->columnCount(), 3);
        snapshot->writeRow(2, {{1, QStringLiteral("4")}});
        QCOMPARE(inDatabase("SELECT n FROM locator_t.twins WHERE label = 'other'"), QStringLiteral("4"));
    }

private:
    std::unique_ptr<TableSnapshot> open()
    {
        auto connection = std::make_unique<db::Connection>();
        connection->open(testpg::connectionString(user_));
        return TableSnapshot::open(std::move(connection), QStringLiteral("twins"));
    }
    testpg::Login user_;
};

QTEST_GUILESS_MAIN(RowLocatorTest)
#include "row_locator_test.moc"
