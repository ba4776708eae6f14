#include "editor/ui/conflict_dialog.h"

#include <QBrush>
#include <QColor>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString shown(const std::optional<QString> &value)
{
    return value ? *value : QStringLiteral("(NULL)");
}

} // namespace

ConflictDialog::Situation ConflictDialog::situationOf(bool gone, Mine mine)
{
    if (mine == Mine::Undone)
        return gone ? Situation::UndoGone : Situation::UndoChanged;
    return gone ? Situation::Gone : Situation::Changed;
}

ConflictDialog::ConflictDialog(const std::vector<ConflictCell> &cells, bool gone, QWidget *parent, Mine mine)
    : ConflictDialog(cells, situationOf(gone, mine), parent)
{
}

ConflictDialog::ConflictDialog(const std::vector<ConflictCell> &cells, Situation situation, QWidget *parent)
    : QDialog(parent)
{
    const bool gone = situation == Situation::Gone || situation == Situation::UndoGone;
    const bool deleting = situation == Situation::Delete;
    setWindowTitle(QStringLiteral("Tabvale Software"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    QString text;
    switch (situation) {
    case Situation::Changed:
        text = QStringLiteral("Another user changed this row after you read it. "
                              "Yellow: changed by them; green: typed by you.");
        break;
    case Situation::Gone:
        text = QStringLiteral("Another user deleted this row after you read it. "
                              "Write Mine puts it back with what you typed; Take Theirs takes it out of the grid.");
        break;
    case Situation::UndoChanged:
        text = QStringLiteral("Another user changed this row after you read it; undo would write over their change. "
                              "Yellow: changed by them; green: what undo puts back.");
        break;
    case Situation::UndoGone:
        text = QStringLiteral("Another user deleted this row after you read it. Write Mine puts it back as undo "
                              "would leave it; Take Theirs takes it out of the grid.");
        break;
    case Situation::Delete:
        text = QStringLiteral("Another user changed this row after you read it. Delete Anyway deletes it as it is "
                              "now; Keep It keeps it with their values.");
        break;
    }
    auto *label = new QLabel(text, this);
    label->setWordWrap(true);
    layout->addWidget(label);

    auto *table = new QTableWidget(int(cells.size()), deleting ? 3 : 4, this);
    table->setObjectName(QStringLiteral("conflictCells"));
    QStringList headings{QStringLiteral("Column"), QStringLiteral("When read"), QStringLiteral("Now in the database")};
    if (!deleting)
        headings << (situation == Situation::UndoChanged || situation == Situation::UndoGone
                         ? QStringLiteral("Undo puts back")
                         : QStringLiteral("You typed"));
    table->setHorizontalHeaderLabels(headings);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const QBrush theirs(QColor(255, 236, 150));
    const QBrush yours(QColor(190, 235, 190));
    for (int r = 0; r < int(cells.size()); ++r) {
        const ConflictCell &cell = cells[size_t(r)];
        table->setItem(r, 0, new QTableWidgetItem(cell.name));
        table->setItem(r, 1, new QTableWidgetItem(shown(cell.opened)));
        auto *now = new QTableWidgetItem(gone ? QStringLiteral("(deleted)") : shown(cell.now));
        if (cell.changedByThem)
            now->setBackground(theirs);
        table->setItem(r, 2, now);
        if (deleting)
            continue;
        auto *typed = new QTableWidgetItem(cell.typed ? (cell.typed->isEmpty() ? QStringLiteral("(NULL)") : *cell.typed)
                                                      : QString());
        if (cell.changedByYou)
            typed->setBackground(yours);
        table->setItem(r, 3, typed);
    }
    for (int r = 0; r < table->rowCount(); ++r) {
        for (int c = 0; c < table->columnCount(); ++c) {
            if (QTableWidgetItem *item = table->item(r, c))
                item->setToolTip(item->text());
        }
    }
    // Read, not chosen from: no cell stands out as current.
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->resizeColumnsToContents();
    // A long value is read in its tooltip rather than by scrolling.
    for (int c = 0; c < table->columnCount(); ++c)
        table->setColumnWidth(c, qMin(table->columnWidth(c), 240));
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);

    auto *buttons = new QDialogButtonBox(this);
    const auto add = [&](const QString &text, Choice choice, QDialogButtonBox::ButtonRole role) {
        QPushButton *button = buttons->addButton(text, role);
        connect(button, &QPushButton::clicked, this, [this, choice] {
            choice_ = choice;
            choice == KeepEditing ? reject() : accept();
        });
        return button;
    };
    if (deleting) {
        add(QStringLiteral("&Delete Anyway"), WriteMine, QDialogButtonBox::AcceptRole);
        // Escape rejects the dialog, which keeps the row and deletes nothing.
        add(QStringLiteral("&Keep It"), KeepEditing, QDialogButtonBox::RejectRole)->setDefault(true);
    } else {
        add(QStringLiteral("&Write Mine"), WriteMine, QDialogButtonBox::AcceptRole);
        add(QStringLiteral("&Take Theirs"), TakeTheirs, QDialogButtonBox::DestructiveRole);
        // Escape rejects the dialog, which is Keep Editing.
        add(QStringLiteral("Keep Editing"), KeepEditing, QDialogButtonBox::RejectRole)->setDefault(true);
    }
    layout->addWidget(buttons);
    resize(560, 260);
}

ConflictDialog::Answer &ConflictDialog::answerHook()
{
    static Answer hook;
    return hook;
}

ConflictDialog::DeleteAnswer &ConflictDialog::deleteAnswerHook()
{
    static DeleteAnswer hook;
    return hook;
}

ConflictDialog::Choice ConflictDialog::ask(QWidget *parent, const std::vector<ConflictCell> &cells, bool gone,
                                           Mine mine)
{
    if (answerHook())
        return answerHook()(cells, gone);
    ConflictDialog dialog(cells, gone, parent, mine);
    dialog.exec();
    return dialog.choice();
}

ConflictDialog::DeleteChoice ConflictDialog::askAboutDelete(QWidget *parent, const std::vector<ConflictCell> &cells)
{
    if (deleteAnswerHook())
        return deleteAnswerHook()(cells);
    ConflictDialog dialog(cells, Situation::Delete, parent);
    dialog.exec();
    return dialog.choice() == WriteMine ? DeleteAnyway : KeepIt;
}
