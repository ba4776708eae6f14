#include "db/dialect.h"

namespace db {
namespace {

class SqliteDialect : public Dialect {
public:
    // SQLite checks the foreign keys a table declares only when each
    // connection asks it to; other databases always do.
    std::vector<QString> sessionStatements() const override { return {QStringLiteral("PRAGMA foreign_keys = ON")}; }

    // Generated columns are the hidden kinds 2 (virtual) and 3 (stored).
    QString databaseFilledColumnsQuery() const override
    {
        return QStringLiteral("SELECT name, 'c' FROM pragma_table_xinfo(?) WHERE hidden IN (2, 3)");
    }
};

} // namespace

std::unique_ptr<Dialect> makeSqliteDialect() { return std::make_unique<SqliteDialect>(); }

} // namespace db
