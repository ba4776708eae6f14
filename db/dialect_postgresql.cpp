#include "db/dialect.h"

#include "db/database_error.h"
#include "db/snapshot_sql.h"

#include <QSet>
#include <map>
#include <sqlext.h>

namespace db {
namespace {

// Per column of the table: the name of its type (a domain's base type), whether
// that type has an "=" of its own (enums share one that works), and whether
// its collation tells strings apart that differ only in ways it ignores.
const QLatin1String columnTypesQuery(
    "SELECT a.attname, b.typname, "
    "EXISTS (SELECT 1 FROM pg_catalog.pg_operator o WHERE o.oprname = '=' AND o.oprleft = b.oid "
    "AND o.oprright = b.oid) OR b.typtype = 'e', "
    "COALESCE(c.collisdeterministic, true) "
    "FROM pg_catalog.pg_attribute a "
    "JOIN pg_catalog.pg_type t ON t.oid = a.atttypid "
    "JOIN pg_catalog.pg_type b ON b.oid = CASE WHEN t.typtype = 'd' THEN t.typbasetype ELSE t.oid END "
    "LEFT JOIN pg_catalog.pg_collation c ON c.oid = a.attcollation "
    "WHERE a.attrelid = ?::regclass AND a.attnum > 0 AND NOT a.attisdropped");

// Types whose "=" holds for values that differ: letter case (citext), the
// same length of time written otherwise (interval: 1 day = 24 hours), the
// same area (box, circle).
const QSet<QString> &looseEqualityTypes()
{
    static const QSet<QString> types{QStringLiteral("citext"), QStringLiteral("interval"), QStringLiteral("box"),
                                     QStringLiteral("circle")};
    return types;
}

// Exact comparisons by the text the column reads as, byte by byte whatever
// collation the column has. With "=" kept beside the text where it exists,
// a key column is still found through its index.
const QString textOnly = QStringLiteral("%1::text COLLATE \"C\" = %2::text");
const QString equalAndSameText = QStringLiteral("(%1 = %2 AND %1::text COLLATE \"C\" = %2::text)");

// A boolean as the driver hands it over as text.
bool isTrue(const QString &text)
{
    return text == QLatin1String("1") || text == QLatin1String("t") || text == QLatin1String("true");
}

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

    // The tuple's place in the table; an update moves the row to a new one,
    // so a row another user changed is no longer found at the address read.
    // Only a plain table has one address per row: a view has none, and the
    // partitions of a partitioned table each count from the start.
    std::optional<ColumnInfo> rowLocator(SQLHDBC connection, int queryTimeout, const QString &tableName,
                                         const std::vector<ColumnInfo> &) const override
    {
        try {
            const auto kind = rowsOfQuery(connection, queryTimeout,
                                          QStringLiteral("SELECT relkind FROM pg_catalog.pg_class WHERE oid = "
                                                         "pg_catalog.to_regclass(pg_catalog.quote_ident(?))"),
                                          tableName, 1);
            if (kind.size() != 1 || kind.front().front() != QLatin1String("r"))
                return std::nullopt;
        } catch (const DatabaseError &) {
            return std::nullopt;
        }
        return locatorColumn(QStringLiteral("ctid"), QStringLiteral("ctid::text"), QStringLiteral("ctid = %1::tid"));
    }

    // Floats included: their text is exact, see above.
    bool comparable(const ColumnInfo &column) const override { return column.comparable; }

    // bytea has an "=" of its own, byte by byte.
    std::optional<QString> longValueComparison(const ColumnInfo &) const override { return QString(); }

    void prepareColumns(SQLHDBC connection, int queryTimeout, const QString &tableName,
                        std::vector<ColumnInfo> &columns) const override
    {
        Dialect::prepareColumns(connection, queryTimeout, tableName, columns);
        for (ColumnInfo &column : columns) {
            // The driver parses dates and timestamps into its own fields on
            // the way, both ways: years BC lose their era, infinity becomes a
            // made-up date, and an offset is dropped. Their text does not.
            switch (column.sqlType) {
            case SQL_TYPE_DATE:
            case SQL_TYPE_TIMESTAMP:
            case SQL_DATE:
            case SQL_TIMESTAMP:
                column.readAs = QStringLiteral("%1::text");
                break;
            default:
                break;
            }
        }

        struct TypeFacts {
            QString type;
            bool hasEquality = true;
            bool deterministic = true;
        };
        std::map<QString, TypeFacts> facts;
        try {
            for (const std::vector<QString> &row :
                 rowsOfQuery(connection, queryTimeout, columnTypesQuery, quotedIdentifier(tableName), 4))
                facts[row[0]] = {row[1], isTrue(row[2]), isTrue(row[3])};
        } catch (const DatabaseError &) {
            // Without the catalogue: the types the driver does not know at
            // all are compared by their text, which is exact for every type.
            for (ColumnInfo &column : columns) {
                if (column.comparable && column.typeName == QLatin1String("unknown"))
                    column.sameValue = textOnly;
            }
            return;
        }
        for (ColumnInfo &column : columns) {
            const auto found = facts.find(column.name);
            if (!column.comparable || found == facts.end())
                continue;
            const TypeFacts &type = found->second;
            if (!type.hasEquality)
                column.sameValue = textOnly;
            else if (looseEqualityTypes().contains(type.type) || !type.deterministic)
                column.sameValue = equalAndSameText;
        }
    }

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
