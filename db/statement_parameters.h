#pragma once

#include "db/table_snapshot.h"

#include <QByteArray>
#include <optional>
#include <sql.h>
#include <string>
#include <vector>

namespace db {

struct StatementParameter;

// The values of a statement's parameter markers, bound for as long as this
// lives. Each goes with its column's SQL type, so that the database judges it
// as it would judge the column's values: text as UTF-16 (long text as wide
// long text), binary values as their bytes. Large long values are handed over
// in pieces while the statement runs, so that no driver needs them in one
// buffer of its own.
class BoundParameters {
public:
    // Throws DatabaseError, or AppError for a binary value that is no
    // binary text.
    void bind(SQLHSTMT stmt, const std::vector<ColumnInfo> &columns, const std::vector<StatementParameter> &parameters);
    // Runs the statement with the values bound; the user may give it up as
    // any statement run beside the window. Throws DatabaseError.
    void execute(SQLHSTMT stmt, const QString &sql);

    // Values longer than this (in bytes) go in pieces.
    static constexpr qsizetype pieceBytes = 64 * 1024;

private:
    struct Value {
        std::u16string text;
        QByteArray bytes;
        bool binary = false;
        bool inPieces = false;
        SQLLEN indicator = 0;
    };
    void putPieces(SQLHSTMT stmt, const Value &value);

    std::vector<Value> values_;
};

} // namespace db
