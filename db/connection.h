#pragma once

#include "app/app_error.h"
#include "db/record_set.h"

#include <QString>
#include <memory>

namespace db {

// One database connection, opened from an ADO-style connection string
// ("Provider=...;Data Source=DSN;User Id=...;Password=...;"). Data Source is
// the ODBC data source name. Closing happens on destruction at the latest.
class Connection {
public:
    static constexpr int adUseClient = 3;

    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void setCursorLocation(int location);
    int cursorLocation() const;
    // Seconds; 0 means no limit. Defaults are ADO's: 15 to connect, 30 per command.
    void setConnectionTimeout(int seconds);
    void setCommandTimeout(int seconds);
    int connectionTimeout() const { return connectionTimeout_; }
    int commandTimeout() const { return commandTimeout_; }

    // Throws DatabaseError with the driver's message, AppError when already
    // open or when the string is malformed.
    void open(const QString &connectionString);
    bool isOpen() const;
    // Throws AppError when the connection is not open.
    void close();

    // Opens a new connection with the connection string the last open took,
    // set up as open sets it up, and puts it in place of the current one,
    // which may have been lost. Throws as open does; on failure the current
    // one stays. Throws AppError when the connection was never opened.
    void reopen();

    // Runs a statement and returns all the rows of its result, on the first
    // record; a statement without a result gives a closed row set. Throws
    // DatabaseError, or AppError when the connection is not open.
    RecordSet execute(const QString &sql);

    struct Handles; // the ODBC handles (db/connection_handles.h)
    // Throws AppError when the connection is not open.
    Handles &handles();

private:
    std::unique_ptr<Handles> openHandles(const QString &connectionString) const;

    std::unique_ptr<Handles> handles_;
    // Kept for reopen: a server that restarted is reached with the same login.
    QString connectionString_;
    int cursorLocation_ = 2;
    int connectionTimeout_ = 15;
    int commandTimeout_ = 30;
};

} // namespace db
