#pragma once

#include <QString>

// The SID, user name and password as they stand in the login window's text
// boxes right now: the only place where the current login lives.
struct LoginValues {
    QString sid;
    QString user;
    QString password;
};

LoginValues currentLogin();
