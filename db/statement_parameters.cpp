#include "db/statement_parameters.h"

#include "db/binary_text.h"
#include "db/odbc_diagnostics.h"
#include "db/row_update.h"
#include "db/snapshot_columns.h"

#include "app/app_error.h"
#include "app/background_call.h"

#include <QChar>
#include <sqlext.h>

namespace db {

namespace {

bool isLongTextType(short type)
{
    return type == SQL_LONGVARCHAR || type == SQL_WLONGVARCHAR;
}

} // namespace

void BoundParameters::bind(SQLHSTMT stmt, const std::vector<ColumnInfo> &columns,
                           const std::vector<StatementParameter> &parameters)
{
    values_.assign(parameters.size(), Value{});
    for (size_t i = 0; i < parameters.size(); ++i) {
        const StatementParameter &parameter = parameters[i];
        const ColumnInfo &column = columns[size_t(parameter.column)];
        Value &value = values_[i];
        // A value the driver would reshape on its way (it parses dates
        // itself and drops what it cannot hold) goes as plain text, and the
        // database reads it as the column's type.
        value.binary = column.readAs.isEmpty() && isBinaryType(column.sqlType);
        short type = column.readAs.isEmpty() ? column.sqlType : short(SQL_WVARCHAR);
        if (isLongTextType(type))
            type = SQL_WLONGVARCHAR; // the text is UTF-16, whatever the column's own width
        // Binary values keep the column's own type: psqlODBC would take
        // SQL_LONGVARBINARY for a bytea read as SQL_VARBINARY as a large
        // object of its own, and Oracle a RAW as a LONG RAW.
        qsizetype length = 0;
        if (!parameter.value) {
            value.indicator = SQL_NULL_DATA;
        } else if (value.binary) {
            std::optional<QByteArray> bytes = bytesOfBinaryText(*parameter.value);
            if (!bytes)
                throw AppError(QStringLiteral("The value of %1 is not binary data written as hexadecimal digits.")
                                   .arg(column.name));
            value.bytes = std::move(*bytes);
            length = value.bytes.size();
            value.indicator = SQLLEN(length);
        } else {
            value.text = toSqlWChar(*parameter.value);
            length = qsizetype(value.text.size() * sizeof(char16_t));
            value.indicator = SQLLEN(length);
        }
        value.inPieces = parameter.value && (value.binary || isLongTextType(type)) && length > pieceBytes;
        if (value.inPieces)
            value.indicator = SQL_LEN_DATA_AT_EXEC(SQLLEN(length));

        // A driver may cut a value to the size given here; the size is never
        // smaller than the value, so the database itself refuses what does
        // not fit.
        const qsizetype units = value.binary ? value.bytes.size() : qsizetype(value.text.size());
        SQLULEN size = SQLULEN(qMax<qint64>(column.size, 0));
        if (isCharacterType(type) || value.binary || size == 0)
            size = qMax<SQLULEN>(qMax<SQLULEN>(size, SQLULEN(units)), 1);
        // Pieces are asked for by the parameter's number, given as its token
        // (counted from 1: no driver takes a null pointer for a value).
        SQLPOINTER data = value.inPieces ? reinterpret_cast<SQLPOINTER>(quintptr(i + 1))
                          : value.binary  ? static_cast<SQLPOINTER>(value.bytes.data())
                                          : static_cast<SQLPOINTER>(value.text.data());
        const SQLLEN bufferLength = value.inPieces ? 0
                                    : value.binary ? SQLLEN(value.bytes.size())
                                                   : SQLLEN((value.text.size() + 1) * sizeof(char16_t));
        checkOdbc(SQLBindParameter(stmt, SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, value.binary ? SQL_C_BINARY : SQL_C_WCHAR,
                                   type, size, column.decimalDigits, data, bufferLength, &value.indicator),
                  SQL_HANDLE_STMT, stmt, "SQLBindParameter");
    }
}

void BoundParameters::putPieces(SQLHSTMT stmt, const Value &value)
{
    const char *data = value.binary ? value.bytes.constData() : reinterpret_cast<const char *>(value.text.data());
    const qsizetype total = value.binary ? value.bytes.size() : qsizetype(value.text.size() * sizeof(char16_t));
    for (qsizetype at = 0; at < total;) {
        qsizetype piece = qMin(pieceBytes, total - at);
        // A character written as two UTF-16 units stays in one piece, for
        // drivers that convert each piece on its own.
        if (!value.binary && at + piece < total
            && QChar::isHighSurrogate(value.text[size_t((at + piece) / qsizetype(sizeof(char16_t))) - 1]))
            piece -= qsizetype(sizeof(char16_t));
        checkOdbc(SQLPutData(stmt, const_cast<char *>(data + at), SQLLEN(piece)), SQL_HANDLE_STMT, stmt,
                  "SQLPutData");
        at += piece;
    }
}

void BoundParameters::execute(SQLHSTMT stmt, const QString &sql)
{
    std::u16string text = toSqlWChar(sql);
    // The user may give up waiting for a statement run beside the window.
    background::CancelScope cancel([stmt] { SQLCancel(stmt); });
    SQLRETURN rc = SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR *>(text.data()), SQLINTEGER(text.size()));
    while (rc == SQL_NEED_DATA) {
        SQLPOINTER token = nullptr;
        rc = SQLParamData(stmt, &token);
        if (rc != SQL_NEED_DATA)
            break;
        const size_t number = size_t(reinterpret_cast<quintptr>(token));
        if (number == 0 || number > values_.size() || !values_[number - 1].inPieces)
            throw AppError(QStringLiteral("The driver asked for a value the statement does not have."));
        putPieces(stmt, values_[number - 1]);
    }
    // An UPDATE that matches no row answers SQL_NO_DATA; the row count tells.
    if (rc == SQL_NO_DATA)
        return;
    checkOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLExecDirect");
}

} // namespace db
