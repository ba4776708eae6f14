#include "editor/row_order.h"

#include "db/table_snapshot.h"
#include "editor/cell_order.h"
#include "editor/locale_collation.h"

#include <QCollator>
#include <QString>
#include <algorithm>
#include <array>
#include <bitset>
#include <functional>
#include <optional>

namespace {

constexpr quint32 nullKey = 0;
constexpr quint32 lastKey = 0xFFFFFFFFu;

// One column's cells; NULL is told apart from empty text only where it can
// be empty at all.
class ColumnCells {
public:
    ColumnCells(const db::TableSnapshot &snapshot, int column) : snapshot_(snapshot), column_(column) {}
    qint64 count() const { return snapshot_.rowCount(); }
    std::optional<QByteArrayView> at(qint64 row) const
    {
        const QByteArrayView text = snapshot_.rawUtf8(row, column_);
        if (text.isEmpty() && snapshot_.isNull(row, column_))
            return std::nullopt;
        return text;
    }

private:
    const db::TableSnapshot &snapshot_;
    int column_;
};

using Compare = std::function<int(QByteArrayView, QByteArrayView)>;

// A column's cells as the first bytes of their sort keys. A view given is
// valid until the next one, except that of the first row with a value,
// which PrefixKeys keeps to compare the others with.
class SortKeyCells {
public:
    SortKeyCells(const ColumnCells &cells, const LocaleCollation &collation) : cells_(cells), collation_(collation) {}
    qint64 count() const { return cells_.count(); }
    std::optional<QByteArrayView> at(qint64 row) const
    {
        const auto text = cells_.at(row);
        if (!text)
            return std::nullopt;
        if (firstRow_ < 0)
            firstRow_ = row;
        auto &buffer = row == firstRow_ ? first_ : other_;
        return QByteArrayView(buffer.data(), collation_.keyStart(*text, buffer.data(), int(buffer.size())));
    }

private:
    const ColumnCells &cells_;
    const LocaleCollation &collation_;
    mutable qint64 firstRow_ = -1;
    // Enough for the primary weights of a dozen characters or so; ties past
    // them are settled by comparing the texts.
    mutable std::array<quint8, 32> first_{}, other_{};
};

quint16 byteSymbol(char c) { return quint16(quint8(c) + 1); }

// The keys go straight into the upper halves of the order's entries, so
// that making them takes no room beyond the entries themselves.
class Keys {
public:
    explicit Keys(std::vector<quint64> &entries) : entries_(entries) {}
    void resize(size_t rows) { entries_.resize(rows); }
    void set(qint64 row, quint32 key) { entries_[size_t(row)] = (quint64(key) << 32) | quint64(row); }

private:
    std::vector<quint64> &entries_;
};

// Keys for text that shares a leading part in every row: the characters
// after it, each by its rank among the characters that occur there, packed
// as densely as 32 bits hold them. `symbol` gives a character's rank in the
// order (1 upwards); the order compares strings rank by rank, shorter first.
class PrefixKeys {
public:
    template <class Cells, class Symbol>
    PrefixKeys(const Cells &cells, Symbol symbol, Keys &keys)
    {
        std::optional<QByteArrayView> reference;
        qsizetype common = 0;
        std::bitset<257> seen;
        for (qint64 row = 0; row < cells.count(); ++row) {
            const auto text = cells.at(row);
            if (!text)
                continue;
            if (!reference) {
                reference = text;
                common = text->size();
                continue;
            }
            qsizetype i = 0;
            const qsizetype limit = std::min(common, text->size());
            while (i < limit && symbol((*text)[i]) == symbol((*reference)[i]))
                ++i;
            common = i;
            for (qsizetype k = common; k < text->size(); ++k)
                seen.set(symbol((*text)[k]));
        }
        if (reference) {
            for (qsizetype k = common; k < reference->size(); ++k)
                seen.set(symbol((*reference)[k]));
        }
        std::array<quint16, 257> dense{};
        quint64 base = 1;
        for (size_t s = 0; s < seen.size(); ++s) {
            if (seen.test(s))
                dense[s] = quint16(base++);
        }
        int digits = 0;
        if (base > 1) {
            for (quint64 span = base; span <= 0xFFFFFFFFull; span *= base)
                ++digits;
        }
        keys.resize(size_t(cells.count()));
        for (qint64 row = 0; row < cells.count(); ++row) {
            const auto text = cells.at(row);
            quint64 key = 0;
            for (int d = 0; d < digits; ++d) {
                const qsizetype at = common + d;
                key = key * base + (text && at < text->size() ? dense[symbol((*text)[at])] : 0);
            }
            keys.set(row, quint32(key));
        }
    }
};

// An integer whose key is its value exactly (a float holds it) and which is
// written only one way, so that equal keys mean equal values.
bool isSmallPlainInteger(QByteArrayView text)
{
    const qsizetype sign = text.startsWith('-') ? 1 : 0;
    const qsizetype digits = text.size() - sign;
    if (digits < 1 || digits > 7 || (text[sign] == '0' && (digits > 1 || sign)))
        return false;
    return std::all_of(text.begin() + sign, text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Keys for every row (a < b gives key(a) <= key(b), NULL 0) and the exact
// order the keys leave to be settled; `keysSettleAll` when equal keys always
// mean equal values, so that nothing is left to settle.
Compare keysAndOrder(const ColumnCells &cells, ValueKind kind, Keys &keys, bool &keysSettleAll)
{
    const qint64 rows = cells.count();
    keysSettleAll = false;
    switch (kind) {
    case ValueKind::Number:
        keys.resize(size_t(rows));
        keysSettleAll = true;
        for (qint64 row = 0; row < rows; ++row) {
            const auto text = cells.at(row);
            keys.set(row, text ? std::max<quint32>(numberKey(*text), 1) : nullKey);
            keysSettleAll = keysSettleAll && (!text || isSmallPlainInteger(*text));
        }
        return compareNumberText;
    case ValueKind::Time: {
        // Seconds from the earliest, shifted until the span fits.
        qint64 first = 0, last = 0;
        bool any = false;
        for (qint64 row = 0; row < rows; ++row) {
            const auto text = cells.at(row);
            if (const auto seconds = text ? secondsOfTimeText(*text) : std::nullopt) {
                first = any ? std::min(first, *seconds) : *seconds;
                last = any ? std::max(last, *seconds) : *seconds;
                any = true;
            }
        }
        int shift = 0;
        while ((quint64(last - first) >> shift) >= 0xFFFFFFFDull)
            ++shift;
        keys.resize(size_t(rows));
        for (qint64 row = 0; row < rows; ++row) {
            const auto text = cells.at(row);
            if (!text)
                keys.set(row, nullKey);
            else if (const auto seconds = secondsOfTimeText(*text))
                keys.set(row, quint32(1 + (quint64(*seconds - first) >> shift)));
            else if (infinitySign(*text) < 0)
                keys.set(row, 1); // with the earliest time; the comparison puts it first
            else
                keys.set(row, lastKey);
        }
        return compareTimeText;
    }
    case ValueKind::Bytes:
        PrefixKeys(cells, byteSymbol, keys);
        return compareBytes;
    case ValueKind::Text:
        break;
    }

    // Text by the user's locale. Printable ASCII, the common case, is ordered
    // by a copy of the locale's order that needs no call into it.
    auto collator = std::make_shared<QCollator>();
    auto ascii = std::make_shared<AsciiCollation>(*collator);
    bool allAscii = ascii->usable();
    for (qint64 row = 0; allAscii && row < rows; ++row) {
        const auto text = cells.at(row);
        allAscii = !text || AsciiCollation::isPrintableAscii(*text);
    }
    if (allAscii) {
        PrefixKeys(cells, [&ascii](char c) { return quint16(ascii->primary(c)); }, keys);
        return [ascii](QByteArrayView a, QByteArrayView b) { return ascii->compare(a, b); };
    }
    // The C locale orders by character, which UTF-8's bytes do already.
    if (collator->locale().language() == QLocale::C) {
        PrefixKeys(cells, byteSymbol, keys);
        return compareBytes;
    }
    // Others by the locale's sort keys; the rows they leave tied, by the
    // locale itself.
    auto collation = std::make_shared<LocaleCollation>(collator->locale());
    if (collation->usable()) {
        PrefixKeys(SortKeyCells(cells, *collation), byteSymbol, keys);
        return [collation](QByteArrayView a, QByteArrayView b) { return collation->compare(a, b); };
    }
    keys.resize(size_t(rows));
    for (qint64 row = 0; row < rows; ++row)
        keys.set(row, cells.at(row) ? 1 : nullKey);
    return [collator](QByteArrayView a, QByteArrayView b) {
        const int c = collator->compare(QString::fromUtf8(a), QString::fromUtf8(b));
        return (c > 0) - (c < 0);
    };
}

} // namespace

void RowOrder::clear()
{
    unfilter();
    unsort();
}

void RowOrder::unsort()
{
    const std::vector<bool> marks = shownMarks();
    std::vector<quint64>().swap(entries_);
    column_ = -1;
    order_ = Qt::AscendingOrder;
    if (filtered_)
        showMarked(marks);
}

template <class Visit>
void RowOrder::forEachInOrder(Visit visit) const
{
    if (column_ >= 0) {
        for (const quint64 entry : entries_)
            visit(qint64(quint32(entry)));
    } else {
        for (qint64 row = 0; row < tableRows_; ++row)
            visit(row);
    }
}

std::vector<bool> RowOrder::shownMarks() const
{
    std::vector<bool> marks;
    if (!filtered_)
        return marks;
    marks.resize(size_t(tableRows_));
    for (const quint32 row : shown_)
        marks[row] = true;
    return marks;
}

void RowOrder::showMarked(const std::vector<bool> &marked)
{
    shown_.clear();
    forEachInOrder([&](qint64 row) {
        if (marked[size_t(row)])
            shown_.push_back(quint32(row));
    });
    shown_.shrink_to_fit();
}

void RowOrder::filter(qint64 tableRows, const std::function<bool(qint64)> &keep, bool amongShown)
{
    amongShown = amongShown && filtered_;
    if (column_ < 0) {
        // The table's order is the grid's: one pass, row after row.
        if (amongShown) {
            std::erase_if(shown_, [&](quint32 row) { return !keep(qint64(row)); });
        } else {
            tableRows_ = tableRows;
            shown_.clear();
            for (qint64 row = 0; row < tableRows; ++row) {
                if (keep(row))
                    shown_.push_back(quint32(row));
            }
        }
        shown_.shrink_to_fit();
        filtered_ = true;
        return;
    }
    // Sorted, the rows are looked at in the table's order, where their cells
    // lie one after another in memory, and then taken in the sort's order.
    std::vector<bool> marks = amongShown ? shownMarks() : std::vector<bool>(size_t(tableRows), true);
    for (qint64 row = 0; row < tableRows; ++row) {
        if (marks[size_t(row)] && !keep(row))
            marks[size_t(row)] = false;
    }
    tableRows_ = tableRows;
    filtered_ = true;
    showMarked(marks);
}

void RowOrder::unfilter()
{
    std::vector<quint32>().swap(shown_);
    filtered_ = false;
}

void RowOrder::sort(const db::TableSnapshot &snapshot, int column, Qt::SortOrder order)
{
    const std::vector<bool> marks = shownMarks();
    std::vector<quint64>().swap(entries_);
    column_ = -1;
    const ColumnCells cells(snapshot, column);
    const bool ascending = order == Qt::AscendingOrder;
    {
        Keys keys(entries_);
        bool keysSettleAll = false;
        const Compare compare = keysAndOrder(cells, valueKindOf(snapshot.column(column)), keys, keysSettleAll);
        if (!ascending) {
            for (quint64 &entry : entries_)
                entry ^= 0xFFFFFFFF00000000ull;
        }
        std::sort(entries_.begin(), entries_.end());

        // Rows whose keys are equal are put in order by their values; equal
        // values stay in table order.
        const auto before = [&](quint64 a, quint64 b) {
            const auto textA = cells.at(qint64(quint32(a)));
            const auto textB = cells.at(qint64(quint32(b)));
            int c = 0;
            if (!textA || !textB)
                c = int(bool(textA)) - int(bool(textB));
            else
                c = compare(*textA, *textB);
            if (!ascending)
                c = -c;
            return c != 0 ? c < 0 : quint32(a) < quint32(b);
        };
        for (auto runStart = keysSettleAll ? entries_.end() : entries_.begin(); runStart != entries_.end();) {
            const quint64 key = *runStart >> 32;
            auto runEnd = runStart + 1;
            while (runEnd != entries_.end() && (*runEnd >> 32) == key)
                ++runEnd;
            if (runEnd - runStart > 1 && !std::is_sorted(runStart, runEnd, before))
                std::sort(runStart, runEnd, before);
            runStart = runEnd;
        }
    }
    column_ = column;
    order_ = order;
    if (filtered_)
        showMarked(marks);
}

qint64 RowOrder::gridRow(qint64 tableRow) const
{
    if (filtered_) {
        if (tableRow >= tableRows_)
            return tableRow - tableRows_ + qint64(shown_.size());
        const auto at = std::find(shown_.begin(), shown_.end(), quint32(tableRow));
        return at == shown_.end() ? -1 : qint64(at - shown_.begin());
    }
    if (column_ < 0 || tableRow >= qint64(entries_.size()))
        return tableRow;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (qint64(quint32(entries_[i])) == tableRow)
            return qint64(i);
    }
    return -1;
}

void RowOrder::appendTableRow(qint64 tableRow)
{
    if (column_ >= 0)
        entries_.push_back(quint64(tableRow));
    if (filtered_) {
        shown_.push_back(quint32(tableRow));
        ++tableRows_;
    }
}

qint64 RowOrder::insertTableRow(qint64 tableRow, bool shown)
{
    qint64 at = tableRow;
    if (column_ >= 0) {
        at = 0;
        for (size_t i = 0; i < entries_.size(); ++i) {
            const auto row = qint64(quint32(entries_[i]));
            if (row >= tableRow)
                entries_[i] = quint64(row + 1);
            else if (row == tableRow - 1)
                at = qint64(i) + 1;
        }
        entries_.insert(entries_.begin() + at, quint64(tableRow));
    }
    if (!filtered_)
        return at;
    for (quint32 &row : shown_) {
        if (qint64(row) >= tableRow)
            ++row;
    }
    ++tableRows_;
    if (!shown)
        return -1;
    std::vector<bool> marks = shownMarks();
    marks[size_t(tableRow)] = true;
    showMarked(marks);
    return gridRow(tableRow);
}

std::vector<qint64> RowOrder::removeTableRows(const std::vector<qint64> &ascendingTableRows)
{
    std::vector<qint64> gridRows;
    if (filtered_) {
        size_t kept = 0;
        for (size_t i = 0; i < shown_.size(); ++i) {
            const auto row = qint64(shown_[i]);
            const auto below = std::lower_bound(ascendingTableRows.begin(), ascendingTableRows.end(), row);
            if (below != ascendingTableRows.end() && *below == row) {
                gridRows.push_back(qint64(i));
                continue;
            }
            shown_[kept++] = quint32(row - (below - ascendingTableRows.begin()));
        }
        shown_.resize(kept);
        tableRows_ -= qint64(ascendingTableRows.size());
    }
    if (column_ < 0)
        return filtered_ ? gridRows : ascendingTableRows;
    const bool gridIsSorted = !filtered_;
    size_t kept = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const auto row = qint64(quint32(entries_[i]));
        const auto below = std::lower_bound(ascendingTableRows.begin(), ascendingTableRows.end(), row);
        if (below != ascendingTableRows.end() && *below == row) {
            if (gridIsSorted)
                gridRows.push_back(qint64(i));
            continue;
        }
        entries_[kept++] = quint64(row - (below - ascendingTableRows.begin()));
    }
    entries_.resize(kept);
    return gridRows;
}
