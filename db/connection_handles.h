#pragma once

#include "db/connection.h"
#include "db/dialect.h"
#include "db/odbc_handle.h"

#include <memory>

namespace db {

// The ODBC side of a Connection. Members are destroyed in reverse order, so
// the connection is disconnected and freed before its environment.
struct Connection::Handles {
    EnvironmentHandle environment;
    ConnectionHandle connection;
    // Seconds each statement may run (SQL_ATTR_QUERY_TIMEOUT); 0 means no limit.
    int commandTimeout = 30;
    bool connected = false;
    // What differs for the database behind the connection; set once connected.
    std::unique_ptr<Dialect> dialect;

    Handles() = default;
    Handles(const Handles &) = delete;
    Handles &operator=(const Handles &) = delete;
    ~Handles()
    {
        // A connected handle cannot be freed; disconnect first.
        if (connected)
            SQLDisconnect(connection.get());
    }
};

} // namespace db
