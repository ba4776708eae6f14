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
