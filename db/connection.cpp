#include "db/connection.h"

#include "db/ado_messages.h"
#include "db/connection_handles.h"
#include "db/connection_string.h"
#include "db/dialect.h"
#include "db/odbc_diagnostics.h"
#include "db/snapshot_columns.h"
#include "db/snapshot_fetch.h"
#include "db/snapshot_sql.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <sqlext.h>

namespace db {
namespace {

// SQLConnect hands the data source, user name and password to the driver as
// they are, so no connection-string parsing can cut or change them (psqlODBC,
// for one, takes a braced user name literally).
SQLRETURN connect(SQLHDBC dbc, const ConnectionStringParts &parts)
{
    std::u16string dsn = toSqlWChar(parts.dataSource);
    std::u16string user = toSqlWChar(parts.userId);
    std::u16string password = toSqlWChar(parts.password);
    const SQLRETURN rc = SQLConnectW(dbc, reinterpret_cast<SQLWCHAR *>(dsn.data()), SQLSMALLINT(dsn.size()),
                                     reinterpret_cast<SQLWCHAR *>(user.data()), SQLSMALLINT(user.size()),
                                     reinterpret_cast<SQLWCHAR *>(password.data()), SQLSMALLINT(password.size()));
    // Do not leave the password in freed memory.
    std::fill(password.begin(), password.end(), u'\0');
    return rc;
}

// A connection-string value in braces, inner closing braces doubled, so
// that no ";" or "=" in it can end it.
QString bracedValue(const QString &value)
{
    QString escaped = value;
    escaped.replace(u'}', QStringLiteral("}}"));
    return u'{' + escaped + u'}';
}

// The same login through a connection string, with keywords some drivers take
// only when connecting. An empty user name or password is left out, so that
// the data source's own apply, as with SQLConnect.
SQLRETURN connectWithKeywords(SQLHDBC dbc, const ConnectionStringParts &parts, const QString &keywords)
{
    QString text = QStringLiteral("DSN=") + bracedValue(parts.dataSource) + u';';
    if (!parts.userId.isEmpty())
        text += QStringLiteral("UID=") + bracedValue(parts.userId) + u';';
    if (!parts.password.isEmpty())
        text += QStringLiteral("PWD=") + bracedValue(parts.password) + u';';
    text += keywords;
    std::u16string wide = toSqlWChar(text);
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, reinterpret_cast<SQLWCHAR *>(wide.data()),
                                           SQLSMALLINT(wide.size()), nullptr, 0, &outLength, SQL_DRIVER_NOPROMPT);
    std::fill(wide.begin(), wide.end(), u'\0');
    text.fill(QChar(0));
    return rc;
}

} // namespace

Connection::Connection() = default;
Connection::~Connection() = default;

void Connection::setCursorLocation(int location) { cursorLocation_ = location; }
int Connection::cursorLocation() const { return cursorLocation_; }
void Connection::setConnectionTimeout(int seconds) { connectionTimeout_ = qMax(0, seconds); }

void Connection::setCommandTimeout(int seconds)
{
    commandTimeout_ = qMax(0, seconds);
    if (handles_)
        handles_->commandTimeout = commandTimeout_;
}

bool Connection::isOpen() const { return handles_ != nullptr; }

Connection::Handles &Connection::handles()
{
    if (!handles_)
        throw AppError(adoMessage::objectClosed);
    return *handles_;
}

void Connection::open(const QString &connectionString)
{
    if (handles_)
        throw AppError(adoMessage::objectOpen);
    handles_ = openHandles(connectionString);
    connectionString_ = connectionString;
}

void Connection::reopen()
{
    if (connectionString_.isEmpty())
        throw AppError(adoMessage::objectClosed);
    std::unique_ptr<Handles> fresh = openHandles(connectionString_);
    handles_ = std::move(fresh);
}

std::unique_ptr<Connection::Handles> Connection::openHandles(const QString &connectionString) const
{
    const ConnectionStringParts parts = parseConnectionString(connectionString);
    prepareClientEnvironment();

    auto handles = std::make_unique<Handles>();
    SQLHANDLE raw = SQL_NULL_HANDLE;
    if (!odbcSucceeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &raw)))
        throw DatabaseError(QStringLiteral("The ODBC driver manager could not be initialised."));
    handles->environment = EnvironmentHandle(raw);
    SQLHENV env = handles->environment.get();
    checkOdbc(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
              SQL_HANDLE_ENV, env, "SQLSetEnvAttr");

    raw = SQL_NULL_HANDLE;
    checkOdbc(SQLAllocHandle(SQL_HANDLE_DBC, env, &raw), SQL_HANDLE_ENV, env, "SQLAllocHandle");
    handles->connection = ConnectionHandle(raw);
    SQLHDBC dbc = handles->connection.get();
    // Without a login timeout a server that accepts but never answers would
    // block the program for good. Some drivers (Oracle's among them) refuse
    // the attribute; they then connect without a limit, not fail.
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(SQLULEN(connectionTimeout_)), 0);

    if (!odbcSucceeded(connect(dbc, parts)))
        throw diagnosticsError(SQL_HANDLE_DBC, dbc, QStringLiteral("The connection could not be opened."));
    handles->connected = true;
    handles->commandTimeout = commandTimeout_;
    handles->dialect = dialectOf(dbc);
    // Only now is it known which database answers, and whether its driver
    // must be told more than the data source says: connect again, so told.
    if (const std::optional<QString> keywords = handles->dialect->connectionKeywords(parts.dataSource)) {
        SQLDisconnect(dbc);
        handles->connected = false;
        if (!odbcSucceeded(connectWithKeywords(dbc, parts, *keywords)))
            throw diagnosticsError(SQL_HANDLE_DBC, dbc, QStringLiteral("The connection could not be opened."));
        handles->connected = true;
    }
    // A session that cannot be set up would read and write values other
    // than those shown: no connection rather than that one.
    handles->dialect->startSession(dbc, commandTimeout_);
    return handles;
}

void Connection::close()
{
    if (!handles_)
        throw AppError(adoMessage::objectClosed);
    handles_.reset();
    // Closed on purpose: nothing opens it again behind the caller's back.
    connectionString_.fill(QChar(0));
    connectionString_.clear();
}

RecordSet Connection::execute(const QString &sql)
{
    if (!handles_)
        throw AppError(adoMessage::objectClosed);
    SQLHDBC dbc = handles_->connection.get();
    StatementHandle statement = newStatement(dbc, handles_->commandTimeout);
    executeDirect(statement.get(), sql);
    RecordSet result;
    const std::vector<ColumnInfo> columns = describeColumns(statement.get());
    if (columns.empty())
        return result; // a statement without rows gives a closed row set
    // The same block fetch as a table's rows: every value whole, compact.
    fetchAllRows(dbc, statement.get(), columns, result.rows_, {});
    if (result.rows_.rowCount() > INT_MAX)
        throw AppError(QStringLiteral("The query gives more rows than can be counted."));
    result.columns_ = int(columns.size());
    result.open_ = true;
    return result;
}

} // namespace db
