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
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace {

constexpr quint32 nullKey = 0;
constexpr quint32 lastKey = 0xFFFFFFFFu;

// One column's cells, found once: reaching a cell in the table walks the
// cells before it in its row, which the sort would otherwise do for every
// key it takes. Twelve bytes a row, for as long as the sort lasts.
class ColumnCells {
public:
    // `checkAscii` also finds whether every text is printable ASCII, and
    // which bytes occur, while its bytes are at hand.
    ColumnCells(const db::TableSnapshot &snapshot, int column, bool checkAscii)
        : data_(size_t(snapshot.rowCount())), sizes_(size_t(snapshot.rowCount())), allAscii_(checkAscii)
    {
        for (size_t row = 0; row < data_.size(); ++row) {
            const QByteArrayView text = snapshot.rawUtf8(qint64(row), column);
            // NULL is told apart from empty text only where it can be empty at all.
            if (text.isEmpty() && snapshot.isNull(qint64(row), column)) {
                sizes_[row] = nullSize;
            } else {
                data_[row] = text.data();
                sizes_[row] = quint32(text.size());
                if (allAscii_) {
                    allAscii_ = AsciiCollation::isPrintableAscii(text);
                    for (const char c : text)
                        occurs_[quint8(c)] = true;
                }
            }
        }
    }
    ColumnCells(const ColumnCells &) = delete;
    ColumnCells &operator=(const ColumnCells &) = delete;

    qint64 count() const { return qint64(data_.size()); }
    bool allPrintableAscii() const { return allAscii_; }
    // Whether the byte occurs in a text; known for printable ASCII only.
    bool occurs(char c) const { return occurs_[quint8(c)]; }
    std::optional<QByteArrayView> at(qint64 row) const
    {
        const quint32 size = sizes_[size_t(row)];
        if (size == nullSize)
            return std::nullopt;
        return QByteArrayView(data_[size_t(row)], qsizetype(size));
    }

private:
    static constexpr quint32 nullSize = 0xFFFFFFFFu;
    std::vector<const char *> data_;
    std::vector<quint32> sizes_;
    bool allAscii_;
    std::array<bool, 256> occurs_{};
};

// The cells borrowed, for keys that keep what they read from.
class BorrowedCells {
public:
    explicit BorrowedCells(const ColumnCells &cells) : cells_(&cells) {}
    qint64 count() const { return cells_->count(); }
    std::optional<QByteArrayView> at(qint64 row) const { return cells_->at(row); }

private:
    const ColumnCells *cells_;
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

// Characters' ranks packed as the digits of a number in base `base`, as
// many as 32 bits hold; digits past the text's end are 0.
class Packing {
public:
    explicit Packing(quint64 base) : base_(base)
    {
        if (base_ > 1) {
            for (quint64 span = base_; span <= 0xFFFFFFFFull; span *= base_)
                ++digits_;
        }
        power_[0] = 1;
        for (int d = 1; d <= digits_; ++d)
            power_[size_t(d)] = power_[size_t(d - 1)] * base_;
    }
    int digits() const { return digits_; }
    bool ended(quint32 key) const { return digits_ == 0 || key % base_ == 0; }
    // `digit(i)` for the i-th of the `available` characters left.
    template <class Digit>
    quint32 pack(qsizetype available, Digit digit) const
    {
        const int count = int(std::clamp<qsizetype>(available, 0, digits_));
        quint64 key = 0;
        for (int d = 0; d < count; ++d)
            key = key * base_ + digit(d);
        return quint32(key * power_[size_t(digits_ - count)]);
    }

private:
    quint64 base_;
    int digits_ = 0;
    std::array<quint64, 34> power_{};
};

// Keys that go on past the first 32 bits of a text: rows whose first keys
// tie are put in order by the next characters, and so on, before any two
// texts are compared whole.
class DeeperKeys {
public:
    virtual ~DeeperKeys() = default;
    // Where the first keys start.
    virtual qsizetype start() const = 0;
    // How many characters a key holds.
    virtual int span() const = 0;
    // The key of the row's text from `depth` on; the rows that ask have
    // texts at least that long.
    virtual quint32 key(qint64 row, qsizetype depth) const = 0;
    // Whether every text of this key ended within it (or is NULL): then
    // going deeper tells them apart no more.
    virtual bool ended(quint32 key) const = 0;
    // Texts (not NULL) whose keys ended tied at every depth are the very
    // same text, in table order already.
    virtual bool endedMeansSame() const = 0;
    // Else keys of their own that tell them apart, from their first
    // character on; none when they have to be compared.
    virtual const DeeperKeys *tieKeys() const = 0;
};

// Keys for text compared character by character: from a depth on, each
// character by its rank among the characters that occur past the leading
// part every row shares, packed as densely as 32 bits hold them; 0 for
// past the end. `symbol` gives a character's rank in the order (1 upwards);
// the order compares strings rank by rank, shorter first.
template <class Cells, class Symbol>
class CharacterKeys final : public DeeperKeys {
public:
    CharacterKeys(Cells cells, Symbol symbol, Keys &keys, bool endedMeansSame,
                  std::unique_ptr<DeeperKeys> tieKeys = nullptr)
        : cells_(std::move(cells)), symbol_(symbol), endedMeansSame_(endedMeansSame), tieKeys_(std::move(tieKeys))
    {
        std::optional<QByteArrayView> reference;
        // The bytes that occur past the shared part; their ranks, after.
        std::array<quint8, 256> seenBytes{};
        for (qint64 row = 0; row < cells_.count(); ++row) {
            const auto text = cells_.at(row);
            if (!text)
                continue;
            if (!reference) {
                reference = text;
                common_ = text->size();
                continue;
            }
            qsizetype i = 0;
            const qsizetype limit = std::min(common_, text->size());
            while (i < limit && symbol_((*text)[i]) == symbol_((*reference)[i]))
                ++i;
            common_ = i;
            for (qsizetype k = common_; k < text->size(); ++k)
                seenBytes[quint8((*text)[k])] = 1;
        }
        if (reference) {
            for (qsizetype k = common_; k < reference->size(); ++k)
                seenBytes[quint8((*reference)[k])] = 1;
        }
        quint16 base = 1;
        std::bitset<257> seen;
        for (int b = 0; b < 256; ++b) {
            if (seenBytes[size_t(b)])
                seen.set(symbol_(char(b)));
        }
        std::array<quint16, 257> dense{};
        for (size_t s = 0; s < seen.size(); ++s) {
            if (seen.test(s))
                dense[s] = base++;
        }
        // Only the bytes that occur: no other byte is ever looked up.
        for (int b = 0; b < 256; ++b) {
            if (seenBytes[size_t(b)])
                rank_[size_t(b)] = dense[symbol_(char(b))];
        }
        packing_ = Packing(base);
        keys.resize(size_t(cells_.count()));
        for (qint64 row = 0; row < cells_.count(); ++row)
            keys.set(row, keyOf(cells_.at(row), common_));
    }

    qsizetype start() const override { return common_; }
    int span() const override { return packing_.digits(); }
    quint32 key(qint64 row, qsizetype depth) const override { return keyOf(cells_.at(row), depth); }
    bool ended(quint32 key) const override { return packing_.ended(key); }
    bool endedMeansSame() const override { return endedMeansSame_; }
    const DeeperKeys *tieKeys() const override { return tieKeys_.get(); }

private:
    quint32 keyOf(const std::optional<QByteArrayView> &text, qsizetype depth) const
    {
        if (!text)
            return 0;
        const char *from = text->data() + depth;
        return packing_.pack(text->size() - depth, [&](int d) { return rank_[quint8(from[d])]; });
    }

    Cells cells_;
    Symbol symbol_;
    bool endedMeansSame_;
    std::unique_ptr<DeeperKeys> tieKeys_;
    qsizetype common_ = 0;
    // Each byte's rank among those that occur, 0 for the others.
    std::array<quint16, 256> rank_{};
    Packing packing_{1};
};

template <class Cells, class Symbol>
std::unique_ptr<DeeperKeys> characterKeys(Cells cells, Symbol symbol, Keys &keys, bool endedMeansSame,
                                          std::unique_ptr<DeeperKeys> tieKeys = nullptr)
{
    return std::make_unique<CharacterKeys<Cells, Symbol>>(std::move(cells), symbol, keys, endedMeansSame,
                                                          std::move(tieKeys));
}

// Printable ASCII texts the same but for case, told apart as the locale does:
// by each character's rank among those of its primary rank, from the first.
class CaseKeys final : public DeeperKeys {
public:
    CaseKeys(const ColumnCells &cells, std::shared_ptr<const AsciiCollation> ascii)
        : cells_(cells), packing_(baseOf(*ascii))
    {
        for (int c = 0x20; c < 0x7F; ++c)
            digit_[size_t(c)] = quint8(ascii->tertiary(char(c)) + 1);
    }
    qsizetype start() const override { return 0; }
    int span() const override { return packing_.digits(); }
    quint32 key(qint64 row, qsizetype depth) const override
    {
        const auto text = cells_.at(row);
        if (!text)
            return 0;
        const char *from = text->data() + depth;
        return packing_.pack(text->size() - depth, [&](int d) { return digit_[quint8(from[d])]; });
    }
    bool ended(quint32 key) const override { return packing_.ended(key); }
    // A character is told apart from every other by its two ranks.
    bool endedMeansSame() const override { return true; }
    const DeeperKeys *tieKeys() const override { return nullptr; }

private:
    static quint64 baseOf(const AsciiCollation &ascii)
    {
        quint64 base = 2;
        for (int c = 0x20; c < 0x7F; ++c)
            base = std::max<quint64>(base, quint64(ascii.tertiary(char(c))) + 2);
        return base;
    }

    const ColumnCells &cells_;
    std::array<quint8, 128> digit_{};
    Packing packing_;
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
Compare keysAndOrder(const ColumnCells &cells, ValueKind kind, Keys &keys, bool &keysSettleAll,
                     std::unique_ptr<DeeperKeys> &deeper)
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
        deeper = characterKeys(BorrowedCells(cells), byteSymbol, keys, true);
        return compareBytes;
    case ValueKind::Text:
        break;
    }

    // Text by the user's locale. Printable ASCII, the common case, is ordered
    // by a copy of the locale's order that needs no call into it.
    auto collator = std::make_shared<QCollator>();
    auto ascii = std::make_shared<AsciiCollation>(*collator);
    if (ascii->usable() && cells.allPrintableAscii()) {
        // Where no two characters that occur differ only by case, texts
        // the same but for case cannot occur either.
        bool caseless = true;
        for (char a = 0x20; a < 0x7F && caseless; ++a) {
            for (char b = char(a + 1); b < 0x7F && caseless; ++b)
                caseless = !(cells.occurs(a) && cells.occurs(b) && ascii->primary(a) == ascii->primary(b));
        }
        deeper = characterKeys(BorrowedCells(cells), [ascii](char c) { return quint16(ascii->primary(c)); }, keys,
                               caseless, caseless ? nullptr : std::make_unique<CaseKeys>(cells, ascii));
        return [ascii](QByteArrayView a, QByteArrayView b) { return ascii->compare(a, b); };
    }
    // The C locale orders by character, which UTF-8's bytes do already.
    if (collator->locale().language() == QLocale::C) {
        deeper = characterKeys(BorrowedCells(cells), byteSymbol, keys, true);
        return compareBytes;
    }
    // Others by the locale's sort keys; the rows they leave tied, by the
    // locale itself.
    auto collation = std::make_shared<LocaleCollation>(collator->locale());
    if (collation->usable()) {
        // Sort keys are cut short: ended is not the end of the text.
        deeper = characterKeys(SortKeyCells(cells, *collation), byteSymbol, keys, false);
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


// Rows whose keys are equal put in order by their values; equal values stay
// in table order.
class TieBreak {
public:
    TieBreak(const ColumnCells &cells, const Compare &compare, bool ascending)
        : cells_(cells), compare_(compare), ascending_(ascending)
    {
    }

    bool before(quint64 a, quint64 b) const
    {
        const auto textA = cells_.at(qint64(quint32(a)));
        const auto textB = cells_.at(qint64(quint32(b)));
        int c = 0;
        if (!textA || !textB)
            c = int(bool(textA)) - int(bool(textB));
        else
            c = compare_(*textA, *textB);
        if (!ascending_)
            c = -c;
        return c != 0 ? c < 0 : quint32(a) < quint32(b);
    }

    // Entries sorted by their keys, each run of equal keys then by value.
    void settleRuns(std::span<quint64> entries) const
    {
        forEachRun(entries, [&](std::span<quint64> run) { settle(run); });
    }

    void settle(std::span<quint64> run) const
    {
        if (run.size() < 2 || sameBytes(run))
            return;
        const auto less = [this](quint64 a, quint64 b) { return before(a, b); };
        if (!std::is_sorted(run.begin(), run.end(), less))
            std::sort(run.begin(), run.end(), less);
    }

    template <class Visit>
    static void forEachRun(std::span<quint64> entries, Visit visit)
    {
        for (size_t start = 0; start < entries.size();) {
            const quint64 key = entries[start] >> 32;
            size_t end = start + 1;
            while (end < entries.size() && (entries[end] >> 32) == key)
                ++end;
            visit(entries.subspan(start, end - start));
            start = end;
        }
    }

private:
    // Rows of the very same text (codes, names repeated) are in table order
    // already: the keys' ties went by the row.
    bool sameBytes(std::span<const quint64> run) const
    {
        const auto first = cells_.at(qint64(quint32(run.front())));
        if (!first)
            return false;
        reference_.assign(first->begin(), first->end());
        const QByteArrayView reference(reference_.data(), qsizetype(reference_.size()));
        return std::all_of(run.begin() + 1, run.end(), [&](quint64 entry) {
            const auto text = cells_.at(qint64(quint32(entry)));
            return text && *text == reference;
        });
    }

    const ColumnCells &cells_;
    const Compare &compare_;
    bool ascending_;
    mutable std::vector<char> reference_;
};

// Runs of rows whose keys tie, put in order by the characters after the ones
// the keys held: each run still tied gets keys from deeper in its texts in
// the upper halves of its own entries and is sorted by them, level by level,
// until its texts end or differ; texts that end tied then go through the
// keys' tie keys the same way. All runs of a level take their keys from the
// same depth, so that the keys are read in the table's order, where the
// cells lie one after another in memory, rather than in the sort's, which
// would reach all over it for each row; they wait in an array of four bytes
// a row, beside five bits a row that mark the runs still tied. Only NULL
// and text the keys cannot settle is compared.
class LevelRefinement {
public:
    LevelRefinement(const TieBreak &settle, quint32 flip) : settle_(settle), flip_(flip) {}

    // `entries` (every row of the table once) sorted by the keys from the
    // keys' start.
    void sortRuns(std::span<quint64> entries, const DeeperKeys &keys)
    {
        const size_t rows = entries.size();
        tied_.assign(rows, false);
        runStart_.assign(rows, false);
        if (keys.tieKeys()) {
            caseTied_.assign(rows, false);
            caseStart_.assign(rows, false);
        }
        const bool deeper = markRuns(entries, 0, keys, true);
        const bool caseTied =
            keys.tieKeys() && std::find(caseTied_.begin(), caseTied_.end(), true) != caseTied_.end();
        if (!deeper && !caseTied)
            return;
        std::vector<quint32> deeperKeys(rows);
        std::vector<bool> tiedRow(rows);
        if (deeper)
            levels(entries, keys, deeperKeys, tiedRow);
        if (keys.tieKeys() && std::find(caseTied_.begin(), caseTied_.end(), true) != caseTied_.end()) {
            tied_.swap(caseTied_);
            runStart_.swap(caseStart_);
            levels(entries, *keys.tieKeys(), deeperKeys, tiedRow);
        }
    }

private:
    static constexpr size_t fewTied = 64;
    static constexpr qsizetype deepest = 4096;

    // The runs marked tied, sorted level by level from the keys' start on.
    void levels(std::span<quint64> entries, const DeeperKeys &keys, std::vector<quint32> &deeperKeys,
                std::vector<bool> &tiedRow)
    {
        const size_t rows = entries.size();
        bool more = true;
        for (qsizetype depth = keys.start() + (&keys == firstKeys_ ? keys.span() : 0); more; depth += keys.span()) {
            std::fill(tiedRow.begin(), tiedRow.end(), false);
            size_t tiedCount = 0;
            for (size_t i = 0; i < rows; ++i) {
                if (tied_[i]) {
                    tiedRow[quint32(entries[i])] = true;
                    ++tiedCount;
                }
            }
            // A level looks at every row of the table; once few are left
            // tied they are compared instead, as are very long shared
            // beginnings.
            const bool last = depth > deepest || tiedCount * fewTied < rows;
            for (size_t row = 0; row < rows && !last; ++row) {
                if (tiedRow[row])
                    deeperKeys[row] = keys.key(qint64(row), depth) ^ flip_;
            }
            more = false;
            for (size_t start = 0; start < rows;) {
                if (!tied_[start]) {
                    ++start;
                    continue;
                }
                size_t end = start + 1;
                while (end < rows && tied_[end] && !runStart_[end])
                    ++end;
                const std::span<quint64> run = entries.subspan(start, end - start);
                for (size_t i = start; i < end; ++i) {
                    tied_[i] = false;
                    runStart_[i] = false;
                }
                if (last) {
                    settle_.settle(run);
                } else {
                    for (quint64 &entry : run)
                        entry = (quint64(deeperKeys[quint32(entry)]) << 32) | quint32(entry);
                    if (!std::is_sorted(run.begin(), run.end()))
                        std::sort(run.begin(), run.end());
                    more = markRuns(run, start, keys, false) || more;
                }
                start = end;
            }
        }
    }

    // Marks the runs of `entries` (at `offset` among all) that going deeper
    // tells apart, and those the tie keys do; settles the others. Whether
    // any run goes deeper.
    bool markRuns(std::span<quint64> entries, size_t offset, const DeeperKeys &keys, bool first)
    {
        if (first)
            firstKeys_ = &keys;
        bool any = false;
        size_t at = offset;
        TieBreak::forEachRun(entries, [&](std::span<quint64> run) {
            const quint32 key = quint32(run.front() >> 32) ^ flip_;
            const auto mark = [&](std::vector<bool> &tied, std::vector<bool> &runStart) {
                runStart[at] = true;
                std::fill(tied.begin() + qsizetype(at), tied.begin() + qsizetype(at + run.size()), true);
            };
            if (run.size() < 2) {
            } else if (first && key == 0) {
                settle_.settle(run); // NULL among them
            } else if (!keys.ended(key)) {
                mark(tied_, runStart_);
                any = true;
            } else if (keys.endedMeansSame()) {
            } else if (keys.tieKeys()) {
                mark(caseTied_, caseStart_);
            } else {
                settle_.settle(run);
            }
            at += run.size();
        });
        return any;
    }

    const TieBreak &settle_;
    quint32 flip_;
    const DeeperKeys *firstKeys_ = nullptr;
    std::vector<bool> tied_, runStart_;
    std::vector<bool> caseTied_, caseStart_;
};
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
    // The entries' room is used again: sorting by one column after another
    // then asks nothing more of the system.
    entries_.clear();
    column_ = -1;
    const ValueKind kind = valueKindOf(snapshot.column(column));
    const ColumnCells cells(snapshot, column, kind == ValueKind::Text);
    const bool ascending = order == Qt::AscendingOrder;
    {
        Keys keys(entries_);
        bool keysSettleAll = false;
        std::unique_ptr<DeeperKeys> deeper;
        const Compare compare =
            keysAndOrder(cells, kind, keys, keysSettleAll, deeper);
        const quint32 flip = ascending ? 0 : 0xFFFFFFFFu;
        if (!ascending) {
            for (quint64 &entry : entries_)
                entry ^= quint64(flip) << 32;
        }
        std::sort(entries_.begin(), entries_.end());
        if (!keysSettleAll) {
            const TieBreak settle(cells, compare, ascending);
            if (deeper)
                LevelRefinement(settle, flip).sortRuns(entries_, *deeper);
            else
                settle.settleRuns(entries_);
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
