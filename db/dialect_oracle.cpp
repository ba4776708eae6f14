#include "db/dialect.h"

#include "db/snapshot_columns.h"

#include <QByteArray>
#include <QtGlobal>

namespace db {
namespace {

class OracleDialect : public Dialect {
public:
    std::vector<QString> sessionStatements() const override
    {
        // Numbers and dates as text follow the session's NLS settings (a
        // German NLS_LANG gives 1,23, the default DATE format drops the
        // time): fixed here, they read and write the same for every user,
        // and a DATE shows its time.
        return {QStringLiteral("ALTER SESSION SET NLS_NUMERIC_CHARACTERS = '.,' "
                               "NLS_DATE_FORMAT = 'YYYY-MM-DD HH24:MI:SS' "
                               "NLS_TIMESTAMP_FORMAT = 'YYYY-MM-DD HH24:MI:SS.FF' "
                               "NLS_TIMESTAMP_TZ_FORMAT = 'YYYY-MM-DD HH24:MI:SS.FF TZH:TZM'")};
    }

    // The driver's catalogue calls are slow and miss keys in places; the
    // dictionary views always have them.
    QString primaryKeyQuery() const override
    {
        return QStringLiteral("SELECT cols.column_name FROM user_constraints cons "
                              "JOIN user_cons_columns cols ON cols.constraint_name = cons.constraint_name "
                              "WHERE cons.constraint_type = 'P' AND cons.table_name = ? ORDER BY cols.position");
    }

    std::optional<ColumnInfo> rowLocator(SQLHDBC, int, const QString &, const std::vector<ColumnInfo> &) const override
    {
        return locatorColumn(QStringLiteral("ROWID"), QStringLiteral("ROWIDTOCHAR(ROWID)"),
                             QStringLiteral("ROWID = CHARTOROWID(%1)"));
    }

    bool comparable(const ColumnInfo &column) const override
    {
        if (!column.comparable)
            return false;
        const QString type = column.typeName.toUpper();
        // The text of a time zone or an interval cannot be bound back as
        // the column's ODBC type.
        if (type.contains(QLatin1String("TIME ZONE")) || type.startsWith(QLatin1String("INTERVAL")))
            return false;
        // NUMBER and FLOAT are decimal, exact as text, even where the driver
        // reports them as floating point; BINARY_FLOAT and BINARY_DOUBLE are not.
        if (isFloatingType(column.sqlType))
            return type.startsWith(QLatin1String("NUMBER")) || type.startsWith(QLatin1String("FLOAT"));
        return true;
    }

    // "=" refuses CLOB and BLOB operands (ORA-00932); DBMS_LOB compares
    // them whole. LONG and LONG RAW can take part in no condition at all.
    // RAW compares with "=".
    std::optional<QString> longValueComparison(const ColumnInfo &column) const override
    {
        const QString type = column.typeName.trimmed().toUpper();
        if (type == QLatin1String("CLOB") || type == QLatin1String("NCLOB") || type == QLatin1String("BLOB"))
            return QStringLiteral("DBMS_LOB.COMPARE(%1, %2) = 0");
        if (type == QLatin1String("RAW"))
            return QString();
        return std::nullopt;
    }

    bool storesEmptyTextAsNull() const override { return true; }

    // NUMBER and FLOAT are decimal, whatever the driver reports.
    ColumnKind kind(const ColumnInfo &column) const override
    {
        const QString type = column.typeName.toUpper();
        if (column.kind == ColumnKind::Floating
            && (type.startsWith(QLatin1String("NUMBER")) || type.startsWith(QLatin1String("FLOAT"))))
            return ColumnKind::Decimal;
        return column.kind;
    }
};

} // namespace

std::unique_ptr<Dialect> makeOracleDialect() { return std::make_unique<OracleDialect>(); }

void prepareClientEnvironment()
{
    // Oracle's client hands text over in the character set named at the end
    // of NLS_LANG (7-bit ASCII when it is unset), and the program reads text
    // as UTF-8. Language and territory stay the user's.
    static const bool prepared = [] {
        QByteArray value = qgetenv("NLS_LANG");
        const qsizetype dot = value.lastIndexOf('.');
        if (dot >= 0)
            value.truncate(dot);
        qputenv("NLS_LANG", value + ".AL32UTF8");
        return true;
    }();
    Q_UNUSED(prepared);
}

} // namespace db
