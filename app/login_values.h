#pragma once

#include <QString>

// The SID, user name and password of a login, as the login window's text
// boxes held them when an operation started.
struct LoginValues {
    QString sid;
    QString user;
    QString password;
};
