#pragma once

#include <sql.h>
#include <sqlext.h>
#include <utility>

namespace db {

// Owns one ODBC handle of the given type and frees it on destruction.
template <SQLSMALLINT HandleType>
class OdbcHandle {
public:
    OdbcHandle() = default;
    explicit OdbcHandle(SQLHANDLE handle) : handle_(handle) {}
    ~OdbcHandle() { reset(); }
    OdbcHandle(OdbcHandle &&other) noexcept : handle_(std::exchange(other.handle_, SQLHANDLE{})) {}
    OdbcHandle &operator=(OdbcHandle &&other) noexcept
    {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, SQLHANDLE{});
        }
        return *this;
    }
    OdbcHandle(const OdbcHandle &) = delete;
    OdbcHandle &operator=(const OdbcHandle &) = delete;

    SQLHANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }
    void reset()
    {
        if (handle_ != SQL_NULL_HANDLE)
            SQLFreeHandle(HandleType, std::exchange(handle_, SQLHANDLE{}));
    }

private:
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

using EnvironmentHandle = OdbcHandle<SQL_HANDLE_ENV>;
using ConnectionHandle = OdbcHandle<SQL_HANDLE_DBC>;
using StatementHandle = OdbcHandle<SQL_HANDLE_STMT>;

} // namespace db
