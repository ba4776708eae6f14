#include "export/spreadsheet_cells.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<double> plainNumber(const QByteArray &utf8)
{
    const char *const begin = utf8.constData();
    const char *const end = begin + utf8.size();
    const char *p = begin;
    if (p != end && *p == '-')
        ++p;

    const char *const integerStart = p;
    while (p != end && isDigit(*p))
        ++p;
    const qsizetype integerDigits = p - integerStart;
    if (integerDigits > 1 && *integerStart == '0')
        return std::nullopt;

    const char *fractionStart = p;
    qsizetype fractionDigits = 0;
    if (p != end && *p == '.') {
        fractionStart = ++p;
        while (p != end && isDigit(*p))
            ++p;
        fractionDigits = p - fractionStart;
        if (fractionDigits == 0)
            return std::nullopt;
    }
    if (integerDigits + fractionDigits == 0)
        return std::nullopt;

    if (p != end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p != end && (*p == '+' || *p == '-'))
            ++p;
        const char *const exponentStart = p;
        while (p != end && isDigit(*p))
            ++p;
        if (p == exponentStart)
            return std::nullopt;
    }
    if (p != end)
        return std::nullopt;

    // Significant digits: the mantissa without its leading and trailing zeros.
    QByteArray digits = QByteArray(integerStart, integerDigits) + QByteArray(fractionStart, fractionDigits);
    qsizetype first = 0;
    while (first < digits.size() && digits.at(first) == '0')
        ++first;
    qsizetype last = digits.size();
    while (last > first && digits.at(last - 1) == '0')
        --last;
    if (last - first > 15)
        return std::nullopt;

    double value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void ColumnWidth::measure(const QByteArray &utf8)
{
    qsizetype line = 0;
    for (const char c : utf8) {
        if (c == '\n') {
            longest_ = std::max(longest_, line);
            line = 0;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && c != '\r') {
            ++line; // one per character, not per byte
        }
    }
    longest_ = std::max(longest_, line);
}

double ColumnWidth::width() const
{
    return std::clamp(static_cast<double>(longest_) * 1.1 + 2.0, minimum, maximum);
}
