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

    // Floats included: their text is exact, see above.
    bool comparable(const ColumnInfo &column) const override { return column.comparable; }

    // What Oracle's user_tables would list: the ordinary and partitioned
    // tables the login owns, outside the system's schemas.
    QString ownTablesQuery() const override
    {
        return QStringLiteral("SELECT c.relname::varchar(128) AS table_name FROM pg_catalog.pg_class c "
                              "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
                              "WHERE c.relkind IN ('r', 'p') AND pg_catalog.pg_get_userbyid(c.relowner) = current_user "
                              "AND n.nspname NOT IN ('pg_catalog', 'information_schema') AND n.nspname !~ '^pg_toast'");
    }
};

} // namespace

std::unique_ptr<Dialect> makePostgreSqlDialect() { return std::make_unique<PostgreSqlDialect>(); }

} // namespace db
