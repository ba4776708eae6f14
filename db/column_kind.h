#pragma once

namespace db {

// What a column holds, whatever the database calls its type: the editor
// orders, aligns and edits values by this and never sees an ODBC type.
enum class ColumnKind { Integer, Decimal, Floating, Date, Time, Timestamp, Text, Boolean, Binary, Other };

// The kind of an ODBC SQL type (SQL_INTEGER, SQL_TYPE_DATE, ...).
ColumnKind columnKindOfSqlType(short sqlType);

inline bool isNumberKind(ColumnKind kind)
{
    return kind == ColumnKind::Integer || kind == ColumnKind::Decimal || kind == ColumnKind::Floating;
}

inline bool isTimeKind(ColumnKind kind)
{
    return kind == ColumnKind::Date || kind == ColumnKind::Time || kind == ColumnKind::Timestamp;
}

} // namespace db
