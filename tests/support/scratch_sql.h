#pragma once

// SQL of the tests that own a scratch login: run as the login, or read back
// by the superuser.

#include "support/postgres.h"

#include <QString>
#include <utility>

// Runs SQL as the scratch login, so that what it makes belongs to it:
// asLogin("CREATE TABLE ...").
class AsLogin {
public:
    explicit AsLogin(QString login) : login_(std::move(login)) {}
    void operator()(const QString &sql) const;

private:
    QString login_;
};

// What the superuser reads: a line a row, its columns joined by '|'.
QString inDatabase(const QString &sql);
