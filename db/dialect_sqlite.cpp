#include "db/dialect.h"

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

    // Generated columns are the hidden kinds 2 (virtual) and 3 (stored).
    QString databaseFilledColumnsQuery() const override
    {
        return QStringLiteral("SELECT name, 'c' FROM pragma_table_xinfo(?) WHERE hidden IN (2, 3)");
    }
};

} // namespace

std::unique_ptr<Dialect> makeSqliteDialect() { return std::make_unique<SqliteDialect>(); }

} // namespace db
