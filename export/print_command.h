#pragma once

#include <QString>

// The program that prints a text file on the default printer: `lp` found on
// PATH, or empty text when there is none.
QString findPrintProgram();

// Prints a text file on the user's default printer with `program` (lp) and
// returns once the scheduler has spooled it (lp exits only then), so the
// file may be deleted and the default changed right afterwards. LPDEST and
// PRINTER are removed from lp's environment: they would override the default.
// Throws AppError when lp is missing, cannot be started or fails (with its
// own message).
void printFile(const QString &program, const QString &path);
