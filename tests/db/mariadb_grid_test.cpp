#include "app/message_box.h"
#include "app/ui/form1.h"
#include "app/ui/wizard.h"
#include "db/table_snapshot.h"
#include "db/ui/form2.h"
#include "editor/table_model.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "support/mariadb.h"
#include "support/message_capture.h"
#include "support/wizard_driver.h"

#include <QLineEdit>
#include <QListWidget>
#include <QtTest>
#include <functional>

// A user's way through the three windows, run over each database the run
// has (as Qt's own model tests run over each driver): the table list, then
// opening, editing, adding, deleting and taking back rows in the grid. The
// MariaDB data source sets nothing; quoting and row counts are the program's.
namespace {

const QString pgLogin = QStringLiteral("grid_m");

// One database of the run, as the test sets it up and checks it.
struct TestDatabase {
    QString dsn;
    QString user;
    QString password;
    std::function<void(const QString &)> exec; // as the tables' owner
    std::function<QString(const QString &)> query;
    QString schema;          // before names in exec and query
    QChar quote;             // of names in exec and query
    QString autoKey;         // a generated integer key column
    QString duplicateText;   // part of the server's message for a duplicate
    QString quoted(const QString &name) const { return schema + quote + name + quote; }
};

TestDatabase mariaDb()
{
    return {testmaria::dsn(), testmaria::scott.user, testmaria::scott.password,
            [](const QString &sql) { testmaria::adminExec(sql); },
            [](const QString &sql) { return testmaria::admin(sql); }, QString(), u'`',
            QStringLiteral("INT AUTO_INCREMENT PRIMARY KEY"), QStringLiteral("Duplicate entry")};
}

TestDatabase postgres()
{
    return {testpg::dsn(), pgLogin, QStringLiteral("pw_") + pgLogin,
            [](const QString &sql) {
                testpg::adminExec(QStringLiteral("SET ROLE %1; %2; RESET ROLE;").arg(pgLogin, sql));
            },
            [](const QString &sql) { return testpg::adminQuery(sql).join(u'\n'); }, pgLogin + u'.', u'"',
            QStringLiteral("serial PRIMARY KEY"), QStringLiteral("duplicate key")};
}

void editAndLeave(DataGrid &grid, int row, int column, const QString &text, int toRow)
{
    auto *model = grid.model();
    grid.setCurrentIndex(model->index(row, column));
    QVERIFY(model->setData(model->index(row, column), text));
    grid.setCurrentIndex(model->index(toRow, 0));
}

QStringList entries(const QListWidget &list)
{
    QStringList names;
    for (int i = 0; i < list.count(); ++i)
        names << list.item(i)->text();
    return names;
}

} // namespace

class MariaDbGridTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (testpg::missingEnvironment().isEmpty())
            createScratchLogin(pgLogin);
    }
    void cleanupTestCase()
    {
        if (testpg::missingEnvironment().isEmpty())
            dropScratchLogin(pgLogin);
    }

    void init()
    {
        const QByteArray tag = QTest::currentDataTag();
        if (tag == "MariaDB") {
            TABVALE_REQUIRE_MARIADB();
            db_ = mariaDb();
            db_.exec(QStringLiteral("DROP VIEW IF EXISTS user_tables"));
        } else {
            TABVALE_REQUIRE_POSTGRES();
            db_ = postgres();
        }
        const QString people = db_.quoted(QStringLiteral("Grid People"));
        const QString twins = db_.quoted(QStringLiteral("Grid Twins"));
        const QString view = db_.quoted(QStringLiteral("Grid View"));
        db_.exec(QStringLiteral("DROP VIEW IF EXISTS %1").arg(view));
        db_.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(people));
        db_.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(twins));
        db_.exec(QStringLiteral("CREATE TABLE %1 (id %2, name VARCHAR(20) NOT NULL UNIQUE, "
                                "city VARCHAR(20) DEFAULT 'Oslo', amount DECIMAL(9,2))")
                     .arg(people, db_.autoKey));
        db_.exec(QStringLiteral("INSERT INTO %1 (name, city, amount) VALUES ('Ann', 'Rome', 99.99), "
                                "('Bob', 'Paris', NULL), ('Cyd', NULL, 1.50)")
                     .arg(people));
        db_.exec(QStringLiteral("CREATE TABLE %1 (item VARCHAR(20), qty INTEGER)").arg(twins));
        db_.exec(QStringLiteral("INSERT INTO %1 VALUES ('Widget', 3), ('Widget', 3), ('Gadget', 1)").arg(twins));
        db_.exec(QStringLiteral("CREATE VIEW %1 AS SELECT name FROM %2").arg(view, people));
        driver_ = std::make_unique<WizardDriver>();
        Form1 &login = driver_->wizard().form1();
        login.Text1->setText(db_.dsn);
        login.Text2->setText(db_.user);
        login.Text3->setText(db_.password);
        login.PushButton3_Click();
    }
    void cleanup() { driver_.reset(); }

    void theChooserListsTheLoginsTables_data() { addDatabases(); }
    void theChooserListsTheLoginsTables()
    {
        QVERIFY(driver_->chooser().isVisible());
        // The MariaDB login shares its database with the other tests' tables.
        const QStringList names = entries(*driver_->chooser().List1);
        QVERIFY2(names.contains(QStringLiteral("Grid People")) && names.contains(QStringLiteral("Grid Twins")),
                 qPrintable(names.join(u',')));
        QVERIFY(!names.contains(QStringLiteral("Grid View")));
        if (QTest::currentDataTag() == QByteArray("PostgreSQL"))
            QCOMPARE(sorted(names), QStringList({"Grid People", "Grid Twins"}));
        QCOMPARE(driver_->chooser().List1->currentRow(), 0);
    }

    void editsAreWrittenAndConflictsRefused_data() { addDatabases(); }
    void editsAreWrittenAndConflictsRefused()
    {
        MessageCapture boxes;
        QVERIFY(driver_->openTable(QStringLiteral("Grid People")));
        DataGrid &grid = *driver_->editor().DataGrid1;
        QCOMPARE(grid.rowCount(), 3);
        QCOMPARE(grid.cellText(0, 3), QStringLiteral("99.99"));

        // Typing a value the server already holds writes it; no box.
        editAndLeave(grid, 0, 3, QStringLiteral("99.990"), 1);
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(grid.cellText(0, 3), QStringLiteral("99.99"));

        editAndLeave(grid, 1, 2, QStringLiteral("Wien"), 0);
        QVERIFY(boxes.boxes().empty());
        QCOMPARE(inDatabase("SELECT city FROM %1 WHERE name = 'Bob'"), QStringLiteral("Wien"));

        // Another session changed the same column: refused, theirs stays,
        // and the user stays in the row with what was typed.
        db_.exec(QStringLiteral("UPDATE %1 SET city = 'Turin' WHERE name = 'Cyd'").arg(people()));
        editAndLeave(grid, 2, 2, QStringLiteral("Milan"), 0);
        QCOMPARE(boxes.texts().size(), 1);
        QVERIFY2(boxes.texts().front().contains(db::RowConflictError::changedOrDeletedText.toString()),
                 qPrintable(boxes.texts().front()));
        QCOMPARE(grid.currentIndex().row(), 2);
        QCOMPARE(grid.cellText(2, 2), QStringLiteral("Milan"));
        QCOMPARE(inDatabase("SELECT city FROM %1 WHERE name = 'Cyd'"), QStringLiteral("Turin"));
        grid.discardPendingEdit();
    }

    void rowsAreAddedDeletedAndTakenBack_data() { addDatabases(); }
    void rowsAreAddedDeletedAndTakenBack()
    {
        MessageCapture boxes;
        boxes.answerQuestionsWith(msgbox::Yes);
        const QString original = inDatabase("SELECT * FROM %1 ORDER BY id");
        QVERIFY(driver_->openTable(QStringLiteral("Grid People")));
        DataGrid &grid = *driver_->editor().DataGrid1;

        // The generated key and the default show once the row is left.
        editAndLeave(grid, 3, 1, QStringLiteral("Eve"), 0);
        QVERIFY2(boxes.boxes().empty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(grid.rowCount(), 4);
        QCOMPARE(grid.cellText(3, 0), QStringLiteral("4"));
        QCOMPARE(grid.cellText(3, 2), QStringLiteral("Oslo"));

        // A duplicate name is refused by the server and keeps what was typed.
        editAndLeave(grid, 4, 1, QStringLiteral("Ann"), 0);
        QCOMPARE(boxes.texts().size(), 1);
        QVERIFY2(boxes.texts().front().contains(db_.duplicateText), qPrintable(boxes.texts().front()));
        QCOMPARE(grid.cellText(4, 1), QStringLiteral("Ann"));
        grid.discardPendingEdit();
        boxes.clear();

        grid.deleteRows({1});
        QCOMPARE(boxes.texts(), QStringList({"Delete 1 row from the table?"}));
        QCOMPARE(inDatabase("SELECT name FROM %1 ORDER BY id"), QStringLiteral("Ann\nCyd\nEve"));
        editAndLeave(grid, 0, 3, QStringLiteral("12.5"), 1);

        // Taken back step by step, the table is as it was.
        grid.undo();
        grid.undo();
        grid.undo();
        QCOMPARE(boxes.texts().size(), 1);
        QCOMPARE(inDatabase("SELECT * FROM %1 ORDER BY id"), original);
        QCOMPARE(grid.rowCount(), 3);
    }

    // Two identical rows of a table without a key cannot be told apart: the
    // edit is refused and neither changes.
    void identicalRowsWithoutKeyAreRefused_data() { addDatabases(); }
    void identicalRowsWithoutKeyAreRefused()
    {
        MessageCapture boxes;
        QVERIFY(driver_->openTable(QStringLiteral("Grid Twins")));
        DataGrid &grid = *driver_->editor().DataGrid1;
        QCOMPARE(grid.cellText(0, 0), QStringLiteral("Widget"));
        editAndLeave(grid, 0, 1, QStringLiteral("9"), 2);
        if (QLatin1String(QTest::currentDataTag()) == QLatin1String("PostgreSQL")) {
            // Told apart by the address of each row: only the one edited changes.
            QVERIFY2(boxes.texts().isEmpty(), qPrintable(boxes.texts().join(u'\n')));
            QCOMPARE(db_.query(QStringLiteral("SELECT count(*) FROM %1 WHERE item = 'Widget' AND qty = 3")
                                   .arg(db_.quoted(QStringLiteral("Grid Twins")))),
                     QStringLiteral("1"));
            return;
        }
        QCOMPARE(boxes.texts().size(), 1);
        QVERIFY(boxes.texts().front().contains(db::RowConflictError::notUniqueText.toString()));
        QCOMPARE(db_.query(QStringLiteral("SELECT count(*) FROM %1 WHERE item = 'Widget' AND qty = 3")
                               .arg(db_.quoted(QStringLiteral("Grid Twins")))),
                 QStringLiteral("2"));
        grid.discardPendingEdit();
    }

private:
    static void addDatabases()
    {
        QTest::addColumn<bool>("unused");
        QTest::newRow("MariaDB") << true;
        QTest::newRow("PostgreSQL") << true;
    }
    static QStringList sorted(QStringList names)
    {
        names.sort();
        return names;
    }
    QString people() const { return db_.quoted(QStringLiteral("Grid People")); }
    // The query with the people table's name for %1.
    QString inDatabase(const char *sql) const { return db_.query(QString::fromLatin1(sql).arg(people())); }

    TestDatabase db_;
    std::unique_ptr<WizardDriver> driver_;
};

QTEST_MAIN(MariaDbGridTest)
#include "mariadb_grid_test.moc"
