#pragma once

#include "app/app_error.h"

// A failure reported by the ODBC driver manager or driver. The description is
// the driver's own diagnostic text; SQLSTATE and native code come with it.
class DatabaseError : public AppError {
public:
    DatabaseError(const QString &description, QString sqlState = {}, int nativeCode = 0)
        : AppError(description), sqlState_(std::move(sqlState)), nativeCode_(nativeCode) {}

    const QString &sqlState() const noexcept { return sqlState_; }
    int nativeCode() const noexcept { return nativeCode_; }

private:
    QString sqlState_;
    int nativeCode_;
};
