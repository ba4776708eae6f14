#pragma once

#include "app/login_values.h"

#include <QString>
#include <memory>

class QWidget;
namespace db {
class Connection;
}

// The windows' connects, run beside the window that waits for them.

// Opens `connection` beside `window`. A connect cannot be cancelled once
// started: when the user gives up, the attempt keeps the connection and frees
// it when it ends, `connection` is left empty and background::Cancelled is
// thrown. Any other failure is thrown with `connection` given back.
void openBeside(QWidget *window, std::unique_ptr<db::Connection> &connection, const QString &connectionString);

// CheckLogin beside `window`; a login check the user gave up is a failed one.
bool checkLoginBeside(QWidget *window, const LoginValues &login);

// The text of the wait dialog while connecting.
inline const QString connectingText = QStringLiteral("Connecting...");
