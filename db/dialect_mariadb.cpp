#include "db/dialect.h"
#include "db/snapshot_columns.h"

#include <QByteArray>
#include <odbcinst.h>
#include <sqlext.h>

namespace db {
namespace {

// The connector's option flag that makes an UPDATE report the rows it
// matched instead of the rows it changed (CLIENT_FOUND_ROWS).
constexpr qulonglong foundRowsFlag = 2;

// The data source's own option flags, as the connector would read them.
qulonglong dataSourceOptions(const QString &dataSource)
{
    const QByteArray name = dataSource.toUtf8();
    for (const char *key : {"OPTION", "OPTIONS"}) {
        char value[64] = {};
        const int length = SQLGetPrivateProfileString(name.constData(), key, "", value, int(sizeof value), "odbc.ini");
        if (length > 0) {
            bool ok = false;
            const qulonglong flags = QByteArray(value, qMin(length, int(sizeof value) - 1)).trimmed().toULongLong(&ok, 0);
            if (ok)
                return flags;
        }
    }
    return 0;
}

class MariaDbDialect : public Dialect {
public:
    // Table and column names go to the server in double quotes, which
    // MariaDB and MySQL read as string quotes unless the session says
    // otherwise. The site's other modes stay as they are. Dates, times and
    // decimals come back in one fixed style whatever the locale, and a
    // DOUBLE as the shortest text that reads back as the same value: nothing
    // else to set.
    std::vector<QString> sessionStatements() const override
    {
        return {QStringLiteral("SET SESSION sql_mode = CONCAT_WS(',', NULLIF(@@SESSION.sql_mode, ''), 'ANSI_QUOTES')")};
    }

    // The table names of the information schema compare without regard to
    // case; the tables themselves need not.
    QString primaryKeyQuery() const override
    {
        return QStringLiteral("SELECT column_name FROM information_schema.key_column_usage "
                              "WHERE table_schema = DATABASE() AND BINARY table_name = ? "
                              "AND constraint_name = 'PRIMARY' ORDER BY ordinal_position");
    }

    bool comparable(const ColumnInfo &column) const override
    {
        // A FLOAT holds a single-precision value, which the server shows
        // rounded ("0.1") and then compares as the double that text names,
        // never equal. A DOUBLE's text is exact.
        return column.comparable && column.sqlType != SQL_REAL;
    }

    // Connector/ODBC hands over a BLOB's bytes as they are.
    bool readsBinaryAsHex() const override { return false; }

    // Text compares by the column's collation, which in MariaDB's and
    // MySQL's defaults ignores letter case and trailing blanks: another
    // session's "Smith" over "smith" would match the row as read and be
    // overwritten. The bytes of both sides in one character set are the
    // identity; the plain "=" stays first so that a key still uses its index.
    void prepareColumns(SQLHDBC connection, int queryTimeout, const QString &tableName,
                        std::vector<ColumnInfo> &columns) const override
    {
        Dialect::prepareColumns(connection, queryTimeout, tableName, columns);
        for (ColumnInfo &column : columns) {
            if (column.comparable && column.sameValue.isEmpty() && isCharacterType(column.sqlType))
                column.sameValue = QStringLiteral("(%1 = %2 AND CAST(CONVERT(%1 USING utf8mb4) AS BINARY) = "
                                                  "CAST(CONVERT(%2 USING utf8mb4) AS BINARY))");
        }
    }

    QString ownTablesQuery() const override
    {
        return QStringLiteral("SELECT table_name AS table_name FROM information_schema.tables "
                              "WHERE table_schema = DATABASE() AND table_type IN ('BASE TABLE', 'SYSTEM VERSIONED')");
    }

    // By default the server counts the rows an UPDATE changed, not those it
    // matched, so a write whose value the server already holds ("99.990"
    // over 99.99) would count as a row someone else changed. Only the
    // connector can ask for matched rows, and only when connecting.
    std::optional<QString> connectionKeywords(const QString &dataSource) const override
    {
        const qulonglong options = dataSourceOptions(dataSource);
        if (options & foundRowsFlag)
            return std::nullopt;
        return QStringLiteral("OPTION=%1;").arg(options | foundRowsFlag);
    }
};

} // namespace

std::unique_ptr<Dialect> makeMariaDbDialect() { return std::make_unique<MariaDbDialect>(); }

} // namespace db
