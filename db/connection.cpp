#include "db/connection.h"

#include "db/database_error.h"

// Placeholder until the ODBC access layer lands.
namespace db {
struct Connection::Handles {};
Connection::Connection() = default;
Connection::~Connection() = default;
void Connection::setCursorLocation(int location) { cursorLocation_ = location; }
int Connection::cursorLocation() const { return cursorLocation_; }
void Connection::setConnectionTimeout(int seconds) { connectionTimeout_ = seconds; }
void Connection::setCommandTimeout(int seconds) { commandTimeout_ = seconds; }
void Connection::open(const QString &) { throw DatabaseError(QStringLiteral("not implemented")); }
bool Connection::isOpen() const { return false; }
void Connection::close() { throw AppError(QStringLiteral("Operation is not allowed when the object is closed.")); }
RecordSet Connection::execute(const QString &) { throw DatabaseError(QStringLiteral("not implemented")); }
} // namespace db
