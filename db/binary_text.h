#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

namespace db {

// Binary values travel through the program as the text the driver reads them
// as: two hexadecimal digits a byte, bare (PostgreSQL, Oracle) or as an SQL
// literal X'...' (SQLite). The grid and the exports show that text; writing
// a value turns it back into its bytes.

// The bytes the text stands for; nullopt when it is no such text.
std::optional<QByteArray> bytesOfBinaryText(QStringView text);

// The number of bytes the text stands for, without decoding it; -1 when it
// is no such text.
qsizetype binaryTextSize(QStringView text);

// The bytes as text in the form of `like` (a value of the same column), so
// that a value put in reads as the column's others do; bare lower-case
// digits where `like` says nothing.
QString binaryTextOf(QByteArrayView bytes, QStringView like = {});

// The first bytes of the text, as pairs of upper-case digits with a space
// between them, and an ellipsis when there are more.
QString binaryTextStart(QStringView text, int bytes);

} // namespace db
