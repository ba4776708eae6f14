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
};

} // namespace

std::unique_ptr<Dialect> makePostgreSqlDialect() { return std::make_unique<PostgreSqlDialect>(); }

} // namespace db
