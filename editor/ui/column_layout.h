#pragma once

#include "editor/grid_layout.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>

class DataGrid;
class FilterHeader;
class GridFiltering;
class QMenu;

// The grid's columns as the user arranges them (moved by dragging a heading,
// hidden, widened), its sort and whether its filter line shows, remembered
// per table and put back when the table is opened again. The exports and
// Find follow the columns shown, in display order.
class ColumnLayout : public QObject {
    Q_OBJECT
public:
    ColumnLayout(DataGrid &grid, FilterHeader &header, GridFiltering &filtering);

    // Which table the grid shows, asked when one is bound; nullopt keeps
    // nothing.
    using KeySource = std::function<std::optional<GridLayoutKey>()>;
    void setKeySource(KeySource source) { keySource_ = std::move(source); }

    // Before the grid lets go of a table: what is still to be kept is kept.
    void tableLeaving();
    // A table was bound: its remembered layout, where there is one.
    void tableBound();
    // The table was read again; columns added or dropped since `before`
    // (the layout as it was before reading) are fitted in.
    void tableReread(const GridLayout &before);
    GridLayout currentLayout() const;

    void hideColumn(int column);
    void showAllColumns();
    // Forgets the table's layout and shows the grid as first opened.
    void resetLayout();
    // Something the layout remembers changed: kept shortly after.
    void changed();
    // Keeps it now; throws AppError when the store cannot be written.
    void saveNow();
    // Keeps it now; a store that cannot be written is told to the user.
    void saveTellingFailure();

    QMenu &headingMenu() const { return *headingMenu_; }

private:
    void applyPlacement(const ColumnPlacement &placement);
    // Every column shown, in the table's order.
    void showTableOrder();
    void followColumns();
    void showHeadingMenu(const QPoint &position);
    void saveSoon();

    DataGrid &grid_;
    FilterHeader &header_;
    GridFiltering &filtering_;
    KeySource keySource_;
    std::optional<GridLayoutKey> key_;
    bool applying_ = false;
    bool dirty_ = false;
    QTimer saveTimer_;
    QMenu *headingMenu_;
    int menuColumn_ = -1;
    // Hidden columns have no width of their own: the one each had.
    std::map<int, int> hiddenWidths_;
};
