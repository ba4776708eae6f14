#include "editor/cell_clipboard.h"

QString cellsToTabText(const std::vector<QStringList> &rows)
{
    QString text;
    for (const QStringList &row : rows) {
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (c > 0)
                text += u'\t';
            QString cell = row[c];
            if (cell.contains(u'\t') || cell.contains(u'\n') || cell.contains(u'\r') || cell.contains(u'"'))
                cell = u'"' + cell.replace(u'"', QStringLiteral("\"\"")) + u'"';
            text += cell;
        }
        text += u'\n';
    }
    return text;
}

std::vector<QStringList> cellsFromTabText(const QString &input)
{
    QString text = input;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::vector<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;     // inside a quoted cell
    bool cellStart = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (quoted) {
            if (ch == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                cell += u'"';
                ++i;
            } else if (ch == u'"') {
                quoted = false;
            } else {
                cell += ch;
            }
            continue;
        }
        if (ch == u'"' && cellStart) {
            quoted = true;
            cellStart = false;
        } else if (ch == u'\t') {
            row << cell;
            cell.clear();
            cellStart = true;
        } else if (ch == u'\n') {
            row << cell;
            rows.push_back(row);
            row.clear();
            cell.clear();
            cellStart = true;
        } else {
            cell += ch;
            cellStart = false;
        }
    }
    if (!cellStart || !row.isEmpty())
        rows.push_back(row << cell);
    return rows;
}
