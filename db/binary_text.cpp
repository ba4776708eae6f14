#include "db/binary_text.h"

#include <algorithm>

namespace db {
namespace {

// The digits between X' and ', or the whole text where it is bare.
QStringView digitsOf(QStringView text)
{
    if (text.size() >= 3 && (text.front() == u'X' || text.front() == u'x') && text[1] == u'\'' && text.back() == u'\'')
        return text.mid(2, text.size() - 3);
    return text;
}

int digitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

std::optional<QByteArray> bytesOfBinaryText(QStringView text)
{
    const QStringView digits = digitsOf(text);
    if (digits.size() % 2 != 0)
        return std::nullopt;
    QByteArray bytes(digits.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int high = digitValue(digits[2 * i]);
        const int low = digitValue(digits[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[i] = char(high << 4 | low);
    }
    return bytes;
}

qsizetype binaryTextSize(QStringView text)
{
    const QStringView digits = digitsOf(text);
    return digits.size() % 2 == 0 ? digits.size() / 2 : -1;
}

QString binaryTextOf(QByteArrayView bytes, QStringView like)
{
    const bool literal = digitsOf(like).size() != like.size();
    // A value's digits are all of one case; empty ones say nothing.
    const QStringView digits = digitsOf(like);
    const bool upper = literal || std::any_of(digits.begin(), digits.end(), [](QChar c) {
                           return c >= u'A' && c <= u'F';
                       });
    QByteArray hex = bytes.toByteArray().toHex();
    if (upper)
        hex = hex.toUpper();
    const QString text = QString::fromLatin1(hex);
    return literal ? QStringLiteral("X'") + text + u'\'' : text;
}

QString binaryTextStart(QStringView text, int bytes)
{
    const QStringView digits = digitsOf(text);
    QString start;
    for (qsizetype i = 0; i < qMin<qsizetype>(bytes, digits.size() / 2); ++i) {
        if (i > 0)
            start += u' ';
        start += digits.mid(2 * i, 2).toString().toUpper();
    }
    if (digits.size() / 2 > bytes)
        start += QStringLiteral(" \u2026");
    return start;
}

} // namespace db
