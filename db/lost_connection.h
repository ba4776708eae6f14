#pragma once

#include "db/database_error.h"

#include <QStringView>

namespace db {

// Whether the failure says the connection itself is gone (the server went
// away, restarted, or ended our session), rather than that the statement
// failed on a connection that still works.
bool isLostConnection(const DatabaseError &error);

// The connection was lost and could not be opened again. Nothing the user
// typed is dropped for it: the row stays as typed and the next try
// reconnects once more. Carries the SQLSTATE of the driver's account of why.
class ConnectionLostError : public DatabaseError {
public:
    static constexpr QStringView text =
        u"The connection to the database was lost and could not be opened again. What you typed is kept: "
        u"leave the row again to try once more when the database can be reached.";
    explicit ConnectionLostError(const DatabaseError &cause)
        : DatabaseError(text.toString() + QStringLiteral("\r\n") + cause.description(), cause.sqlState(),
                        cause.nativeCode()) {}
};

} // namespace db
