#include "db/dialect.h"

namespace db {
namespace {

class SqliteDialect : public Dialect {
public:
    // SQLite checks the foreign keys a table declares only when each
    // connection asks it to; other databases always do.
    std::vector<QString> sessionStatements() const override { return {QStringLiteral("PRAGMA foreign_keys = ON")}; }
};

} // namespace

std::unique_ptr<Dialect> makeSqliteDialect() { return std::make_unique<SqliteDialect>(); }

} // namespace db
