#include "db/column_kind.h"

#include <sqlext.h>

namespace db {

ColumnKind columnKindOfSqlType(short sqlType)
{
    switch (sqlType) {
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_BIGINT:
        return ColumnKind::Integer;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        return ColumnKind::Decimal;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return ColumnKind::Floating;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return ColumnKind::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return ColumnKind::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return ColumnKind::Timestamp;
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
        return ColumnKind::Text;
    case SQL_BIT:
        return ColumnKind::Boolean;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return ColumnKind::Binary;
    default:
        return ColumnKind::Other;
    }
}

} // namespace db
