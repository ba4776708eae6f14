#include "editor/cell_search.h"

#include "export/row_source.h"

#include <algorithm>
#include <cstring>

namespace {

bool isAscii(QByteArrayView text)
{
    for (const char c : text) {
        if (quint8(c) >= 0x80)
            return false;
    }
    return true;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c | 0x20) : c; }

bool equalIgnoringAsciiCase(const char *text, const char *lowerNeedle, qsizetype length)
{
    for (qsizetype i = 0; i < length; ++i) {
        if (lower(text[i]) != lowerNeedle[i])
            return false;
    }
    return true;
}

} // namespace

CellMatcher::CellMatcher(const CellSearch &search) : search_(search), utf8_(search.text.toUtf8())
{
    const QString folded = search.text.toCaseFolded();
    if (!search.matchCase && std::all_of(folded.begin(), folded.end(), [](QChar c) { return c.unicode() < 0x80; }))
        folded_ = folded.toLatin1();
}

bool CellMatcher::matches(QByteArrayView cell) const
{
    if (utf8_.isEmpty())
        return false;
    if (search_.matchCase) {
        // Equal text is equal UTF-8.
        return search_.wholeCell ? cell == QByteArrayView(utf8_) : cell.indexOf(utf8_) >= 0;
    }
    if (!folded_.isEmpty() && matchesAscii(cell))
        return true;
    // Letters beyond ASCII may fold to ASCII ones (the Kelvin sign to "k"),
    // so only text with some may still match.
    return !isAscii(cell) && matchesUnicode(cell);
}

bool CellMatcher::matchesAscii(QByteArrayView cell) const
{
    const qsizetype length = folded_.size();
    if (search_.wholeCell)
        return cell.size() == length && equalIgnoringAsciiCase(cell.data(), folded_.constData(), length);
    if (cell.size() < length)
        return false;
    const char first = folded_[0];
    const bool letter = first >= 'a' && first <= 'z';
    const char *data = cell.data();
    const qsizetype last = cell.size() - length;
    for (qsizetype i = 0; i <= last; ++i) {
        const char c = letter ? char(data[i] | 0x20) : data[i];
        if (c == first && equalIgnoringAsciiCase(data + i + 1, folded_.constData() + 1, length - 1))
            return true;
    }
    return false;
}

bool CellMatcher::matchesUnicode(QByteArrayView cell) const
{
    const QString text = QString::fromUtf8(cell);
    if (search_.wholeCell)
        return text.compare(search_.text, Qt::CaseInsensitive) == 0;
    return text.contains(search_.text, Qt::CaseInsensitive);
}

std::optional<SearchHit> findCell(const RowSource &rows, const CellSearch &search, CellPosition from, bool forward)
{
    const qint64 rowCount = rows.rowCount();
    const int columns = rows.columnCount();
    if (rowCount <= 0 || columns <= 0 || search.text.isEmpty())
        return std::nullopt;
    from.row = std::clamp<qint64>(from.row, 0, rowCount - 1);
    from.column = std::clamp(from.column, 0, columns - 1);
    const CellMatcher matcher(search);
    RowCells cells;
    const int step = forward ? 1 : -1;
    // Every row once and the starting row a second time, for the cells on
    // the other side of the starting cell.
    for (qint64 visited = 0; visited <= rowCount; ++visited) {
        qint64 row = from.row + step * visited;
        const bool wrapped = row < 0 || row >= rowCount;
        row = (row % rowCount + rowCount) % rowCount;
        rows.readRow(row, cells);
        for (int k = 0; k < columns; ++k) {
            const int column = forward ? k : columns - 1 - k;
            if (visited == 0 && (forward ? column <= from.column : column >= from.column))
                continue;
            if (visited == rowCount && (forward ? column > from.column : column < from.column))
                break;
            if (matcher.matches(cells.utf8(column)))
                return SearchHit{{row, column}, wrapped};
        }
    }
    return std::nullopt;
}
