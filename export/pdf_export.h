#pragma once

#include <QString>

class RowSource;

// The printer that turns print jobs into PDF files, by its exact name.
inline const QString pdfPrinterName = QStringLiteral("Kestrelon PDF Writer");

// Asks CUPS for a printer named "Kestrelon PDF Writer" and, when there is
// none of that exact name, tells the user how to install it. Throws AppError when the
// printing system cannot be asked at all.
void CheckPdfWriterInstalled();

// The text of the box CheckPdfWriterInstalled shows.
QString pdfWriterInstructions();

// Prints the grid's tab-separated text on the PDF printer, under its own
// error trap: the text goes to a private temporary file, the PDF printer is
// made the default for as long as lp needs to spool it, then the file is
// deleted and the previous default put back. With the PDF printer missing
// nothing is printed and nothing shown.
void exportGridToPdf(const RowSource &rows);

// Deletes a file, read-only or not; never reports a failure.
void KillFile(const QString &path);
