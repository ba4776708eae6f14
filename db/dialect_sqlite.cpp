#include "db/dialect.h"
#include "db/snapshot_sql.h"

#include <algorithm>

namespace db {
namespace {

class SqliteDialect : public Dialect {
public:
    // SQLite checks the foreign keys a table declares only when each
    // connection asks it to; other databases always do.
    std::vector<QString> sessionStatements() const override { return {QStringLiteral("PRAGMA foreign_keys = ON")}; }

    // SQLite's own tables (sqlite_sequence and the like) are not the user's.
    QString ownTablesQuery() const override
    {
        return QStringLiteral("SELECT name AS table_name FROM sqlite_master "
                              "WHERE type = 'table' AND substr(name, 1, 7) <> 'sqlite_'");
    }

    // The driver gives every failure the same SQLSTATE; the message tells.
    bool isMissingTable(const DatabaseError &error) const override
    {
        return Dialect::isMissingTable(error) || error.description().contains(QLatin1String("no such table"));
    }

    // A BLOB compares byte by byte, and so does long text.
    std::optional<QString> longValueComparison(const ColumnInfo &) const override { return QString(); }

    // A table's rowid goes by three names, each of which a column of the
    // table may take for itself; a table made WITHOUT ROWID has none, and a
    // view gives NULL for it.
    std::optional<ColumnInfo> rowLocator(SQLHDBC connection, int queryTimeout, const QString &tableName,
                                         const std::vector<ColumnInfo> &columns) const override
    {
        try {
            const QString isTable = QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
            if (rowsOfQuery(connection, queryTimeout, isTable, tableName, 1).empty())
                return std::nullopt;
        } catch (const DatabaseError &) {
            return std::nullopt;
        }
        for (const QString &name : {QStringLiteral("rowid"), QStringLiteral("_rowid_"), QStringLiteral("oid")}) {
            const bool taken = std::any_of(columns.begin(), columns.end(), [&](const ColumnInfo &column) {
                return column.name.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (taken)
                continue;
            // Unquoted, as only then can it not be taken for a string.
            try {
                StatementHandle probe = newStatement(connection, queryTimeout);
                executeDirect(probe.get(),
                              QStringLiteral("SELECT %1 FROM %2 WHERE 0").arg(name, quotedIdentifier(tableName)));
            } catch (const DatabaseError &) {
                return std::nullopt;
            }
            return locatorColumn(name, name, name + QStringLiteral(" = %1"));
        }
        return std::nullopt;
    }

    // Generated columns are the hidden kinds 2 (virtual) and 3 (stored).
    QString databaseFilledColumnsQuery() const override
    {
        return QStringLiteral("SELECT name, 'c' FROM pragma_table_xinfo(?) WHERE hidden IN (2, 3)");
    }
};

} // namespace

std::unique_ptr<Dialect> makeSqliteDialect() { return std::make_unique<SqliteDialect>(); }

} // namespace db
