#pragma once

#include <QByteArray>
#include <QString>

// Values that only an exact round trip leaves as they were.
namespace longvalues {

// Every byte value once, then noise from the seed: a file that any text
// conversion on its way would spoil.
QByteArray someBytes(qsizetype size, quint32 seed);

// Text of at least `length` UTF-16 units with tabs, CR LF line breaks, both
// quotes, a backslash, letters beyond ASCII and characters outside the basic
// plane (two UTF-16 units each); with `loneBreaks`, CR and LF on their own too.
QString awkwardText(qsizetype length, bool loneBreaks = false);

} // namespace longvalues
