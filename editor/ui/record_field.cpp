#include "editor/ui/record_field.h"

#include "editor/cell_tooltip.h"
#include "editor/ui/binary_value_box.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDate>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QShortcut>
#include <QToolButton>
#include <QWidgetAction>
#include <limits>

RecordField::RecordField(const db::ColumnInfo &column, bool emptyTextIsNull, QWidget *parent)
    : QWidget(parent), column_(column), emptyTextIsNull_(emptyTextIsNull)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The long-text editor is chosen per value; the rest by the column.
    editor_ = fieldEditorFor(column, QString());
    if (editor_ == FieldEditor::Boolean) {
        boolean_ = new QCheckBox(this);
        boolean_->setTristate(column.nullable);
        layout->addWidget(boolean_);
        layout->addStretch();
        connect(boolean_, &QCheckBox::stateChanged, this, [this] { typed(); });
        return;
    }
    if (editor_ == FieldEditor::Binary) {
        binary_ = new BinaryValueBox(this);
        layout->addWidget(binary_);
        connect(binary_, &BinaryValueBox::loaded, this, [this] { typed(); });
    } else {
        line_ = new QLineEdit(this);
        line_->setMaxLength(std::numeric_limits<int>::max());
        layout->addWidget(line_);
        connect(line_, &QLineEdit::textEdited, this, [this] { typed(); });
    }
    if (isTextKind()) {
        // Text past one line's worth gets a box of several lines that keeps
        // its tabs and line breaks as they are.
        longText_ = new QPlainTextEdit(this);
        longText_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        longText_->setFixedHeight(longText_->fontMetrics().lineSpacing() * 4 + 12);
        longText_->setVisible(false);
        layout->addWidget(longText_);
        connect(longText_, &QPlainTextEdit::textChanged, this, [this] { typed(); });
    }
    if (editor_ == FieldEditor::ReadOnly) {
        line_->setReadOnly(true);
        line_->setEnabled(false);
        const QString reason = readOnlyFieldReason(column);
        setToolTip(reason);
        line_->setToolTip(reason);
        return;
    }
    if (editor_ == FieldEditor::Date) {
        // A calendar to pick from, beside a box that always takes typing.
        auto *pick = new QToolButton(this);
        pick->setText(QStringLiteral("..."));
        pick->setToolTip(QStringLiteral("Pick a date"));
        pick->setPopupMode(QToolButton::InstantPopup);
        auto *menu = new QMenu(pick);
        auto *calendar = new QCalendarWidget(menu);
        auto *action = new QWidgetAction(menu);
        action->setDefaultWidget(calendar);
        menu->addAction(action);
        pick->setMenu(menu);
        connect(menu, &QMenu::aboutToShow, calendar, [this, calendar] {
            const QDate typed = QDate::fromString(line_->text().trimmed(), Qt::ISODate);
            calendar->setSelectedDate(typed.isValid() ? typed : QDate::currentDate());
        });
        connect(calendar, &QCalendarWidget::clicked, this, [this, menu](QDate date) {
            line_->setText(date.toString(Qt::ISODate));
            typed();
            menu->close();
        });
        layout->addWidget(pick);
    }
    if (column.nullable && !(emptyTextIsNull_ && isTextKind())) {
        nullSwitch_ = new QCheckBox(QStringLiteral("NULL"), this);
        nullSwitch_->setToolTip(QStringLiteral("No value at all, not even empty text (Ctrl+0)"));
        nullSwitch_->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(nullSwitch_);
        connect(nullSwitch_, &QCheckBox::toggled, this, [this](bool on) { setNullSwitch(on); });
        auto *keys = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), this);
        keys->setContext(Qt::WidgetWithChildrenShortcut);
        connect(keys, &QShortcut::activated, nullSwitch_, [this] { nullSwitch_->setChecked(!nullSwitch_->isChecked()); });
    }
}

QWidget *RecordField::editorWidget() const
{
    if (boolean_)
        return boolean_;
    if (binary_)
        return binary_->focusWidget();
    return longShown_ ? static_cast<QWidget *>(longText_) : line_;
}

void RecordField::showValue(const QString &text, bool isNull)
{
    showing_ = true;
    shownText_ = isNull ? QString() : text;
    shownNull_ = isNull;
    if (boolean_) {
        const std::optional<bool> value = isNull ? std::nullopt : booleanOf(text);
        boolean_->setCheckState(!value ? Qt::PartiallyChecked : *value ? Qt::Checked : Qt::Unchecked);
        // The box tells nothing else apart: its own text is what it shows.
        shownText_ = this->text();
        shownNull_ = this->isNull();
    } else if (longText_ && fieldEditorFor(column_, shownText_) == FieldEditor::LongText) {
        useLongText(true);
        putLongText(shownText_);
        shownPlain_ = longText_->document()->toRawText();
    } else if (binary_) {
        binary_->show(shownText_, isNull);
    } else if (editor_ == FieldEditor::ReadOnly && column_.kind == db::ColumnKind::Binary) {
        line_->setText(isNull ? QString() : binaryToolTip(text));
    } else {
        if (longText_)
            useLongText(false);
        line_->setText(shownText_);
        line_->setCursorPosition(0);
    }
    if (nullSwitch_)
        nullSwitch_->setChecked(isNull);
    showing_ = false;
}

QString RecordField::text() const
{
    if (boolean_) {
        if (boolean_->checkState() == Qt::PartiallyChecked)
            return QString();
        return booleanText(boolean_->checkState() == Qt::Checked);
    }
    if (editor_ == FieldEditor::ReadOnly)
        return shownText_;
    if (binary_)
        return binary_->text();
    if (!longShown_)
        return line_->text();
    // The raw text: the plain one would make no-break spaces ordinary ones.
    const QString plain = longText_->document()->toRawText();
    // Untouched, the value stays exactly as it was, whatever the box made of
    // its line breaks.
    if (plain == shownPlain_)
        return shownText_;
    return longTextValue(plain, longForm_);
}

bool RecordField::isNull() const
{
    if (boolean_)
        return boolean_->checkState() == Qt::PartiallyChecked;
    if (editor_ == FieldEditor::ReadOnly)
        return shownNull_;
    if (nullSwitch_)
        return nullSwitch_->isChecked();
    if (binary_)
        return false;
    // An empty number or date is no value; where empty text is NULL, the
    // empty box is.
    return text().isEmpty() && (!isTextKind() || emptyTextIsNull_);
}

QString RecordField::refusal() const
{
    if (!isChanged() || isNull())
        return {};
    return numberRefusal(column_, text());
}

void RecordField::setNullSwitch(bool on)
{
    if (binary_ && !showing_) {
        binary_->setNull(on);
        return;
    }
    if (showing_ || !on)
        return;
    // NULL empties the box; typing into it again makes it a value.
    showing_ = true;
    if (longShown_)
        longText_->clear();
    else if (line_)
        line_->clear();
    showing_ = false;
}

void RecordField::putLongText(const QString &text)
{
    longForm_ = longTextForm(text);
    longText_->setPlainText(longForm_.shown);
}

void RecordField::enterValue(const QString &text, bool isNull)
{
    if (editor_ == FieldEditor::ReadOnly)
        return;
    if (boolean_) {
        const std::optional<bool> value = isNull ? std::nullopt : booleanOf(text);
        boolean_->setCheckState(!value ? Qt::PartiallyChecked : *value ? Qt::Checked : Qt::Unchecked);
        return;
    }
    if (isNull && nullSwitch_) {
        nullSwitch_->setChecked(true);
        return;
    }
    if (binary_) {
        binary_->show(text, false);
        typed();
        return;
    }
    if (longText_ && (longShown_ || fieldEditorFor(column_, text) == FieldEditor::LongText)) {
        useLongText(true);
        putLongText(text);
    } else {
        line_->setText(text);
    }
    typed();
}

void RecordField::useLongText(bool on)
{
    const bool hadFocus = editorWidget()->hasFocus();
    longShown_ = on;
    longText_->setVisible(on);
    line_->setVisible(!on);
    if (hadFocus)
        editorWidget()->setFocus();
}

void RecordField::typed()
{
    if (showing_ || !nullSwitch_)
        return;
    // Typing a value takes the NULL away; emptying a number or date is NULL.
    // A file loaded is a value, even an empty one.
    showing_ = true;
    nullSwitch_->setChecked(text().isEmpty() && !isTextKind() && !binary_);
    showing_ = false;
}
