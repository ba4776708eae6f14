#include "db/oracle.h"

#include "app/login_values.h"

// Placeholder until the access layer lands.
QString ConnectionString()
{
    const LoginValues login = currentLogin();
    return buildConnectionString(login.sid, login.user, login.password);
}
QString buildConnectionString(const QString &sid, const QString &user, const QString &password)
{
    return QStringLiteral("Provider=OraOLEDB.Oracle;Data Source=") + sid + QStringLiteral(";User Id=") + user
        + QStringLiteral(";Password=") + password + QStringLiteral(";");
}
bool CheckLogin() { return false; }
void FillTableList(QListWidget &) {}
