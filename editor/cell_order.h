#pragma once

#include <QByteArrayView>
#include <QCollator>
#include <QtGlobal>
#include <array>
#include <optional>

namespace db {
struct ColumnInfo;
}

// How a column's values are ordered: numbers as numbers, dates and times in
// time order, character text by the user's locale, anything else by its bytes.
enum class ValueKind { Number, Time, Text, Bytes };
ValueKind valueKindOf(const db::ColumnInfo &column);

// Order of two texts by their bytes: for UTF-8, by code point.
int compareBytes(QByteArrayView a, QByteArrayView b);

// Exact order of two numbers written as text ("-12.50", "1e+20", "NaN"):
// plain decimals digit by digit, others as doubles; NaN after every number,
// text that is no number after that, by its bytes.
int compareNumberText(QByteArrayView a, QByteArrayView b);

// Order of two ISO dates, times or timestamps as the database writes them
// ("2020-01-31 12:00:00.5", "12:00:00", "2020-01-31 12:00:00+02",
// "0044-03-15 BC"), in time order; "-infinity" before every time, "infinity"
// after every time; text that is no time comes after those, by its bytes.
int compareTimeText(QByteArrayView a, QByteArrayView b);

// -1 for "-infinity", 1 for "infinity" (a time before or after every other),
// 0 for any other text.
int infinitySign(QByteArrayView text);

// Seconds since 1970 of an ISO date, time or timestamp (a time alone counts
// from midnight), with its zone taken off; nullopt when it is none.
std::optional<qint64> secondsOfTimeText(QByteArrayView text);

// 32 bits that order numbers as compareNumberText does wherever they differ
// (a < b gives key(a) <= key(b)); from 1 upwards, 0 is left for NULL.
quint32 numberKey(QByteArrayView text);

// A locale's order of printable ASCII text reproduced character by character,
// for sorting a million strings without asking the locale a million times
// twenty times over. Usable only when the locale orders every string of up to
// two such characters the same way (no contractions, no ignored characters).
class AsciiCollation {
public:
    explicit AsciiCollation(const QCollator &collator);
    bool usable() const { return usable_; }

    // Whether every byte is a printable ASCII character.
    static bool isPrintableAscii(QByteArrayView text);
    // Both printable ASCII: the locale's answer, without asking it.
    int compare(QByteArrayView a, QByteArrayView b) const;
    // The character's rank when case and accents do not count, 1 to 95.
    quint8 primary(char c) const { return primary_[quint8(c)]; }
    // Its rank among the characters of the same primary rank, 0 upwards.
    quint8 tertiary(char c) const { return tertiary_[quint8(c)]; }

private:
    std::array<quint8, 128> primary_{};
    std::array<quint8, 128> tertiary_{};
    bool usable_ = false;
};
