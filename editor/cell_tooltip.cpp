#include "editor/cell_tooltip.h"

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
