#pragma once

#include "export/row_source.h"

#include <QString>

// The rows the grid shows written as a file, each writer under its own error trap:
// failures are reported in the error report box and never passed on.

// Every field in double quotes, header line first, CR LF line ends and one
// more CR LF at the end.
void SaveDataGridToCSVFile(const RowSource &rows, const QString &fileName);

// Writes tab-separated text (the TXT entry): every field followed by a TAB,
// header line first, CR LF line ends and one more CR LF at the end.
void SaveDataGridToFile(const RowSource &rows, const QString &fileName);

// The tab-separated text of SaveDataGridToFile in a new private temporary file (createPrivateTempFile
// with `nameTemplate`), made by the writer itself, so that a folder where it
// cannot be made is reported as the writer's failure. Returns the file's
// path, or empty text when it could not be made.
QString writeTabTextToNewTempFile(const RowSource &rows, const QString &nameTemplate);

// <xml>, a <row> element per row, an element per cell named after its column.
void SaveDataGridToXMLFile(const RowSource &rows, const QString &fileName);

// Writes text and CR LF as the whole content of fileName, replacing the file
// only once everything is written. No trap of its own: throws AppError.
void WriteStringToFile(const QString &text, const QString &fileName);
