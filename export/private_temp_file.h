#pragma once

#include <QString>

// The folder for the exports' temporary files: the one named by TEMP, or the
// system's temporary folder when TEMP is unset or empty.
QString exportTempFolder();

// Creates a new, empty file that only its owner can read and write, with a
// name no other file has, in exportTempFolder(). `nameTemplate` is a file name
// whose run of X's becomes unique (e.g. "tabvale-XXXXXX.txt"). Returns its
// absolute path; the file stays after the call. Throws AppError when it
// cannot be created.
QString createPrivateTempFile(const QString &nameTemplate);
