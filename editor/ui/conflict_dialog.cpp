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

ConflictDialog::ConflictDialog(const std::vector<ConflictCell> &cells, bool gone, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Tabvale Software"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(gone ? QStringLiteral("Another user deleted this row after you read it. "
                                                       "Write Mine puts it back with what you typed.")
                                      : QStringLiteral("Another user changed this row after you read it. "
                                                       "Yellow: changed by them; green: typed by you."),
                                 this));
    auto *table = new QTableWidget(int(cells.size()), 4, this);
    table->setObjectName(QStringLiteral("conflictCells"));
    table->setHorizontalHeaderLabels(
        {QStringLiteral("Column"), QStringLiteral("When read"), QStringLiteral("Now in the database"),
         QStringLiteral("You typed")});
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
        auto *typed = new QTableWidgetItem(cell.typed ? (cell.typed->isEmpty() ? QStringLiteral("(NULL)") : *cell.typed)
                                                      : QString());
        if (cell.changedByYou)
            typed->setBackground(yours);
        table->setItem(r, 3, typed);
    }
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
    add(QStringLiteral("&Write Mine"), WriteMine, QDialogButtonBox::AcceptRole);
    // Taking a deletion would take the row out of the grid beneath the
    // steps undo keeps for the rows around it.
    add(QStringLiteral("&Take Theirs"), TakeTheirs, QDialogButtonBox::DestructiveRole)->setEnabled(!gone);
    // Escape rejects the dialog, which is Keep Editing.
    add(QStringLiteral("Keep Editing"), KeepEditing, QDialogButtonBox::RejectRole)->setDefault(true);
    layout->addWidget(buttons);
    resize(560, 260);
}

ConflictDialog::Answer &ConflictDialog::answerHook()
{
    static Answer hook;
    return hook;
}

ConflictDialog::Choice ConflictDialog::ask(QWidget *parent, const std::vector<ConflictCell> &cells, bool gone)
{
    if (answerHook())
        return answerHook()(cells, gone);
    ConflictDialog dialog(cells, gone, parent);
    dialog.exec();
    return dialog.choice();
}
