#pragma once

#include "export/busy_pointer.h"

#include <QString>

class RowSource;

// Looks for the desktop's spreadsheet program (LibreOffice Calc), not Excel:
// whether it can be started. When it cannot, says so in a message box and
// returns false.
bool IsExcelInstalled();

// The spreadsheet program found on PATH, or an empty text.
QString spreadsheetProgram();

// What the editor's XLS menu entry does: the grid as a new workbook, shown in
// the spreadsheet program as an untitled document for the user to save where
// they like. Failures are reported in the error report box.
void exportGridToSpreadsheet(const RowSource &rows, const BusyPointer &busy);
