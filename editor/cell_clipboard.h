#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// Cells as spreadsheets copy and paste them: tab between cells, LF after
// each row; a cell holding a tab, a line break or a double quote goes
// between double quotes, its quotes doubled.
QString cellsToTabText(const std::vector<QStringList> &rows);
// CR LF counts as LF; a last empty line (the LF after the last row) is no row.
std::vector<QStringList> cellsFromTabText(const QString &text);
