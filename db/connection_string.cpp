#include "db/connection_string.h"

#include "app/app_error.h"

#include <algorithm>

namespace db {
namespace {

const QString formatError = QStringLiteral(
    "The connection string is malformed: a key without a value, an unmatched quote, or text after a closing quote.");

bool isBlank(QChar c) { return c.isSpace(); }

// Whether a value written bare would be read back as something else: cut at
// a ";", trimmed, taken for a quoted value, or (a leading "=") joined to its
// key as a literal "=". Braces are quoted too, as readers that take ODBC's
// rules give them a meaning of their own.
bool needsQuotes(const QString &value)
{
    if (value.isEmpty())
        return false;
    const QChar first = value.front();
    if (first == u'=' || first == u'"' || first == u'\'' || isBlank(first) || isBlank(value.back()))
        return true;
    return std::any_of(value.begin(), value.end(),
                       [](QChar c) { return c == u';' || c == u'{' || c == u'}'; });
}

} // namespace

ConnectionStringParts parseConnectionString(const QString &text)
{
    ConnectionStringParts parts;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        // Key, up to a single "=".
        QString key;
        bool sawEquals = false;
        while (i < n) {
            const QChar c = text[i];
            if (c == u'=') {
                if (i + 1 < n && text[i + 1] == u'=') {
                    key += u'=';
                    i += 2;
                    continue;
                }
                sawEquals = true;
                ++i;
                break;
            }
            if (c == u';')
                break;
            key += c;
            ++i;
        }
        key = key.trimmed().toLower();
        if (!sawEquals) {
            // A bare word or an empty segment: nothing to take.
            if (!key.isEmpty())
                throw AppError(formatError);
            ++i; // past the ";"
            continue;
        }

        while (i < n && isBlank(text[i]))
            ++i;
        QString value;
        if (i < n && (text[i] == u'"' || text[i] == u'\'')) {
            const QChar quote = text[i++];
            bool closed = false;
            while (i < n) {
                if (text[i] == quote) {
                    if (i + 1 < n && text[i + 1] == quote) {
                        value += quote;
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                value += text[i++];
            }
            if (!closed)
                throw AppError(formatError);
            while (i < n && isBlank(text[i]))
                ++i;
            if (i < n && text[i] != u';')
                throw AppError(formatError);
        } else {
            const qsizetype start = i;
            while (i < n && text[i] != u';')
                ++i;
            value = text.mid(start, i - start).trimmed();
        }
        ++i; // past the ";"

        if (key == u"data source")
            parts.dataSource = value;
        else if (key == u"user id")
            parts.userId = value;
        else if (key == u"password")
            parts.password = value;
    }
    return parts;
}

QString quoteConnectionStringValue(const QString &value)
{
    if (!needsQuotes(value))
        return value;
    QString inner = value;
    inner.replace(u'"', QStringLiteral("\"\""));
    return u'"' + inner + u'"';
}

} // namespace db
