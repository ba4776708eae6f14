#include "db/table_snapshot.h"
#include "editor/table_model.h"
#include "editor/ui/conflict_dialog.h"
#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"
#include "support/message_capture.h"
#include "support/wizard_driver.h"

#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

const QString login = QStringLiteral("conflict_t");

QString inDatabase(const QString &sql)
{
    return testpg::adminQuery(sql).join(u'\n');
}

// The user types a name into Bob's row after another session renamed him
// and moved him, then leaves the row.
void typeOverTheirChange(DataGrid &grid)
{
    TableModel &model = grid.tableModel();
    grid.setCurrentIndex(model.index(1, 1));
    QVERIFY(model.setData(model.index(1, 1), QStringLiteral("Bo")));
    testpg::adminExec(QStringLiteral("UPDATE conflict_t.people SET name = 'Bea', city = 'Lyon' WHERE id = 2"));
    grid.setCurrentIndex(model.index(0, 1));
}

} // namespace

// A write refused because another session changed the row, and what the
// user chooses then.
class ConflictTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TABVALE_REQUIRE_POSTGRES();
        user_ = createScratchLogin(login);
        testpg::adminExec(QStringLiteral("SET ROLE %1; CREATE TABLE conflict_t.people (id integer PRIMARY KEY, "
                                         "name text, city text); RESET ROLE;")
                              .arg(login));
    }
    void cleanupTestCase()
    {
        if (testpg::missingEnvironment().isEmpty())
            dropScratchLogin(login);
    }
    void init()
    {
        testpg::adminExec(QStringLiteral("TRUNCATE conflict_t.people; INSERT INTO conflict_t.people VALUES "
                                         "(1, 'Ann', 'Rome'), (2, 'Bob', 'Paris');"));
        asked_.clear();
        gone_.clear();
    }
    void cleanup()
    {
        ConflictDialog::answerHook() = {};
        driver_.reset();
    }

    void theViewListsTheirsAndYours()
    {
        MessageCapture boxes;
        answerWith({ConflictDialog::KeepEditing});
        DataGrid &grid = open();
        typeOverTheirChange(grid);
        // The box of today comes first, unchanged.
        QCOMPARE(boxes.texts(), QStringList{db::RowConflictError::changedOrDeletedText.toString()});
        QCOMPARE(asked_.size(), size_t(1));
        const std::vector<ConflictCell> &cells = asked_.front();
        QCOMPARE(cells.size(), size_t(2));
        QCOMPARE(cells[0].name, QStringLiteral("name"));
        QCOMPARE(cells[0].opened, std::optional(QStringLiteral("Bob")));
        QCOMPARE(cells[0].now, std::optional(QStringLiteral("Bea")));
        QCOMPARE(cells[0].typed, std::optional(QStringLiteral("Bo")));
        QVERIFY(cells[0].changedByThem && cells[0].changedByYou);
        QCOMPARE(cells[1].name, QStringLiteral("city"));
        QCOMPARE(cells[1].opened, std::optional(QStringLiteral("Paris")));
        QCOMPARE(cells[1].now, std::optional(QStringLiteral("Lyon")));
        QVERIFY(!cells[1].typed);
        QVERIFY(cells[1].changedByThem && !cells[1].changedByYou);

        // Keep Editing: in the row, with the typing, as before.
        QCOMPARE(grid.currentIndex().row(), 1);
        QCOMPARE(grid.tableModel().pendingRow(), 1);
        QCOMPARE(grid.cellText(1, 1), QStringLiteral("Bo"));
        QCOMPARE(inDatabase("SELECT name, city FROM conflict_t.people WHERE id = 2"), QStringLiteral("Bea|Lyon"));
    }

    void writeMineKeepsTheirOtherChangesAndUndoes()
    {
        MessageCapture boxes;
        answerWith({ConflictDialog::WriteMine});
        DataGrid &grid = open();
        typeOverTheirChange(grid);
        QCOMPARE(asked_.size(), size_t(1));
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QCOMPARE(inDatabase("SELECT name, city FROM conflict_t.people WHERE id = 2"), QStringLiteral("Bo|Lyon"));
        QVERIFY(!grid.tableModel().hasPendingEdit());
        QCOMPARE(grid.cellText(1, 2), QStringLiteral("Lyon"));
        // One more step back: their values, not the ones first read.
        QVERIFY(grid.tableModel().undo());
        QCOMPARE(inDatabase("SELECT name, city FROM conflict_t.people WHERE id = 2"), QStringLiteral("Bea|Lyon"));
    }

    void writeMineAsksAgainWhenChangedAgain()
    {
        MessageCapture boxes;
        answerWith({ConflictDialog::WriteMine, ConflictDialog::WriteMine}, [] {
            testpg::adminExec(QStringLiteral("UPDATE conflict_t.people SET name = 'Cat' WHERE id = 2"));
        });
        DataGrid &grid = open();
        typeOverTheirChange(grid);
        QCOMPARE(asked_.size(), size_t(2));
        QCOMPARE(asked_[1][0].now, std::optional(QStringLiteral("Cat")));
        QCOMPARE(boxes.boxes().size(), size_t(2));
        QCOMPARE(inDatabase("SELECT name, city FROM conflict_t.people WHERE id = 2"), QStringLiteral("Bo|Lyon"));
    }

    void takeTheirsDropsTheTyping()
    {
        MessageCapture boxes;
        answerWith({ConflictDialog::TakeTheirs});
        DataGrid &grid = open();
        typeOverTheirChange(grid);
        QVERIFY(!grid.tableModel().hasPendingEdit());
        QCOMPARE(grid.cellText(1, 1), QStringLiteral("Bea"));
        QCOMPARE(grid.cellText(1, 2), QStringLiteral("Lyon"));
        QCOMPARE(inDatabase("SELECT name, city FROM conflict_t.people WHERE id = 2"), QStringLiteral("Bea|Lyon"));
        // The row now leaves freely and a later edit writes over their values.
        grid.setCurrentIndex(grid.tableModel().index(1, 2));
        QVERIFY(grid.tableModel().setData(grid.tableModel().index(1, 2), QStringLiteral("Nice")));
        grid.setCurrentIndex(grid.tableModel().index(0, 0));
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QCOMPARE(inDatabase("SELECT name, city FROM conflict_t.people WHERE id = 2"), QStringLiteral("Bea|Nice"));
    }

    void writeMinePutsADeletedRowBackOnce()
    {
        MessageCapture boxes;
        answerWith({ConflictDialog::WriteMine});
        DataGrid &grid = open();
        TableModel &model = grid.tableModel();
        grid.setCurrentIndex(model.index(1, 1));
        QVERIFY(model.setData(model.index(1, 1), QStringLiteral("Bo")));
        testpg::adminExec(QStringLiteral("DELETE FROM conflict_t.people WHERE id = 2"));
        grid.setCurrentIndex(model.index(0, 1));
        QCOMPARE(gone_, std::vector<bool>{true});
        QCOMPARE(asked_.front().size(), size_t(3));
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QCOMPARE(inDatabase("SELECT id, name, city FROM conflict_t.people WHERE id = 2"),
                 QStringLiteral("2|Bo|Paris"));
        QCOMPARE(inDatabase("SELECT count(*) FROM conflict_t.people"), QStringLiteral("2"));
        QVERIFY(!model.hasPendingEdit());
        QCOMPARE(grid.rowCount(), 2);
        // The row put back is written like any other; undo takes it out again.
        grid.setCurrentIndex(model.index(1, 2));
        QVERIFY(model.setData(model.index(1, 2), QStringLiteral("Nice")));
        grid.setCurrentIndex(model.index(0, 0));
        QCOMPARE(inDatabase("SELECT name, city FROM conflict_t.people WHERE id = 2"), QStringLiteral("Bo|Nice"));
        QVERIFY(model.undo());
        QVERIFY(model.undo());
        QCOMPARE(inDatabase("SELECT count(*) FROM conflict_t.people WHERE id = 2"), QStringLiteral("0"));
        QCOMPARE(grid.rowCount(), 1);
        QCOMPARE(boxes.boxes().size(), size_t(1));
    }

    void theDialogAnswersByItsKeys()
    {
        ConflictCell cell{1, QStringLiteral("name"), QStringLiteral("Bob"), QStringLiteral("Bea"),
                          QStringLiteral("Bo"), true, true};
        ConflictDialog dialog({cell}, false);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Tabvale Software"));
        QCOMPARE(dialog.findChild<QTableWidget *>()->rowCount(), 1);
        QStringList buttons;
        for (QPushButton *button : dialog.findChildren<QPushButton *>())
            buttons << button->text();
        buttons.sort();
        QCOMPARE(buttons, (QStringList{QStringLiteral("&Take Theirs"), QStringLiteral("&Write Mine"),
                                       QStringLiteral("Keep Editing")}));
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.choice(), ConflictDialog::KeepEditing);
        QVERIFY(!dialog.isVisible());
    }

private:
    // Answers the dialog with `choices` in turn, running `between` before
    // each answer but the last.
    void answerWith(std::vector<ConflictDialog::Choice> choices, std::function<void()> between = {})
    {
        ConflictDialog::answerHook() = [this, choices, between](const std::vector<ConflictCell> &cells, bool gone) {
            asked_.push_back(cells);
            gone_.push_back(gone);
            const size_t n = asked_.size() - 1;
            if (between && n + 1 < choices.size())
                between();
            return n < choices.size() ? choices[n] : ConflictDialog::KeepEditing;
        };
    }
    DataGrid &open()
    {
        driver_ = std::make_unique<WizardDriver>();
        driver_->logIn(user_);
        [&] { QVERIFY(driver_->openTable(QStringLiteral("people"))); }();
        return *driver_->editor().DataGrid1;
    }
    std::vector<std::vector<ConflictCell>> asked_;
    std::vector<bool> gone_;
    testpg::Login user_;
    std::unique_ptr<WizardDriver> driver_;
};

QTEST_MAIN(ConflictTest)
#include "conflict_test.moc"
