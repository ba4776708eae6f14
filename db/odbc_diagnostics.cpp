#include "db/odbc_diagnostics.h"

#include <QStringList>
#include <sqlext.h>
#include <string>

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's SQLWCHAR is expected to be UTF-16");

namespace db {

QString fromSqlWChar(const SQLWCHAR *text, qsizetype length)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(text), length);
}

std::u16string toSqlWChar(const QString &text)
{
    return std::u16string(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
}

namespace {

// A line without the separator a driver puts between the texts it joins.
QStringView withoutSeparator(QStringView line)
{
    line = line.trimmed();
    while (line.endsWith(u';'))
        line = line.chopped(1).trimmed();
    return line;
}

// psqlODBC joins a statement's message and its connection's with ";\n", and
// a lost connection is both: a line that only repeats the one before it
// says nothing new, and goes with the separator before it.
QString withoutRepeatedLines(const QString &text)
{
    QStringList kept;
    for (const QString &line : text.split(u'\n')) {
        if (!kept.isEmpty() && withoutSeparator(line) == withoutSeparator(kept.last())
            && !withoutSeparator(line).isEmpty()) {
            kept.last() = withoutSeparator(kept.last()).toString();
            continue;
        }
        kept << line;
    }
    return kept.join(u'\n');
}

} // namespace

DatabaseError diagnosticsError(SQLSMALLINT handleType, SQLHANDLE handle, const QString &fallback)
{
    QStringList messages;
    QString firstState;
    int firstNative = 0;
    if (handle != SQL_NULL_HANDLE) {
        for (SQLSMALLINT record = 1;; ++record) {
            SQLWCHAR state[6] = {};
            SQLINTEGER native = 0;
            SQLSMALLINT length = 0;
            SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &native, nullptr, 0, &length);
            if (!odbcSucceeded(rc))
                break;
            std::u16string text(size_t(length) + 1, u'\0');
            rc = SQLGetDiagRecW(handleType, handle, record, state, &native,
                                reinterpret_cast<SQLWCHAR *>(text.data()), SQLSMALLINT(text.size()), &length);
            if (!odbcSucceeded(rc))
                break;
            QString message = QString::fromUtf16(text.data(), qMin<qsizetype>(length, qsizetype(text.size()) - 1));
            // Drivers end some messages with a line break; the box adds its own.
            while (message.endsWith(u'\n') || message.endsWith(u'\r'))
                message.chop(1);
            if (record == 1) {
                firstState = fromSqlWChar(state, 5);
                firstNative = int(native);
            }
            // psqlODBC follows a statement's error with an empty record.
            if (!message.isEmpty() && !messages.contains(message))
                messages << message;
        }
    }
    if (messages.isEmpty())
        return DatabaseError(fallback);
    return DatabaseError(withoutRepeatedLines(messages.join(u'\n')), firstState, firstNative);
}

void checkOdbc(SQLRETURN result, SQLSMALLINT handleType, SQLHANDLE handle, const char *operation)
{
    if (odbcSucceeded(result) || result == SQL_NO_DATA)
        return;
    if (result == SQL_INVALID_HANDLE)
        throw DatabaseError(QStringLiteral("%1: invalid ODBC handle").arg(QLatin1String(operation)));
    throw diagnosticsError(handleType, handle, QStringLiteral("%1 failed").arg(QLatin1String(operation)));
}

} // namespace db
