#pragma once

#include <QString>

// The folder that holds the program file, without a trailing separator.
QString programFolder();

// True when the file's last-modified time can be read; never throws.
bool FileExists(const QString &path);

// The optional files the program looks for in its own folder.
QString handCursorPath();
QString skinFilePath();
