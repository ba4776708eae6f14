#include "editor/cell_order.h"

#include "db/table_snapshot.h"

#include <QString>
#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string_view view(QByteArrayView text) { return {text.data(), size_t(text.size())}; }

int sign(int value) { return (value > 0) - (value < 0); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "-0012.3400" as its sign, "12" and "34".
struct PlainDecimal {
    bool negative = false;
    std::string_view integer;
    std::string_view fraction;
};

std::optional<PlainDecimal> plainDecimal(std::string_view text)
{
    PlainDecimal result;
    size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        result.negative = text[i++] == '-';
    const size_t integerStart = i;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    result.integer = text.substr(integerStart, i - integerStart);
    if (i < text.size() && text[i] == '.') {
        const size_t fractionStart = ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        result.fraction = text.substr(fractionStart, i - fractionStart);
    }
    if (i != text.size() || (result.integer.empty() && result.fraction.empty()))
        return std::nullopt;
    while (!result.integer.empty() && result.integer.front() == '0')
        result.integer.remove_prefix(1);
    while (!result.fraction.empty() && result.fraction.back() == '0')
        result.fraction.remove_suffix(1);
    if (result.integer.empty() && result.fraction.empty())
        result.negative = false; // -0 is 0
    return result;
}

int comparePlain(const PlainDecimal &a, const PlainDecimal &b)
{
    if (a.negative != b.negative)
        return a.negative ? -1 : 1;
    int magnitude = 0;
    if (a.integer.size() != b.integer.size())
        magnitude = a.integer.size() < b.integer.size() ? -1 : 1;
    else if (const int c = a.integer.compare(b.integer))
        magnitude = sign(c);
    else
        magnitude = sign(a.fraction.compare(b.fraction)); // trailing zeros are gone
    return a.negative ? -magnitude : magnitude;
}

// 0 a number (infinities included), 1 NaN, 2 no number at all.
int parseNumber(std::string_view text, double &value)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size() || text.empty())
        return 2;
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for a double: what matters is which.
        const bool negative = text.front() == '-';
        const size_t exponent = text.find_first_of("eE");
        bool huge;
        if (exponent != std::string_view::npos) {
            huge = exponent + 1 >= text.size() || text[exponent + 1] != '-';
        } else {
            const auto plain = plainDecimal(text);
            huge = plain && !plain->integer.empty();
        }
        value = huge ? (negative ? -HUGE_VAL : HUGE_VAL) : 0.0;
        return 0;
    }
    if (error != std::errc())
        return 2;
    return std::isnan(value) ? 1 : 0;
}

struct TimeValue {
    qint64 seconds = 0;
    std::string_view fraction; // digits after the point, trailing zeros gone
};

bool readDigits(std::string_view text, size_t &i, size_t count, int &value)
{
    if (i + count > text.size())
        return false;
    value = 0;
    for (size_t k = 0; k < count; ++k) {
        if (!isDigit(text[i + k]))
            return false;
        value = value * 10 + (text[i + k] - '0');
    }
    i += count;
    return true;
}

qint64 daysFromCivil(qint64 year, int month, int day)
{
    year -= month <= 2;
    const qint64 era = (year >= 0 ? year : year - 399) / 400;
    const qint64 yearOfEra = year - era * 400;
    const qint64 dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const qint64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::optional<TimeValue> parseTime(std::string_view text)
{
    TimeValue result;
    size_t i = 0;
    qint64 days = 0;
    bool hasDate = false;
    size_t yearDigits = 0;
    while (yearDigits < text.size() && isDigit(text[yearDigits]))
        ++yearDigits;
    if (yearDigits >= 4 && yearDigits < text.size() && text[yearDigits] == '-') {
        qint64 year = 0;
        for (size_t k = 0; k < yearDigits; ++k)
            year = year * 10 + (text[k] - '0');
        i = yearDigits + 1;
        int month = 0, day = 0;
        if (!readDigits(text, i, 2, month) || i >= text.size() || text[i++] != '-' || !readDigits(text, i, 2, day))
            return std::nullopt;
        if (month < 1 || month > 12 || day < 1 || day > 31)
            return std::nullopt;
        if (text.size() >= 3 && text.substr(text.size() - 3) == " BC") {
            year = 1 - year;
            text.remove_suffix(3);
        }
        days = daysFromCivil(year, month, day);
        hasDate = true;
    }
    if (hasDate) {
        if (i == text.size()) {
            result.seconds = days * 86400;
            return result;
        }
        if (text[i] != ' ' && text[i] != 'T')
            return std::nullopt;
        ++i;
    }
    qint64 secondsOfDay = 0;
    {
        int hours = 0, minutes = 0, seconds = 0;
        if (!readDigits(text, i, 2, hours) || i >= text.size() || text[i++] != ':' || !readDigits(text, i, 2, minutes))
            return std::nullopt;
        if (i < text.size() && text[i] == ':') {
            ++i;
            if (!readDigits(text, i, 2, seconds))
                return std::nullopt;
        }
        if (i < text.size() && text[i] == '.') {
            const size_t start = ++i;
            while (i < text.size() && isDigit(text[i]))
                ++i;
            result.fraction = text.substr(start, i - start);
            while (!result.fraction.empty() && result.fraction.back() == '0')
                result.fraction.remove_suffix(1);
        }
        secondsOfDay = hours * 3600 + minutes * 60 + seconds;
        // The zone: Z, +HH, +HH:MM, +HHMM, and +HH:MM:SS for the local mean
        // times of old dates.
        if (i < text.size() && text[i] == 'Z') {
            ++i;
        } else if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            const int direction = text[i++] == '+' ? 1 : -1;
            int zoneHours = 0, zoneMinutes = 0;
            if (!readDigits(text, i, 2, zoneHours))
                return std::nullopt;
            if (i < text.size() && text[i] == ':')
                ++i;
            if (i < text.size() && !readDigits(text, i, 2, zoneMinutes))
                return std::nullopt;
            int zoneSeconds = 0;
            if (i < text.size() && text[i] == ':' && (++i, !readDigits(text, i, 2, zoneSeconds)))
                return std::nullopt;
            secondsOfDay -= direction * (zoneHours * 3600 + zoneMinutes * 60 + zoneSeconds);
        }
    }
    if (i != text.size())
        return std::nullopt;
    result.seconds = days * 86400 + secondsOfDay;
    return result;
}

} // namespace

int compareBytes(QByteArrayView a, QByteArrayView b) { return sign(view(a).compare(view(b))); }

ValueKind valueKindOf(const db::ColumnInfo &column)
{
    if (db::isTimeKind(column.kind))
        return ValueKind::Time;
    if (db::isNumberKind(column.kind))
        return ValueKind::Number;
    if (column.kind == db::ColumnKind::Text)
        return ValueKind::Text;
    return ValueKind::Bytes;
}

int compareNumberText(QByteArrayView a, QByteArrayView b)
{
    const auto plainA = plainDecimal(view(a));
    const auto plainB = plainDecimal(view(b));
    if (plainA && plainB)
        return comparePlain(*plainA, *plainB);
    double valueA = 0, valueB = 0;
    const int classA = parseNumber(view(a), valueA);
    const int classB = parseNumber(view(b), valueB);
    if (classA != classB)
        return classA < classB ? -1 : 1;
    if (classA == 0)
        return (valueA > valueB) - (valueA < valueB);
    return classA == 1 ? 0 : compareBytes(a, b);
}

quint32 numberKey(QByteArrayView text)
{
    double value = 0;
    if (parseNumber(view(text), value) != 0)
        return 0xFFFFFFFFu;
    // Rounding to the nearest float keeps the order; equal values must meet.
    float rounded = float(value);
    if (rounded == 0.0f)
        rounded = 0.0f;
    const quint32 bits = std::bit_cast<quint32>(rounded);
    return (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
}

std::optional<qint64> secondsOfTimeText(QByteArrayView text)
{
    const auto time = parseTime(view(text));
    if (!time)
        return std::nullopt;
    return time->seconds;
}

int infinitySign(QByteArrayView text)
{
    if (text == QByteArrayView("infinity"))
        return 1;
    return text == QByteArrayView("-infinity") ? -1 : 0;
}

int compareTimeText(QByteArrayView a, QByteArrayView b)
{
    const auto timeA = parseTime(view(a));
    const auto timeB = parseTime(view(b));
    if (!timeA || !timeB) {
        // -infinity, the times, infinity, then text that is no time.
        const auto rank = [](const std::optional<TimeValue> &time, QByteArrayView text) {
            if (time)
                return 1;
            const int infinity = infinitySign(text);
            return infinity < 0 ? 0 : infinity > 0 ? 2 : 3;
        };
        const int rankA = rank(timeA, a), rankB = rank(timeB, b);
        if (rankA != rankB)
            return rankA < rankB ? -1 : 1;
        return compareBytes(a, b);
    }
    if (timeA->seconds != timeB->seconds)
        return timeA->seconds < timeB->seconds ? -1 : 1;
    return sign(timeA->fraction.compare(timeB->fraction));
}

AsciiCollation::AsciiCollation(const QCollator &collator)
{
    // A collator of its own: a copy shares the original's state, and making
    // the copy blind to case can make the original so too.
    QCollator caseBlind(collator.locale());
    caseBlind.setNumericMode(collator.numericMode());
    caseBlind.setIgnorePunctuation(collator.ignorePunctuation());
    caseBlind.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QString> characters;
    for (char c = 0x20; c < 0x7F; ++c)
        characters.push_back(QString(QLatin1Char(c)));
    std::stable_sort(characters.begin(), characters.end(),
                     [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    quint8 group = 0, within = 0;
    for (size_t i = 0; i < characters.size(); ++i) {
        if (i > 0 && collator.compare(characters[i - 1], characters[i]) == 0)
            return; // two characters the locale cannot tell apart
        if (i == 0 || caseBlind.compare(characters[i - 1], characters[i]) != 0) {
            ++group;
            within = 0;
        } else {
            ++within;
        }
        const auto code = quint8(characters[i].front().unicode());
        primary_[code] = group;
        tertiary_[code] = within;
    }

    // The model holds only if every string of up to two characters sorts as
    // the locale sorts it; contractions ("ch", "aa") and ignored characters
    // would show there.
    std::vector<std::string> strings{std::string()};
    for (char a = 0x20; a < 0x7F; ++a) {
        strings.emplace_back(1, a);
        for (char b = 0x20; b < 0x7F; ++b)
            strings.push_back(std::string{a, b});
    }
    const auto bytes = [](const std::string &s) { return QByteArrayView(s.data(), qsizetype(s.size())); };
    std::sort(strings.begin(), strings.end(),
              [&](const std::string &a, const std::string &b) { return compare(bytes(a), bytes(b)) < 0; });
    for (size_t i = 1; i < strings.size(); ++i) {
        if (collator.compare(QString::fromLatin1(strings[i - 1]), QString::fromLatin1(strings[i])) >= 0)
            return;
    }
    usable_ = true;
}

bool AsciiCollation::isPrintableAscii(QByteArrayView text)
{
    // Eight bytes at a time: none with its high bit set, then none that
    // reaches it by adding one (0x7F), none below 0x20.
    constexpr quint64 ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    qsizetype i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        quint64 word;
        std::memcpy(&word, text.data() + i, sizeof word);
        if ((word & highs) || ((word + ones) & highs) || ((word - 0x20 * ones) & ~word & highs))
            return false;
    }
    for (; i < text.size(); ++i) {
        if (quint8(text[i]) < 0x20 || quint8(text[i]) >= 0x7F)
            return false;
    }
    return true;
}

int AsciiCollation::compare(QByteArrayView a, QByteArrayView b) const
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const quint8 pa = primary_[quint8(a[i])], pb = primary_[quint8(b[i])];
        if (pa != pb)
            return pa < pb ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (qsizetype i = 0; i < common; ++i) {
        const quint8 ta = tertiary_[quint8(a[i])], tb = tertiary_[quint8(b[i])];
        if (ta != tb)
            return ta < tb ? -1 : 1;
    }
    return 0;
}
