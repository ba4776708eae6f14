#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Which table a layout belongs to: the same table name may stand for
// different tables under other data sources or users.
struct GridLayoutKey {
    QString dataSource;
    QString user;
    QString table;
};

// How the user left a table's grid, by column name, so that it survives
// columns added or dropped since.
struct GridLayout {
    QStringList columns; // in display order
    std::vector<int> widths; // of `columns`, in pixels
    QStringList hidden;
    QString sortColumn; // empty: the table's own order
    bool descending = false;
    bool filtersShown = false;
};

// The layout as it applies to the table's columns now: a column added since
// shows at its table position, one dropped since is forgotten.
struct ColumnPlacement {
    std::vector<int> displayOrder; // table columns, left to right
    std::vector<int> widths;       // by table column; 0 where none was kept
    std::vector<bool> hidden;      // by table column
    int sortColumn = -1;
    bool descending = false;
    bool filtersShown = false;
};
ColumnPlacement placeColumns(const GridLayout &layout, const QStringList &tableColumns);

// Kept in the settings store, in groups of their own beside the login's.
// Reading gives nullopt when nothing was kept; writing throws AppError when
// the store cannot be written.
std::optional<GridLayout> loadGridLayout(const GridLayoutKey &key);
void saveGridLayout(const GridLayoutKey &key, const GridLayout &layout);
void forgetGridLayout(const GridLayoutKey &key);

// Whether the user chose to have the grid fill the editor window.
bool fitGridToWindowChosen();
void chooseFitGridToWindow(bool fit);
