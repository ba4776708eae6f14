#pragma once

#include "editor/grid_layout.h"
#include "editor/table_rows.h"
#include "export/busy_pointer.h"

#include <QTableView>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace db {
class TableSnapshot;
}
class ColumnLayout;
class FilterHeader;
class FindDialog;
class GridContextMenu;
class GridFiltering;
class TableModel;

// The editor's grid. A row the user changed is written when the current row
// moves away from it; if the database refuses it, the user is told why and
// the row stays current with the user's text. Escape puts back the values
// the row was opened with. The last line (marked *) takes new rows; whole
// rows selected by their headers are deleted with Delete, the current row
// with Ctrl+Delete; Ctrl+Z takes back the last written change. The exports
// read its rows().
class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget *parent = nullptr);
    ~DataGrid() override;

    // Binds the grid to a table, or unbinds it (nullptr).
    void setDataSource(std::unique_ptr<db::TableSnapshot> snapshot);
    bool isBound() const;
    TableModel &tableModel() const { return *model_; }

    // Takes the text of an open cell editor into the row, without leaving it.
    void commitOpenEditor();
    // Writes the row being edited, if any; false when the database refused
    // it (the user has been told and the row is current again).
    bool commitPendingEdit();
    bool hasPendingEdit() const;
    // Drops the pending edit: the row shows what it was opened with.
    void discardPendingEdit();

    // The actions of the context menu and their keys.
    void goToNewRow();
    // Asks first; Yes deletes them from the table.
    void deleteRows(const std::vector<int> &rows);
    // The whole rows selected, else the current row; never the new-row line.
    std::vector<int> rowsToDelete() const;
    void undo();
    // The selected cells of the current row, or the current cell.
    void setSelectionToNull();
    // Every value of the row in a dialog, each in an editor of its own.
    void showRecordView(int row);
    bool canShowRecordView(int row) const;
    void copySelection();
    void paste();
    GridContextMenu &contextMenu() const { return *contextMenu_; }

    // Sorting and reloading show the hourglass through this.
    void setBusyPointer(BusyPointer busy) { busy_ = std::move(busy); }

    // A click on a column heading: ascending, then descending, then the
    // table's own order again. The current cell stays on its row.
    void sortByHeading(int column);
    // F5: reads the table again, writing the pending row first; the current
    // cell goes back to its row (found by key) and the sort stays. False when
    // the pending row was refused or the table could not be read (the user
    // has been told).
    bool reload();
    // Shift+F5: reads the current row again, keeping what was typed into it
    // over the fresh values. False when it could not be read or another user
    // deleted it (the user has been told).
    bool reloadRow();
    // Ctrl+F shows the find window; F3 and Shift+F3 find the next and the
    // previous cell again. False when nothing was found or the current cell
    // could not move (a refused row keeps the user in it).
    void showFindDialog();
    bool findAgain(bool forward);
    FindDialog *findDialog() const { return findDialog_; }

    // What the exports read: the rows as the grid shows them, its shown
    // columns in display order.
    const RowSource &rows() const { return rows_; }

    // Filters (the line of boxes under the headings) and the columns as the
    // user arranged them, remembered per table (see ColumnLayout).
    GridFiltering &filtering() const { return *filtering_; }
    ColumnLayout &columnLayout() const { return *columnLayout_; }
    FilterHeader &filterHeader() const { return *filterHeader_; }
    // Which table is bound, for remembering its layout; asked on binding.
    void setLayoutKeySource(std::function<std::optional<GridLayoutKey>()> source);
    // Sorts by a column (-1 or nullopt: the table's own order).
    void sortBy(int column, std::optional<Qt::SortOrder> order);
    // The same once the table is read to its end, without waiting for it
    // (a remembered sort of a table just opened); another sort first wins.
    void sortOnceRead(int column, Qt::SortOrder order);
    // Columns as wide as their headings and first rows, within reason.
    void fitColumnWidths();
    // The model's columns the exports and Find go through, left to right.
    void setShownColumns(std::optional<std::vector<int>> columns);
    void refreshGeometries() { updateGeometries(); }
    // "Fit Grid to Window" of the context menu; the window does the fitting.
    QAction *fitToWindowAction() const { return fitToWindow_; }

    // A table opened with its first rows is read on beside the grid; the
    // corner says "Reading..." meanwhile. Saving waits for the whole table:
    // false when the user gave the wait up.
    bool waitForWholeTable();
    // "Stop Reading" and Escape while reading: asks whether to close the
    // table; Yes stops the read and tells the window (readingStopped).
    void askToStopReading();
    static constexpr QStringView stopReadingQuestion =
        u"The table is still being read. Stop reading and close the table?";

    // The grid as its columns and cells are walked one by one.
    int columnCount() const;
    QString caption(int column) const;
    qint64 rowCount() const;
    QString cellText(qint64 row, int column) const;

signals:
    // The user stopped the read: the table is to be closed.
    void readingStopped();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    // Tab and Shift+Tab leave the grid for the window's next or previous
    // control, once the row being edited is written; a refused row keeps
    // the focus here. Arrows, Home/End and Return move within the grid.
    bool focusNextPrevChild(bool next) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void updateGeometries() override;

private:
    // Whether the current cell may move to `target`: leaving the row being
    // edited writes it first, and a refused row keeps the user in it.
    bool mayMoveTo(const QModelIndex &target);
    void showRejection(int row, const QString &reason);
    // After a write refused because another user changed the row: the
    // three versions side by side, and the user's choice carried out.
    void offerConflict(int row);
    // The same after a delete or an undo was refused so: the calls are
    // watched, so that their refusal can be told from a write's.
    void offerAfterRefusal(int row, const QString &reason);
    void offerDeleteConflict(int row, std::vector<int> rows);
    void offerUndoConflict(int row);
    bool deleteRowsWatched(const std::vector<int> &rows);
    void undoWatched();
    std::vector<QString> columnNames() const;
    std::optional<std::vector<int>> deleting_;
    bool undoing_ = false;
    // A key that would type into a cell that takes no typing shows why, in a
    // tooltip at the cell; true when it did.
    bool explainReadOnlyCell(QKeyEvent *event);
    // False when the cell's column can be changed.
    bool showReadOnlyReason(const QModelIndex &index);
    void showSortIndicator();

    BusyPointer busy_;
    FindDialog *findDialog_ = nullptr;
    // A table without columns has no cells to select: the row whose header
    // was pressed last is the one Delete takes.
    int headerRow_ = -1;

    void showContextMenu(const QPoint &globalPosition);
    // The columns shown from one display position to another, in display order.
    std::vector<int> shownColumnsBetween(int firstVisual, int lastVisual) const;

    TableModel *model_;
    TableRows rows_;
    GridContextMenu *contextMenu_;
    FilterHeader *filterHeader_;
    GridFiltering *filtering_ = nullptr;
    ColumnLayout *columnLayout_ = nullptr;
    QAction *fitToWindow_ = nullptr;
    std::optional<std::pair<int, Qt::SortOrder>> sortOnceRead_;
};
