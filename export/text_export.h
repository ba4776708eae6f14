#pragma once

#include "export/grid_text.h"

#include <QString>

class WizardWindow;

enum class TextFormat { Csv, Tab, Xml };

// What the editor's CSV, TXT and XML menu entries do: ask for a file name in
// the save dialog, opening with lastFileName (which the caller keeps across the
// three entries and which is updated to the name chosen), and write the grid
// with the hourglass shown. Cancel changes nothing. No message on success;
// failures are reported by the writers themselves.
void saveGridAsText(TextFormat format, const GridText &grid, WizardWindow &window,
                    QString &lastFileName);
