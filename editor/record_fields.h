#pragma once

#include "db/table_snapshot.h"

#include <QString>
#include <optional>

// What the record view edits a column's value with, and what it lets be
// typed there: decided from the column alone, so that the dialog only shows.
enum class FieldEditor { Line, LongText, Integer, Decimal, Floating, Date, Time, Timestamp, Boolean, Binary, ReadOnly };

// Long text (past one line's worth, a line break, a long-text type) gets a
// multi-line box; a value that cannot be written here is read-only.
FieldEditor fieldEditorFor(const db::ColumnInfo &column, const QString &value);

// Why the text cannot be a value of the column (digits, sign and the
// column's precision and scale for integers and decimals); empty when it can.
// A column whose precision is not known is held to the form alone.
QString numberRefusal(const db::ColumnInfo &column, const QString &text);

// A boolean cell's text as true, false or (nullopt) neither; the texts the
// box writes back.
std::optional<bool> booleanOf(const QString &text);
inline QString booleanText(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }

// What a read-only field shows as its tooltip.
QString readOnlyFieldReason(const db::ColumnInfo &column);

// A multi-line text box knows one kind of line break, and also ends a line at
// a carriage return and at U+2029. How a long text is shown there so that the
// value comes back whole, whatever the user changes around its line breaks:
// the kind the text mostly uses is the box's, and the others are shown as the
// symbols for CR and LF (or, where the text holds those, characters of the
// private use area), which turn back into them.
struct LongTextForm {
    QString shown;     // what the box holds
    QString lineBreak; // what each of its line ends stands for
    QChar crMark, lfMark; // what a CR and an LF that are no line end show as
    bool exact = true;    // false when the text holds U+2029, or every pair of marks
};
LongTextForm longTextForm(const QString &value);
// The value the box's text stands for, in the form it was shown in.
QString longTextValue(const QString &shown, const LongTextForm &form);
