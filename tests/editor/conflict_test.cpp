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

// Types into a cell and leaves for another row, which writes it.
void editAndLeave(DataGrid &grid, int row, int column, const QString &text, int leaveTo)
{
    TableModel &model = grid.tableModel();
    grid.setCurrentIndex(model.index(row, column));
    QVERIFY(model.setData(model.index(row, column), text));
    grid.setCurrentIndex(model.index(leaveTo, column));
    QVERIFY(!model.hasPendingEdit());
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
        ConflictDialog::deleteAnswerHook() = {};
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

    // Taking their deletion takes the row out of the grid; the steps undo
    // keeps for the rows below it still find their own rows.
    void takeTheirsOnADeletedRowKeepsUndoRight()
    {
        MessageCapture boxes;
        answerWith({ConflictDialog::TakeTheirs});
        testpg::adminExec(QStringLiteral("INSERT INTO conflict_t.people VALUES (3, 'Cyd', 'Bern')"));
        DataGrid &grid = open();
        TableModel &model = grid.tableModel();
        editAndLeave(grid, 2, 2, QStringLiteral("Oslo"), 0);
        editAndLeave(grid, 0, 2, QStringLiteral("Turin"), 1);
        grid.setCurrentIndex(model.index(1, 1));
        QVERIFY(model.setData(model.index(1, 1), QStringLiteral("Bo")));
        testpg::adminExec(QStringLiteral("DELETE FROM conflict_t.people WHERE id = 2"));
        grid.setCurrentIndex(model.index(0, 1));
        QCOMPARE(gone_, std::vector<bool>{true});
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QVERIFY(!model.hasPendingEdit());
        QCOMPARE(grid.rowCount(), 2);
        QCOMPARE(grid.cellText(1, 1), QStringLiteral("Cyd"));

        // Not ours to put back: Ctrl+Z takes back Ann's edit, then Cyd's.
        grid.undo();
        QCOMPARE(inDatabase("SELECT string_agg(id || city, ',' ORDER BY id) FROM conflict_t.people"),
                 QStringLiteral("1Rome,3Oslo"));
        grid.undo();
        QCOMPARE(inDatabase("SELECT string_agg(id || city, ',' ORDER BY id) FROM conflict_t.people"),
                 QStringLiteral("1Rome,3Bern"));
        QCOMPARE(grid.cellText(1, 2), QStringLiteral("Bern"));
        QCOMPARE(boxes.boxes().size(), size_t(1));
    }

    // A delete refused because another session changed one of the rows:
    // Delete Anyway deletes them all as they are now, once, in one step.
    void deleteAnywayDeletesTheRowAsItIsNow()
    {
        MessageCapture boxes;
        boxes.answerQuestionsWith(msgbox::Yes);
        std::vector<std::vector<ConflictCell>> asked;
        ConflictDialog::deleteAnswerHook() = [&](const std::vector<ConflictCell> &cells) {
            asked.push_back(cells);
            return ConflictDialog::DeleteAnyway;
        };
        DataGrid &grid = open();
        testpg::adminExec(QStringLiteral("UPDATE conflict_t.people SET city = 'Lyon' WHERE id = 2"));
        grid.deleteRows({0, 1});
        QCOMPARE(boxes.texts().size(), 2);
        QVERIFY(boxes.texts().last().endsWith(db::RowConflictError::changedOrDeletedText.toString()));
        QCOMPARE(asked.size(), size_t(1));
        QCOMPARE(asked.front().size(), size_t(1));
        QCOMPARE(asked.front().front().name, QStringLiteral("city"));
        QCOMPARE(asked.front().front().opened, std::optional(QStringLiteral("Paris")));
        QCOMPARE(asked.front().front().now, std::optional(QStringLiteral("Lyon")));
        QCOMPARE(inDatabase("SELECT count(*) FROM conflict_t.people"), QStringLiteral("0"));
        QCOMPARE(grid.rowCount(), 0);

        // One step back puts both back, Bob as the other session left him.
        grid.undo();
        QCOMPARE(inDatabase("SELECT string_agg(name || city, ',' ORDER BY id) FROM conflict_t.people"),
                 QStringLiteral("AnnRome,BobLyon"));
        QCOMPARE(grid.rowCount(), 2);
        QCOMPARE(grid.cellText(1, 2), QStringLiteral("Lyon"));
        QCOMPARE(boxes.texts().size(), 2);
    }

    // Each changed row of a delete is asked about in turn; the rows still
    // go together, once.
    void everyChangedRowOfADeleteIsAskedAbout()
    {
        MessageCapture boxes;
        boxes.answerQuestionsWith(msgbox::Yes);
        QStringList asked;
        ConflictDialog::deleteAnswerHook() = [&](const std::vector<ConflictCell> &cells) {
            for (const ConflictCell &cell : cells)
                asked << cell.now.value_or(QString());
            return ConflictDialog::DeleteAnyway;
        };
        DataGrid &grid = open();
        testpg::adminExec(QStringLiteral("UPDATE conflict_t.people SET city = 'Lyon' WHERE id = 2; "
                                         "UPDATE conflict_t.people SET city = 'Pisa' WHERE id = 1"));
        grid.deleteRows({0, 1});
        QCOMPARE(asked, (QStringList{QStringLiteral("Pisa"), QStringLiteral("Lyon")}));
        QCOMPARE(inDatabase("SELECT count(*) FROM conflict_t.people"), QStringLiteral("0"));
        QCOMPARE(grid.rowCount(), 0);
        QCOMPARE(boxes.texts().size(), 3);
        grid.undo();
        QCOMPARE(inDatabase("SELECT string_agg(name || city, ',' ORDER BY id) FROM conflict_t.people"),
                 QStringLiteral("AnnPisa,BobLyon"));
    }

    // Keep It (Escape) deletes none of the rows; the changed one shows what
    // the other session wrote. A row already gone leaves the grid and the
    // rest go as asked.
    void keepItShowsTheirValuesAndDeletesNothing()
    {
        MessageCapture boxes;
        boxes.answerQuestionsWith(msgbox::Yes);
        DataGrid &grid = open();
        testpg::adminExec(QStringLiteral("UPDATE conflict_t.people SET city = 'Lyon' WHERE id = 2"));
        grid.deleteRows({0, 1});
        QCOMPARE(boxes.texts().size(), 2);
        QCOMPARE(inDatabase("SELECT count(*) FROM conflict_t.people"), QStringLiteral("2"));
        QCOMPARE(grid.rowCount(), 2);
        QCOMPARE(grid.cellText(1, 2), QStringLiteral("Lyon"));
        // Now read as it is, it goes without a word.
        grid.deleteRows({1});
        QCOMPARE(boxes.texts().size(), 3);
        QCOMPARE(inDatabase("SELECT count(*) FROM conflict_t.people"), QStringLiteral("1"));

        testpg::adminExec(QStringLiteral("INSERT INTO conflict_t.people VALUES (2, 'Bob', 'Paris'), "
                                         "(3, 'Cyd', 'Bern')"));
        DataGrid &again = open();
        testpg::adminExec(QStringLiteral("DELETE FROM conflict_t.people WHERE id = 2"));
        boxes.clear();
        again.deleteRows({1, 2});
        QCOMPARE(boxes.texts().size(), 2);
        QCOMPARE(inDatabase("SELECT string_agg(name, ',' ORDER BY id) FROM conflict_t.people"), QStringLiteral("Ann"));
        QCOMPARE(again.rowCount(), 1);
        // Cyd's delete is the one step: undo puts back Cyd, never Bob.
        again.undo();
        QCOMPARE(inDatabase("SELECT string_agg(name, ',' ORDER BY id) FROM conflict_t.people"),
                 QStringLiteral("Ann,Cyd"));
        QCOMPARE(again.rowCount(), 2);
        QCOMPARE(again.cellText(1, 1), QStringLiteral("Cyd"));
    }

    // Undo of an edit after another session changed the row: the view sets
    // what undo would put back against theirs; Write Mine writes it over
    // theirs, and one more undo puts theirs back.
    void undoOverTheirChangeWritesMine()
    {
        MessageCapture boxes;
        answerWith({ConflictDialog::WriteMine});
        DataGrid &grid = open();
        editAndLeave(grid, 1, 2, QStringLiteral("Nice"), 0);
        testpg::adminExec(QStringLiteral("UPDATE conflict_t.people SET name = 'Bea', city = 'Lyon' WHERE id = 2"));
        grid.undo();
        QCOMPARE(boxes.texts(), QStringList{db::RowConflictError::changedOrDeletedText.toString()});
        QCOMPARE(asked_.size(), size_t(1));
        const std::vector<ConflictCell> &cells = asked_.front();
        QCOMPARE(cells.size(), size_t(2));
        QCOMPARE(cells[0].now, std::optional(QStringLiteral("Bea")));
        QVERIFY(cells[0].changedByThem && !cells[0].changedByYou);
        QCOMPARE(cells[1].opened, std::optional(QStringLiteral("Nice")));
        QCOMPARE(cells[1].now, std::optional(QStringLiteral("Lyon")));
        QCOMPARE(cells[1].typed, std::optional(QStringLiteral("Paris")));
        QVERIFY(cells[1].changedByThem && cells[1].changedByYou);
        QCOMPARE(inDatabase("SELECT name, city FROM conflict_t.people WHERE id = 2"), QStringLiteral("Bea|Paris"));
        QCOMPARE(grid.cellText(1, 1), QStringLiteral("Bea"));
        QCOMPARE(grid.cellText(1, 2), QStringLiteral("Paris"));

        grid.undo();
        QCOMPARE(inDatabase("SELECT name, city FROM conflict_t.people WHERE id = 2"), QStringLiteral("Bea|Lyon"));
        grid.undo();
        QCOMPARE(inDatabase("SELECT name, city FROM conflict_t.people WHERE id = 2"), QStringLiteral("Bea|Lyon"));
        QCOMPARE(boxes.boxes().size(), size_t(1));
    }

    // Take Theirs leaves their row and forgets the edit; for a row another
    // session deleted, Write Mine puts it back as the undo leaves it.
    void undoTakesTheirsOrPutsADeletedRowBack()
    {
        MessageCapture boxes;
        answerWith({ConflictDialog::TakeTheirs, ConflictDialog::WriteMine});
        DataGrid &grid = open();
        editAndLeave(grid, 0, 2, QStringLiteral("Pisa"), 1);
        editAndLeave(grid, 1, 2, QStringLiteral("Nice"), 0);
        testpg::adminExec(QStringLiteral("UPDATE conflict_t.people SET name = 'Bea', city = 'Lyon' WHERE id = 2"));
        grid.undo();
        QCOMPARE(inDatabase("SELECT name, city FROM conflict_t.people WHERE id = 2"), QStringLiteral("Bea|Lyon"));
        QCOMPARE(grid.cellText(1, 2), QStringLiteral("Lyon"));

        // The next undo is Ann's edit, whose row another session deleted.
        testpg::adminExec(QStringLiteral("DELETE FROM conflict_t.people WHERE id = 1"));
        grid.undo();
        QCOMPARE(gone_, (std::vector<bool>{false, true}));
        QCOMPARE(asked_[1].size(), size_t(3));
        QCOMPARE(inDatabase("SELECT string_agg(id || name || city, ',' ORDER BY id) FROM conflict_t.people"),
                 QStringLiteral("1AnnRome,2BeaLyon"));
        QCOMPARE(grid.rowCount(), 2);
        QCOMPARE(grid.cellText(0, 2), QStringLiteral("Rome"));
        // Putting it back is a step of its own: undo takes the row out again.
        grid.undo();
        QCOMPARE(inDatabase("SELECT count(*) FROM conflict_t.people"), QStringLiteral("1"));
        QCOMPARE(grid.rowCount(), 1);
        QCOMPARE(grid.cellText(0, 1), QStringLiteral("Bea"));
        QCOMPARE(boxes.boxes().size(), size_t(2));
    }

    // Undo of an insert is a delete: after another session changed the row,
    // Delete Anyway deletes it as it is (one more undo puts theirs back),
    // Keep It keeps it and the insert is no longer undone.
    void undoOfAnInsertTheyChangedAsksAsADelete()
    {
        MessageCapture boxes;
        std::vector<ConflictDialog::DeleteChoice> answers{ConflictDialog::DeleteAnyway, ConflictDialog::KeepIt};
        size_t asked = 0;
        ConflictDialog::deleteAnswerHook() = [&](const std::vector<ConflictCell> &cells) {
            [&] { QCOMPARE(cells.back().now, std::optional(QStringLiteral("Lyon"))); }();
            return answers[asked++];
        };
        DataGrid &grid = open();
        const auto insertAndLeave = [&](const QString &id, const QString &name) {
            TableModel &model = grid.tableModel();
            const int row = grid.rowCount();
            grid.setCurrentIndex(model.index(row, 0));
            QVERIFY(model.setData(model.index(row, 0), id));
            QVERIFY(model.setData(model.index(row, 1), name));
            grid.setCurrentIndex(model.index(0, 0));
            QVERIFY(!model.hasPendingEdit());
        };
        insertAndLeave(QStringLiteral("3"), QStringLiteral("Cyd"));
        testpg::adminExec(QStringLiteral("UPDATE conflict_t.people SET city = 'Lyon' WHERE id = 3"));
        grid.undo();
        QCOMPARE(asked, size_t(1));
        QCOMPARE(inDatabase("SELECT count(*) FROM conflict_t.people"), QStringLiteral("2"));
        QCOMPARE(grid.rowCount(), 2);
        grid.undo();
        QCOMPARE(inDatabase("SELECT name, city FROM conflict_t.people WHERE id = 3"), QStringLiteral("Cyd|Lyon"));
        QCOMPARE(grid.rowCount(), 3);

        insertAndLeave(QStringLiteral("4"), QStringLiteral("Dan"));
        testpg::adminExec(QStringLiteral("UPDATE conflict_t.people SET city = 'Lyon' WHERE id = 4"));
        grid.undo();
        QCOMPARE(asked, size_t(2));
        QCOMPARE(grid.cellText(3, 2), QStringLiteral("Lyon"));
        grid.undo();
        QCOMPARE(inDatabase("SELECT string_agg(name || city, ',' ORDER BY id) FROM conflict_t.people"),
                 QStringLiteral("AnnRome,BobParis,CydLyon,DanLyon"));
        QCOMPARE(boxes.boxes().size(), size_t(2));
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

        ConflictDialog deleting({cell}, ConflictDialog::Situation::Delete);
        QCOMPARE(deleting.findChild<QTableWidget *>()->columnCount(), 3);
        std::map<QString, QPushButton *> byText;
        for (QPushButton *button : deleting.findChildren<QPushButton *>())
            byText[button->text()] = button;
        QCOMPARE(byText.size(), size_t(2));
        QCOMPARE(byText.at(QStringLiteral("&Delete Anyway"))->shortcut(), QKeySequence(Qt::ALT | Qt::Key_D));
        QCOMPARE(byText.at(QStringLiteral("&Keep It"))->shortcut(), QKeySequence(Qt::ALT | Qt::Key_K));
        deleting.show();
        QTest::keyClick(&deleting, Qt::Key_Escape);
        QCOMPARE(deleting.choice(), ConflictDialog::KeepEditing);
        deleting.show();
        byText.at(QStringLiteral("&Delete Anyway"))->click();
        QCOMPARE(deleting.choice(), ConflictDialog::WriteMine);
        QVERIFY(!deleting.isVisible());
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
