#include "db/dialect.h"

namespace db {
namespace {

class PostgreSqlDialect : public Dialect {
public:
    // A site's settings (a role's defaults, the data source's connection
    // settings) may ask for dates in another style or floats cut to fewer
    // digits; these come after them. With three extra digits every float
    // reads as text that parses back to the very same value.
    std::vector<QString> sessionStatements() const override
    {
        return {QStringLiteral("SET DateStyle = ISO"), QStringLiteral("SET extra_float_digits = 3")};
    }

    // Looked up as SELECT * FROM "name" finds the table: along the search path.
    // Servers before generated columns (attgenerated) fail it: none then.
    QString databaseFilledColumnsQuery() const override
    {
        return QStringLiteral("SELECT a.attname, CASE WHEN a.attgenerated <> '' THEN 'c' ELSE 'n' END "
                              "FROM pg_catalog.pg_attribute a "
                              "WHERE a.attrelid = pg_catalog.to_regclass(pg_catalog.quote_ident(?)) "
                              "AND a.attnum > 0 AND NOT a.attisdropped "
                              "AND (a.attgenerated <> '' OR a.attidentity = 'a')");
    }

    // Every row has a physical address of its own, even where the rows hold
    // nothing to tell them apart.
    QString deleteAnyOneRow(const QString &quotedTable) const override
    {
        return QStringLiteral("DELETE FROM %1 WHERE ctid = (SELECT ctid FROM %1 LIMIT 1)").arg(quotedTable);
    }

    // Floats included: their text is exact, see above.
    bool comparable(const ColumnInfo &column) const override { return column.comparable; }
};

} // namespace

std::unique_ptr<Dialect> makePostgreSqlDialect() { return std::make_unique<PostgreSqlDialect>(); }

} // namespace db
