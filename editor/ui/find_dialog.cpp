#include "editor/ui/find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FindDialog::FindDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);

    auto *label = new QLabel(QStringLiteral("Find:"), this);
    findText = new QLineEdit(this);
    label->setBuddy(findText);
    matchCase = new QCheckBox(QStringLiteral("Match case"), this);
    wholeCell = new QCheckBox(QStringLiteral("Whole cell"), this);
    findNext = new QPushButton(QStringLiteral("Find Next"), this);
    findPrevious = new QPushButton(QStringLiteral("Find Previous"), this);
    closeButton = new QPushButton(QStringLiteral("Close"), this);
    note_ = new QLabel(this);
    findNext->setDefault(true);

    auto *layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(findText, 0, 1, 1, 2);
    layout->addWidget(findNext, 0, 3);
    layout->addWidget(matchCase, 1, 1);
    layout->addWidget(wholeCell, 1, 2);
    layout->addWidget(findPrevious, 1, 3);
    layout->addWidget(note_, 2, 0, 1, 3);
    layout->addWidget(closeButton, 2, 3);

    const auto enable = [this] {
        findNext->setEnabled(!findText->text().isEmpty());
        findPrevious->setEnabled(!findText->text().isEmpty());
    };
    enable();
    connect(findText, &QLineEdit::textChanged, this, enable);
    connect(findText, &QLineEdit::textChanged, this, [this] { setNote({}); });
    connect(findNext, &QPushButton::clicked, this, [this] { emit findRequested(true); });
    connect(findPrevious, &QPushButton::clicked, this, [this] { emit findRequested(false); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
}

CellSearch FindDialog::search() const
{
    return {findText->text(), matchCase->isChecked(), wholeCell->isChecked()};
}

void FindDialog::setNote(const QString &text)
{
    note_->setText(text);
}

QString FindDialog::note() const
{
    return note_->text();
}
