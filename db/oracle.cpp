#include "db/oracle.h"

#include "app/login_values.h"
#include "db/connection.h"
#include "db/connection_handles.h"
#include "db/connection_string.h"
#include "db/database_error.h"

#include <memory>

QString connectionStringFor(const LoginValues &login)
{
    return buildConnectionString(login.sid, login.user, login.password);
}

QString buildConnectionString(const QString &sid, const QString &user, const QString &password)
{
    // Ordinary values go in as they stand; only those the string's own rules
    // would cut at a ";" or trim are quoted, so every login arrives intact.
    return QStringLiteral("Provider=OraOLEDB.Oracle;Data Source=") + db::quoteConnectionStringValue(sid)
        + QStringLiteral(";User Id=") + db::quoteConnectionStringValue(user) + QStringLiteral(";Password=")
        + db::quoteConnectionStringValue(password) + QStringLiteral(";");
}

bool CheckLogin(const LoginValues &login)
{
    bool result = false;
    auto connection = std::make_unique<db::Connection>();
    try {
        connection->open(connectionStringFor(login));
        result = true;
    } catch (const AppError &) {
        result = false;
    }
    return result;
}

namespace {

// Oracle's catalogue view first, wherever it exists (a site may have made
// one); a database that has none lists the login's tables its own way.
db::RecordSet ownTables(db::Connection &connection)
{
    try {
        return connection.execute(QStringLiteral("select table_name from user_tables"));
    } catch (const DatabaseError &error) {
        const db::Dialect &dialect = *connection.handles().dialect;
        const QString ownQuery = dialect.ownTablesQuery();
        if (ownQuery.isEmpty() || !dialect.isMissingTable(error))
            throw;
        return connection.execute(ownQuery);
    }
}

} // namespace

QStringList tableNames(const LoginValues &login)
{
    auto connection = std::make_unique<db::Connection>();
    connection->setCursorLocation(db::Connection::adUseClient);
    connection->open(connectionStringFor(login));
    db::RecordSet tables = ownTables(*connection);
    QStringList names;
    const int count = tables.RecordCount();
    names.reserve(count);
    for (int i = 1; i <= count; ++i) {
        names.append(tables.fieldText(0));
        tables.MoveNext();
    }
    tables.Close();
    connection->close();
    return names;
}
