#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

class RowSource;

struct CellSearch {
    QString text;
    bool matchCase = false;
    bool wholeCell = false; // the whole text of the cell, not a part of it
};

// Whether a cell's display text (UTF-8) matches a search. Text that is all
// ASCII, nearly all text in practice, is matched on its bytes; the rest as
// Qt matches strings, ignoring case by folding it.
class CellMatcher {
public:
    explicit CellMatcher(const CellSearch &search);
    bool matches(QByteArrayView cell) const;

private:
    bool matchesAscii(QByteArrayView cell) const;
    bool matchesUnicode(QByteArrayView cell) const;

    CellSearch search_;
    QByteArray utf8_;   // the text as typed
    QByteArray folded_; // ASCII, lower case; empty when the folded text is not ASCII
};

struct CellPosition {
    qint64 row = 0;
    int column = 0;
};

struct SearchHit {
    CellPosition cell;
    bool wrapped = false; // went past the last cell (the first, going backwards)
};

// The next cell that matches in the grid's order, row by row, starting after
// `from` (before it, going backwards) and coming round to `from` itself.
std::optional<SearchHit> findCell(const RowSource &rows, const CellSearch &search, CellPosition from, bool forward);
