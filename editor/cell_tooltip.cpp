#include "editor/cell_tooltip.h"

#include "db/binary_text.h"

QString longTextToolTip(const QString &text)
{
    const bool cut = text.size() > longTextToolTipLength;
    QString shown = text.left(longTextToolTipLength).toHtmlEscaped();
    if (cut)
        shown += QStringLiteral("\u2026");
    // As rich text, so that a value that looks like markup is shown as typed
    // and long lines wrap; pre-wrap keeps its spaces, tabs and line breaks.
    return QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>").arg(shown);
}

QString binaryToolTip(const QString &binaryText)
{
    const qsizetype size = db::binaryTextSize(binaryText);
    if (size < 0)
        return QStringLiteral("Binary data");
    return size == 1 ? QStringLiteral("1 byte") : QStringLiteral("%L1 bytes").arg(size);
}
