#include "editor/ui/record_view.h"

#include "app/message_box.h"
#include "editor/table_model.h"
#include "editor/ui/record_field.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

RecordView::RecordView(TableModel &model, std::vector<int> columns, int row, std::function<void(int)> goToRow,
                       QWidget *parent)
    : QDialog(parent), model_(model), columns_(std::move(columns)), goToRow_(std::move(goToRow))
{
    setObjectName(QStringLiteral("RecordView"));
    setWindowTitle(QStringLiteral("Tabvale Software"));
    setModal(true);
    const db::TableSnapshot &snapshot = *model_.snapshot();
    auto *fieldsArea = new QWidget;
    auto *form = new QFormLayout(fieldsArea);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    for (int column : columns_) {
        const db::ColumnInfo &info = snapshot.column(column);
        auto *label = new QLabel(QStringLiteral("%1 <span style=\"color:gray\">%2</span>")
                                     .arg(info.name.toHtmlEscaped(), info.typeName.toHtmlEscaped()));
        label->setTextFormat(Qt::RichText);
        auto *field = new RecordField(info, snapshot.storesEmptyTextAsNull(), fieldsArea);
        field->setObjectName(QStringLiteral("field_%1").arg(column));
        label->setBuddy(field->editorWidget());
        if (!field->isEditable())
            label->setEnabled(false);
        form->addRow(label, field);
        fields_[column] = field;
    }
    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setWidget(fieldsArea);

    previous_ = new QPushButton(QStringLiteral("< Previous"));
    next_ = new QPushButton(QStringLiteral("Next >"));
    previous_->setToolTip(QStringLiteral("Writes this row and shows the one above (Alt+Up)"));
    next_->setToolTip(QStringLiteral("Writes this row and shows the one below (Alt+Down)"));
    previous_->setAutoDefault(false);
    next_->setAutoDefault(false);
    position_ = new QLabel;
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(previous_);
    bottom->addWidget(next_);
    bottom->addWidget(position_);
    bottom->addStretch();
    bottom->addWidget(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    layout->addLayout(bottom);

    connect(previous_, &QPushButton::clicked, this, [this] { moveBy(-1); });
    connect(next_, &QPushButton::clicked, this, [this] { moveBy(1); });
    connect(buttons, &QDialogButtonBox::accepted, this, &RecordView::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &RecordView::reject);
    auto *up = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Up), this);
    connect(up, &QShortcut::activated, this, [this] { moveBy(-1); });
    auto *down = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Down), this);
    connect(down, &QShortcut::activated, this, [this] { moveBy(1); });

    resize(560, 480);
    showRow(row);
}

RecordField *RecordView::field(int column) const
{
    const auto found = fields_.find(column);
    return found == fields_.end() ? nullptr : found->second;
}

void RecordView::showRow(int row)
{
    row_ = row;
    pendingBefore_ = model_.pendingRow() == row ? model_.pendingEdits() : std::map<int, QString>{};
    for (const auto &[column, field] : fields_)
        field->showValue(model_.cellText(row, column), model_.isNullCell(row, column));
    updateButtons();
}

void RecordView::updateButtons()
{
    previous_->setEnabled(row_ > 0);
    // The new-row line below the rows is not a row to show.
    next_->setEnabled(row_ + 1 < model_.dataRowCount());
    position_->setText(QStringLiteral("Row %1 of %2").arg(row_ + 1).arg(model_.dataRowCount()));
}

bool RecordView::putIntoModel()
{
    for (int column : columns_) {
        RecordField *field = fields_.at(column);
        const QString refusal = field->refusal();
        if (!refusal.isEmpty()) {
            msgbox::show(refusal, msgbox::Exclamation);
            field->editorWidget()->setFocus();
            return false;
        }
    }
    for (int column : columns_) {
        RecordField *field = fields_.at(column);
        if (!field->isEditable() || !field->isChanged())
            continue;
        const QModelIndex index = model_.index(row_, column);
        bool put = false;
        if (field->isBinary())
            put = model_.setBinary(index, field->isNull() ? std::nullopt : std::optional(field->text()));
        else if (field->isNull())
            put = model_.setNull(index);
        else if (field->text().isEmpty())
            put = model_.setEmptyText(index);
        else
            put = model_.setData(index, field->text());
        // Another row's pending edit may have been refused on the way.
        if (!put)
            return false;
    }
    return true;
}

bool RecordView::writeRow()
{
    if (!putIntoModel())
        return false;
    if (!model_.commitPendingRow())
        return false;
    // Written: what the fields show is now the row's own.
    showRow(row_);
    return true;
}

bool RecordView::moveBy(int step)
{
    const int target = row_ + step;
    if (target < 0 || target >= model_.dataRowCount() || !writeRow())
        return false;
    if (goToRow_)
        goToRow_(target);
    showRow(target);
    return true;
}

void RecordView::accept()
{
    if (writeRow())
        QDialog::accept();
}

void RecordView::reject()
{
    // What the dialog put into the row goes; what the grid held before
    // comes back.
    if (model_.pendingRow() == row_) {
        model_.revertPendingRow();
        for (const auto &[column, text] : pendingBefore_) {
            const RecordField *shown = field(column);
            if (shown && shown->isBinary())
                model_.setBinary(model_.index(row_, column), text.isEmpty() ? std::nullopt : std::optional(text));
            else if (text.isEmpty())
                model_.setNull(model_.index(row_, column));
            else
                model_.setData(model_.index(row_, column), text);
        }
    }
    QDialog::reject();
}
