#pragma once

#include "db/table_snapshot.h"
#include "editor/record_fields.h"

#include <QWidget>

class BinaryValueBox;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

// One column's value in the record view: an editor that fits the column's
// kind and, for a nullable column, a NULL switch (Ctrl+0) beside it. Where
// the database keeps empty text as NULL the empty box is the NULL.
class RecordField : public QWidget {
    Q_OBJECT
public:
    RecordField(const db::ColumnInfo &column, bool emptyTextIsNull, QWidget *parent);

    void showValue(const QString &text, bool isNull);
    // Puts a value in as the user would: typed, picked, or the NULL switch.
    void enterValue(const QString &text, bool isNull = false);
    // What the field holds now: its text, and whether it is NULL.
    QString text() const;
    bool isNull() const;
    bool isChanged() const { return text() != shownText_ || isNull() != shownNull_; }
    bool isEditable() const { return editor_ != FieldEditor::ReadOnly; }
    // Its value is binary text, put into the row whole.
    bool isBinary() const { return binary_ != nullptr; }
    BinaryValueBox *binaryBox() const { return binary_; }
    // Why what was typed cannot be the column's value; empty when it can.
    QString refusal() const;
    QWidget *editorWidget() const;

private:
    void setNullSwitch(bool on);
    void typed();
    void useLongText(bool on);
    void putLongText(const QString &text);
    bool isTextKind() const { return editor_ == FieldEditor::Line || editor_ == FieldEditor::LongText; }

    db::ColumnInfo column_;
    bool emptyTextIsNull_;
    FieldEditor editor_ = FieldEditor::Line;
    QLineEdit *line_ = nullptr;
    QPlainTextEdit *longText_ = nullptr;
    QCheckBox *boolean_ = nullptr;
    BinaryValueBox *binary_ = nullptr;
    QCheckBox *nullSwitch_ = nullptr;
    QString shownText_;
    bool shownNull_ = false;
    bool showing_ = false;
    bool longShown_ = false;
    // The long-text box's own text of the value shown, and how it shows the
    // value's line breaks.
    QString shownPlain_;
    LongTextForm longForm_;
};
