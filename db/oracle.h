#pragma once

#include "app/login_values.h"

#include <QString>
#include <QStringList>

// The connection string every database operation opens, built from the SID,
// user name and password as they stand in the login window at this moment.
QString connectionStringFor(const LoginValues &login);

// Builds the connection string from the three values. Values that the
// connection-string rules would split or trim are quoted; ordinary ones are
// inserted as they stand.
QString buildConnectionString(const QString &sid, const QString &user, const QString &password);

// True when a connection can be opened with these login values; shows
// nothing and keeps nothing.
bool CheckLogin(const LoginValues &login);

// The names of the tables the login owns, in the order the catalogue returns
// them. Failures are thrown to the caller's trap.
QStringList tableNames(const LoginValues &login);
