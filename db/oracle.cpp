#include "db/oracle.h"

#include "app/login_values.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/database_error.h"

#include <QCoreApplication>
#include <QListWidget>
#include <memory>

QString ConnectionString()
{
    const LoginValues login = currentLogin();
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

bool CheckLogin()
{
    bool result = false;
    auto connection = std::make_unique<db::Connection>();
    try {
        connection->open(ConnectionString());
        result = true;
    } catch (const AppError &) {
        result = false;
    }
    return result;
}

void FillTableList(QListWidget &list)
{
    auto connection = std::make_unique<db::Connection>();
    connection->setCursorLocation(db::Connection::adUseClient);
    connection->open(ConnectionString());
    db::RecordSet tables = connection->execute(QStringLiteral("select table_name from user_tables"));
    list.clear();
    const int count = tables.RecordCount();
    for (int i = 1; i <= count; ++i) {
        QCoreApplication::processEvents();
        list.addItem(tables.fieldText(0));
        tables.MoveNext();
    }
    tables.Close();
    connection->close();
}
