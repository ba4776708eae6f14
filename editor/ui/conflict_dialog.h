#pragma once

#include "editor/row_conflict.h"

#include <QDialog>
#include <functional>
#include <vector>

class QWidget;

// After a write, an undo or a delete refused because another user changed
// or deleted the row: the versions of each column that differs, and what
// the user does about it.
class ConflictDialog : public QDialog {
    Q_OBJECT
public:
    enum Choice { KeepEditing, WriteMine, TakeTheirs };
    // What the user's own version is: what they typed, or what an undo
    // would put back.
    enum class Mine { Typed, Undone };

    // `gone`: another user deleted the row; Write Mine then inserts it
    // again, Take Theirs takes it out of the grid.
    ConflictDialog(const std::vector<ConflictCell> &cells, bool gone, QWidget *parent = nullptr,
                   Mine mine = Mine::Typed);
    Choice choice() const { return choice_; }

    // Shows the dialog and waits for the answer; tests replace the answer
    // through answerHook (an empty function means the real dialog).
    static Choice ask(QWidget *parent, const std::vector<ConflictCell> &cells, bool gone, Mine mine = Mine::Typed);
    using Answer = std::function<Choice(const std::vector<ConflictCell> &cells, bool gone)>;
    static Answer &answerHook();

    // A delete refused because another user changed the row: the row as
    // read and as it is now; Delete Anyway deletes it as it is now, Keep It
    // (Escape) keeps it, showing their values.
    enum DeleteChoice { KeepIt, DeleteAnyway };
    static DeleteChoice askAboutDelete(QWidget *parent, const std::vector<ConflictCell> &cells);
    using DeleteAnswer = std::function<DeleteChoice(const std::vector<ConflictCell> &cells)>;
    static DeleteAnswer &deleteAnswerHook();

    // The dialog of each refusal; for Delete its choice() is WriteMine for
    // Delete Anyway, KeepEditing for Keep It.
    enum class Situation { Changed, Gone, UndoChanged, UndoGone, Delete };
    ConflictDialog(const std::vector<ConflictCell> &cells, Situation situation, QWidget *parent = nullptr);

private:
    static Situation situationOf(bool gone, Mine mine);

    Choice choice_ = KeepEditing;
};
