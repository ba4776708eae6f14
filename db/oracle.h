#pragma once

#include <QString>

class QListWidget;

// The connection string every database operation opens, built from the SID,
// user name and password as they stand in the login window at this moment.
QString ConnectionString();

// Builds the connection string from the three values. Values that the
// connection-string rules would split or trim are quoted; ordinary ones are
// inserted as they stand.
QString buildConnectionString(const QString &sid, const QString &user, const QString &password);

// True when a connection can be opened with the login window's values; shows
// nothing and keeps nothing.
bool CheckLogin();

// Clears the list and fills it with the names of the tables the current login
// owns, in the order the catalogue returns them. No trap of its own: failures
// are thrown to the caller's trap.
void FillTableList(QListWidget &list);
