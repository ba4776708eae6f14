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

// A MariaDB user's way through the three windows, with a data source that
// sets nothing: the table list without a user_tables, then opening, editing,
// adding, deleting and taking back rows in the grid.
namespace {

using testmaria::admin;

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
    void initTestCase() { TABVALE_REQUIRE_MARIADB(); }

    void init()
    {
        testmaria::adminExec(QStringLiteral(
            "DROP VIEW IF EXISTS user_tables; DROP TABLE IF EXISTS `Grid People`;"
            "CREATE TABLE `Grid People` (id INT AUTO_INCREMENT PRIMARY KEY, name VARCHAR(20) NOT NULL UNIQUE, "
            "  city VARCHAR(20) DEFAULT 'Oslo', amount DECIMAL(9,2)) ENGINE = InnoDB;"
            "INSERT INTO `Grid People` (name, city, amount) VALUES ('Ann', 'Rome', 99.99), ('Bob', 'Paris', NULL), "
            "  ('Cyd', NULL, 1.50);"));
        driver_ = std::make_unique<WizardDriver>();
        Form1 &login = driver_->wizard().form1();
        login.Text1->setText(testmaria::dsn());
        login.Text2->setText(testmaria::scott.user);
        login.Text3->setText(testmaria::scott.password);
        login.PushButton3_Click();
    }
    void cleanup() { driver_.reset(); }

    void theChooserListsTheTablesWithoutAView()
    {
        QVERIFY(driver_->chooser().isVisible());
        const QStringList names = entries(*driver_->chooser().List1);
        QVERIFY2(names.contains(QStringLiteral("Grid People")), qPrintable(names.join(u',')));
        QVERIFY(names.contains(QStringLiteral("say \"hi\"")));
        QVERIFY(!names.contains(QStringLiteral("invoice_names")));
        QCOMPARE(driver_->chooser().List1->currentRow(), 0);
    }

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
        QCOMPARE(admin(QStringLiteral("SELECT city FROM `Grid People` WHERE name = 'Bob'")), QStringLiteral("Wien"));

        // Another session changed the same column: refused, theirs stays,
        // and the user stays in the row with what was typed.
        testmaria::adminExec(QStringLiteral("UPDATE `Grid People` SET city = 'Turin' WHERE name = 'Cyd'"));
        editAndLeave(grid, 2, 2, QStringLiteral("Milan"), 0);
        QCOMPARE(boxes.texts().size(), 1);
        QVERIFY2(boxes.texts().front().contains(db::RowConflictError::changedOrDeletedText.toString()),
                 qPrintable(boxes.texts().front()));
        QCOMPARE(grid.currentIndex().row(), 2);
        QCOMPARE(grid.cellText(2, 2), QStringLiteral("Milan"));
        QCOMPARE(admin(QStringLiteral("SELECT city FROM `Grid People` WHERE name = 'Cyd'")), QStringLiteral("Turin"));
        grid.discardPendingEdit();
    }

    void rowsAreAddedDeletedAndTakenBack()
    {
        MessageCapture boxes;
        boxes.answerQuestionsWith(msgbox::Yes);
        const QString original = admin(QStringLiteral("SELECT * FROM `Grid People` ORDER BY id"));
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
        QVERIFY2(boxes.texts().front().contains(QStringLiteral("Duplicate entry")), qPrintable(boxes.texts().front()));
        QCOMPARE(grid.cellText(4, 1), QStringLiteral("Ann"));
        grid.discardPendingEdit();
        boxes.clear();

        grid.deleteRows({1});
        QCOMPARE(boxes.texts(), QStringList({"Delete 1 row from the table?"}));
        QCOMPARE(admin(QStringLiteral("SELECT GROUP_CONCAT(name ORDER BY id) FROM `Grid People`")),
                 QStringLiteral("Ann,Cyd,Eve"));
        editAndLeave(grid, 0, 3, QStringLiteral("12.5"), 1);

        // Taken back step by step, the table is as it was.
        grid.undo();
        grid.undo();
        grid.undo();
        QCOMPARE(boxes.texts().size(), 1);
        QCOMPARE(admin(QStringLiteral("SELECT * FROM `Grid People` ORDER BY id")), original);
        QCOMPARE(grid.rowCount(), 3);
    }

    // Two identical rows of a table without a key cannot be told apart: the
    // edit is refused and neither changes.
    void identicalRowsWithoutKeyAreRefused()
    {
        MessageCapture boxes;
        QVERIFY(driver_->openTable(QStringLiteral("Order Lines")));
        DataGrid &grid = *driver_->editor().DataGrid1;
        int twin = -1;
        for (int row = 0; row < grid.rowCount(); ++row) {
            if (grid.cellText(row, 0) == QStringLiteral("Widget"))
                twin = row;
        }
        QVERIFY(twin >= 0);
        editAndLeave(grid, twin, 1, QStringLiteral("9"), twin == 0 ? 1 : 0);
        QCOMPARE(boxes.texts().size(), 1);
        QVERIFY(boxes.texts().front().contains(db::RowConflictError::notUniqueText.toString()));
        QCOMPARE(admin(QStringLiteral("SELECT count(*) FROM `Order Lines` WHERE item = 'Widget' AND qty = 3")),
                 QStringLiteral("2"));
        grid.discardPendingEdit();
    }

private:
    std::unique_ptr<WizardDriver> driver_;
};

QTEST_MAIN(MariaDbGridTest)
#include "mariadb_grid_test.moc"
