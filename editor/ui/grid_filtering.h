#pragma once

#include <QObject>
#include <QStringView>

class DataGrid;
class FilterHeader;
class QLabel;
class QModelIndex;

// The grid's filters: the boxes under the headings make the model's row
// filter, applied as the user types; the top-left corner tells how many
// rows are shown while a filter is on. The current cell stays on its row
// when that row is still shown.
class GridFiltering : public QObject {
    Q_OBJECT
public:
    GridFiltering(DataGrid &grid, FilterHeader &header);

    // A table was bound: empty boxes for its columns, nothing filtered.
    void tableBound();
    // The boxes shown filter; hidden, they keep their text and filter nothing.
    void setShown(bool shown);
    bool shown() const;
    // Makes the filter of what the boxes hold and shows its rows, unless it
    // is the filter shown already. False when the row being edited was
    // refused first (the user has been told).
    bool apply();
    // Shows the rows holding the cell's value in its column.
    void filterByValue(const QModelIndex &cell);
    void clear();
    // Puts the count over the grid's top-left corner again.
    void placeCorner();

    // What the corner says while the table is being read, and once its read
    // broke off; %L1 is the count of rows read.
    static constexpr QStringView readingText = u"Reading...";
    static constexpr QStringView readingTip = u"%L1 rows read so far";
    static constexpr QStringView incompleteText = u"Incomplete";
    static constexpr QStringView incompleteTip =
        u"The table was not read to its end: only its first %L1 rows are here. F5 reads it again.";

signals:
    void shownChanged(bool shown);

private:
    void showCount();

    DataGrid &grid_;
    FilterHeader &header_;
    QLabel *corner_;
};
