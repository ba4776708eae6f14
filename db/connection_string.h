#pragma once

#include <QString>

namespace db {

// The parts of an ADO-style connection string this program uses. Data Source
// names the ODBC data source; the provider is irrelevant to ODBC.
struct ConnectionStringParts {
    QString dataSource;
    QString userId;
    QString password;
};

// Parses "key=value;..." as OLE DB does: keys are trimmed and compared without
// regard to case ("==" in a key is a literal "="), unquoted values run to the
// next ";" and are trimmed, values in double or single quotes keep everything
// between the quotes (the quote doubled inside stands for itself), and the last
// occurrence of a key wins. Throws AppError on an unterminated quote.
ConnectionStringParts parseConnectionString(const QString &text);

// A value as it must stand in an ADO-style string to be read back unchanged:
// as it is when it is ordinary, else (a ";", "{" or "}" anywhere, a leading
// "=" or quote, a blank at either end) in double quotes with inner ones doubled.
QString quoteConnectionStringValue(const QString &value);

} // namespace db
