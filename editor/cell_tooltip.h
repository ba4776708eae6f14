#pragma once

#include <QString>

// The tooltip of a cell whose text the cell cannot show whole: the text as
// it is (line breaks, tabs and markup-looking characters shown, never
// interpreted), its first characters only where it is very long.
QString longTextToolTip(const QString &text);

inline constexpr int longTextToolTipLength = 2000;

// The size of a binary value given as binary text (see db/binary_text.h),
// as "N bytes"; "Binary data" where the text is no binary text.
QString binaryToolTip(const QString &binaryText);
