#pragma once

#include <QString>

// The message of the login window's "?" button: what the SID is, with an
// example entry of the Oracle client's TNSNAMES.ORA file.
QString sidHelpMessage();

// The message of the login window's "Help" button.
QString helpMessage();
