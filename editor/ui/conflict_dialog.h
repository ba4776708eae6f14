#pragma once

#include "editor/row_conflict.h"

#include <QDialog>
#include <functional>
#include <vector>

class QWidget;

// After a write refused because another user changed the row: the three
// versions of each column that differs, and what the user does about it.
class ConflictDialog : public QDialog {
    Q_OBJECT
public:
    enum Choice { KeepEditing, WriteMine, TakeTheirs };

    // `gone`: another user deleted the row; Write Mine then inserts it again.
    ConflictDialog(const std::vector<ConflictCell> &cells, bool gone, QWidget *parent = nullptr);
    Choice choice() const { return choice_; }

    // Shows the dialog and waits for the answer; tests replace the answer
    // through answerHook (an empty function means the real dialog).
    static Choice ask(QWidget *parent, const std::vector<ConflictCell> &cells, bool gone);
    using Answer = std::function<Choice(const std::vector<ConflictCell> &cells, bool gone)>;
    static Answer &answerHook();

private:
    Choice choice_ = KeepEditing;
};
