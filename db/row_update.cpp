#include "db/row_update.h"

#include "db/row_locator.h"
#include "db/row_match.h"
#include "db/snapshot_columns.h"
#include "db/odbc_diagnostics.h"
#include "db/snapshot_fetch.h"
#include "db/snapshot_sql.h"
#include "db/statement_parameters.h"

#include "app/background_call.h"

#include <sqlext.h>
#include <string>

namespace db {
namespace {

// Autocommit off for as long as it lives; what is not committed by then is
// rolled back. Failures on the way out are not reported: the statement's own
// failure is the one the user needs, and a lost connection cannot commit.
class ManualTransaction {
public:
    explicit ManualTransaction(SQLHDBC connection) : connection_(connection)
    {
        checkOdbc(SQLSetConnectAttr(connection_, SQL_ATTR_AUTOCOMMIT,
                                    reinterpret_cast<SQLPOINTER>(SQLULEN(SQL_AUTOCOMMIT_OFF)), 0),
                  SQL_HANDLE_DBC, connection_, "SQLSetConnectAttr");
    }
    ~ManualTransaction()
    {
        if (!finished_)
            SQLEndTran(SQL_HANDLE_DBC, connection_, SQL_ROLLBACK);
        SQLSetConnectAttr(connection_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQLULEN(SQL_AUTOCOMMIT_ON)), 0);
    }
    ManualTransaction(const ManualTransaction &) = delete;
    ManualTransaction &operator=(const ManualTransaction &) = delete;

    void commit()
    {
        // Only a commit that succeeded finishes the transaction: after a
        // failed one the destructor must still roll back, or switching
        // autocommit on would commit whatever the driver still holds.
        checkOdbc(SQLEndTran(SQL_HANDLE_DBC, connection_, SQL_COMMIT), SQL_HANDLE_DBC, connection_, "SQLEndTran");
        finished_ = true;
    }

private:
    SQLHDBC connection_;
    bool finished_ = false;
};

} // namespace

void appendCondition(ParameterisedSql &statement, bool &first, const std::vector<ColumnInfo> &columns, int column,
                     const std::optional<QString> &value)
{
    if (first) {
        statement.whereAt = statement.sql.size();
        statement.whereParameter = statement.parameters.size();
    }
    statement.sql += first ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ");
    first = false;
    const ColumnInfo &info = columns[size_t(column)];
    if (info.rowLocator) {
        appendLocatorCondition(statement, column, info, value);
        return;
    }
    const QString name = quotedIdentifier(info.name);
    // "col = ?" never matches NULL, and "? IS NULL" leaves some servers
    // unable to tell the parameter's type: NULL goes into the text. Empty
    // text is a value like any other; where the database keeps it as NULL the
    // snapshot hands NULL here already.
    if (!value) {
        statement.sql += name + QStringLiteral(" IS NULL");
    } else if (!info.sameValue.isEmpty()) {
        // One parameter for each marker of the condition, all the same value.
        statement.sql += info.sameValue.arg(name, QStringLiteral("?"));
        for (qsizetype n = info.sameValue.count(QLatin1String("%2")); n > 0; --n)
            statement.parameters.push_back({column, value});
    } else {
        statement.sql += name + QStringLiteral(" = ?");
        statement.parameters.push_back({column, value});
    }
}

ParameterisedSql buildRowUpdate(const QString &tableName, const std::vector<ColumnInfo> &columns,
                                const RowValues &originals, const TableSnapshot::Changes &changes)
{
    ParameterisedSql statement;
    statement.sql = QStringLiteral("UPDATE ") + quotedIdentifier(tableName) + QStringLiteral(" SET ");
    std::vector<bool> changed(columns.size(), false);
    bool firstSet = true;
    for (const auto &[column, value] : changes) {
        if (!firstSet)
            statement.sql += QStringLiteral(", ");
        firstSet = false;
        statement.sql += quotedIdentifier(columns[size_t(column)].name) + QStringLiteral(" = ?");
        statement.parameters.push_back({column, value});
        changed[size_t(column)] = true;
    }

    const std::vector<bool> identifying = columnsIdentifyingUpdate(columns, changed);
    bool firstCondition = true;
    for (int c = 0; c < int(columns.size()); ++c) {
        if (identifying[size_t(c)])
            appendCondition(statement, firstCondition, columns, c, originals[size_t(c)]);
    }
    return statement;
}

std::optional<ParameterisedSql> buildKeySelect(const QString &tableName, const std::vector<ColumnInfo> &columns,
                                               const RowValues &values)
{
    ParameterisedSql statement;
    statement.sql = selectFrom(tableName, columns);
    bool first = true;
    for (int c = 0; c < int(columns.size()); ++c) {
        if (columns[size_t(c)].inPrimaryKey)
            appendCondition(statement, first, columns, c, values[size_t(c)]);
    }
    if (first)
        return std::nullopt;
    return statement;
}

namespace {

// The table a statement changes: the quoted name that follows its verb.
QString changedTable(const QString &sql)
{
    for (QStringView verb : {u"UPDATE ", u"DELETE FROM "}) {
        if (!sql.startsWith(verb))
            continue;
        // A quoted name ends at a quote not followed by another.
        qsizetype end = verb.size();
        if (end >= sql.size() || sql[end] != u'"')
            return {};
        for (++end; end < sql.size(); ++end) {
            if (sql[end] != u'"')
                continue;
            if (end + 1 < sql.size() && sql[end + 1] == u'"')
                ++end;
            else
                return sql.mid(verb.size(), end + 1 - verb.size());
        }
    }
    return {};
}

// Whether the rows a statement that changed none was meant for are still
// there as its WHERE describes them: then a trigger, a rule or a security
// policy declined the change, and nobody changed or deleted the row.
bool stillThere(SQLHDBC connection, int queryTimeout, const std::vector<ColumnInfo> &columns,
                const ParameterisedSql &statement)
{
    const QString table = changedTable(statement.sql);
    if (statement.whereAt < 0 || table.isEmpty())
        return false;
    ParameterisedSql check;
    check.sql = QStringLiteral("SELECT 1 FROM ") + table + statement.sql.mid(statement.whereAt);
    check.parameters.assign(statement.parameters.begin() + std::ptrdiff_t(statement.whereParameter),
                            statement.parameters.end());
    try {
        StatementHandle select = newStatement(connection, queryTimeout);
        BoundParameters parameters;
        parameters.bind(select.get(), columns, check.parameters);
        parameters.execute(select.get(), check.sql);
        const SQLRETURN rc = SQLFetch(select.get());
        return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
    } catch (const DatabaseError &) {
        // Not allowed to read it, say: the plainer account stands.
        return false;
    }
}

} // namespace

void executeRowUpdate(SQLHDBC connection, int queryTimeout, const std::vector<ColumnInfo> &columns,
                      const ParameterisedSql &update)
{
    executeOneRowEach(connection, queryTimeout, columns, {update});
}

void executeOneRowEach(SQLHDBC connection, int queryTimeout, const std::vector<ColumnInfo> &columns,
                       const std::vector<ParameterisedSql> &statements)
{
    ManualTransaction transaction(connection);
    for (size_t i = 0; i < statements.size(); ++i) {
        StatementHandle statement = newStatement(connection, queryTimeout);
        SQLHSTMT stmt = statement.get();
        BoundParameters parameters;
        parameters.bind(stmt, columns, statements[i].parameters);
        parameters.execute(stmt, statements[i].sql);
        SQLLEN affected = -1;
        checkOdbc(SQLRowCount(stmt, &affected), SQL_HANDLE_STMT, stmt, "SQLRowCount");
        if (affected == 0 && statements[i].sql.startsWith(QLatin1String("INSERT "))) {
            throw RowConflictError(RowConflictError::insertRefusedText.toString(), int(i));
        } else if (affected == 0) {
            const bool declined = stillThere(connection, queryTimeout, columns, statements[i]);
            throw RowConflictError(declined ? RowConflictError::refusedText.toString()
                                            : RowConflictError::changedOrDeletedText.toString(),
                                   int(i));
        }
        if (affected != 1)
            throw RowConflictError(RowConflictError::notUniqueText.toString(), int(i));
    }
    // A write the user gave up waiting for is rolled back, however far it got;
    // once the commit is under way, the user waits for it.
    if (background::CallControl *call = background::currentCall(); call && !call->passPointOfNoReturn())
        throw background::Cancelled();
    transaction.commit();
}

namespace {

// Runs the select; false when the table no longer has the columns it had.
bool runSelect(SQLHSTMT stmt, BoundParameters &parameters, const std::vector<ColumnInfo> &columns,
               const ParameterisedSql &select)
{
    parameters.bind(stmt, columns, select.parameters);
    parameters.execute(stmt, select.sql);
    SQLSMALLINT columnCount = 0;
    checkOdbc(SQLNumResultCols(stmt, &columnCount), SQL_HANDLE_STMT, stmt, "SQLNumResultCols");
    return columnCount == SQLSMALLINT(columns.size());
}

bool fetchNext(SQLHSTMT stmt)
{
    const SQLRETURN rc = SQLFetch(stmt);
    if (rc == SQL_NO_DATA)
        return false;
    checkOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLFetch");
    return true;
}

} // namespace

std::optional<std::vector<std::optional<QByteArray>>> readOnlyRow(SQLHDBC connection, int queryTimeout,
                                                                   const std::vector<ColumnInfo> &columns,
                                                                   const ParameterisedSql &select)
{
    StatementHandle statement = newStatement(connection, queryTimeout);
    SQLHSTMT stmt = statement.get();
    BoundParameters parameters;
    if (!runSelect(stmt, parameters, columns, select) || !fetchNext(stmt))
        return std::nullopt;
    auto row = readCurrentRow(stmt, int(columns.size()));
    if (fetchNext(stmt))
        return std::nullopt;
    return row;
}

} // namespace db
