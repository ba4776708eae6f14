#include "help/login_help.h"

namespace {

const QString crlf = QStringLiteral("\r\n");

QString versionAndSidText()
{
    return QStringLiteral("This software works with Oracle 9i or higher.") + QLatin1String("\r\r")
        + QStringLiteral("The SID is used to identify a particular database. The SID is usually defined "
                         "in the TNSNAMES.ORA file. The TNSNAMES.ORA file found in my Oracle 9i folder looks like:");
}

// A documentation address (TEST-NET-1), never a real server.
const QString exampleHost = QStringLiteral("192.0.2.10");
const QString toolDownloadPage = QStringLiteral("https://www.sqlmanager.net/products/mssql/manager/download");

} // namespace

QString sidHelpMessage()
{
    const QString separator = crlf + crlf;
    const QString example = QStringLiteral("KORV =") + crlf
        + QStringLiteral(" (DESCRIPTION =") + crlf
        + QStringLiteral("   (ADDRESS_LIST =") + crlf
        + QStringLiteral("     (ADDRESS = (PROTOCOL = TCP)(HOST = ") + exampleHost + QStringLiteral(")(PORT = 1521))") + crlf
        + QStringLiteral("   )") + crlf
        + QStringLiteral("   (CONNECT_DATA =") + crlf
        + QStringLiteral("     (SID = KORV)") + crlf
        + QStringLiteral("   )") + crlf
        + QStringLiteral(" )");
    return versionAndSidText() + separator + example + separator
        + QStringLiteral("Therefore, my SID would be KORV");
}

QString helpMessage()
{
    const QString separator = QStringLiteral("\r\r");
    return versionAndSidText() + toolDownloadPage + separator
        + QStringLiteral("Download and install the EMS SQL Manager 2005 Lite for SQL Server. Try to connect to ")
        + QStringLiteral("the same database (with the same login information you are using here). This will determine if ")
        + QStringLiteral("the login you are using is correct.");
}
