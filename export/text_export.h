#pragma once

#include "export/busy_pointer.h"
#include "export/row_source.h"

#include <QString>

class QWidget;

enum class TextFormat { Csv, Tab, Xml };

// What the editor's CSV, TXT and XML menu entries do: ask for a file name in
// the save dialog, opening with lastFileName (which the caller keeps across the
// three entries and which is updated to the name chosen), and write the grid
// with the hourglass shown. Cancel changes nothing. No message on success;
// failures are reported by the writers themselves.
void saveGridAsText(TextFormat format, const RowSource &rows, QWidget *dialogParent, const BusyPointer &busy,
                    QString &lastFileName);
