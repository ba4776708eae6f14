// An ODBC driver for tests: the SQLite driver, linked in whole, except that
// it refuses the login and query timeouts as some drivers do. The driver
// manager finds every other function in the SQLite driver.
#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>

namespace {

int refusals = 0;

template <class Function>
Function sqliteFunction(const char *name)
{
    // The very copy this library depends on, already loaded.
    static void *const sqlite = dlopen(TABVALE_SQLITE_ODBC_DRIVER, RTLD_NOW | RTLD_LOCAL);
    return sqlite ? reinterpret_cast<Function>(dlsym(sqlite, name)) : nullptr;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC connection, SQLINTEGER attribute,
                                                                           SQLPOINTER value, SQLINTEGER length)
{
    if (attribute == SQL_ATTR_LOGIN_TIMEOUT) {
        ++refusals;
        return SQL_ERROR;
    }
    const auto real = sqliteFunction<decltype(&SQLSetConnectAttr)>("SQLSetConnectAttr");
    return real ? real(connection, attribute, value, length) : SQL_ERROR;
}

__attribute__((visibility("default"))) SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT statement, SQLINTEGER attribute,
                                                                        SQLPOINTER value, SQLINTEGER length)
{
    if (attribute == SQL_ATTR_QUERY_TIMEOUT) {
        ++refusals;
        return SQL_ERROR;
    }
    const auto real = sqliteFunction<decltype(&SQLSetStmtAttr)>("SQLSetStmtAttr");
    return real ? real(statement, attribute, value, length) : SQL_ERROR;
}

// How many times a timeout was refused, for the tests to see that it was.
__attribute__((visibility("default"))) int timeoutRefusals() { return refusals; }

} // extern "C"
