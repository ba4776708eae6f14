#include "db/lost_connection.h"

#include <QLatin1StringView>
#include <array>

namespace db {

bool isLostConnection(const DatabaseError &error)
{
    // Class 08 is ODBC's and SQL's "connection exception".
    if (error.sqlState().startsWith(QLatin1StringView("08")))
        return true;
    // PostgreSQL's sessions ended by the server: an administrator's
    // pg_terminate_backend or a shutdown, a crash, a restart under way. A
    // cancelled statement (57014) leaves the session as it was.
    static constexpr std::array endedSessions{QLatin1StringView("57P01"), QLatin1StringView("57P02"),
                                              QLatin1StringView("57P03")};
    for (QLatin1StringView ended : endedSessions) {
        if (error.sqlState() == ended)
            return true;
    }
    // Drivers that report a lost server under a general SQLSTATE still
    // say so in their text: libpq's, psqlODBC's and Oracle's words for it.
    static constexpr std::array lostTexts{
        QLatin1StringView("server closed the connection"), QLatin1StringView("terminating connection"),
        QLatin1StringView("no connection to the server"),  QLatin1StringView("connection has been lost"),
        QLatin1StringView("ORA-03113"),                    QLatin1StringView("ORA-03114"),
        QLatin1StringView("ORA-03135"),
    };
    const QString &description = error.description();
    for (QLatin1StringView lost : lostTexts) {
        if (description.contains(lost, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace db
