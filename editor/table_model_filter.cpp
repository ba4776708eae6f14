// The model's filter: which of the table's rows the grid shows.
#include "editor/table_model.h"

qint64 TableModel::tableRowCount() const
{
    return snapshot_ ? snapshot_->rowCount() : 0;
}

bool TableModel::setRowFilter(RowFilter filter)
{
    if (!snapshot_) {
        filter_ = std::move(filter);
        return true;
    }
    if (filter.isEmpty() && !order_.isFiltered())
        return true;
    if (!commitPendingRow() || !waitForWholeTable())
        return false;
    // Typing on into a box only narrows what was shown: the rows hidden need
    // no second look.
    const bool amongShown = order_.isFiltered() && narrowable_ && filter.narrows(filter_);
    beginResetModel();
    if (filter.isEmpty()) {
        order_.unfilter();
    } else {
        const db::TableSnapshot &snapshot = *snapshot_;
        order_.filter(snapshot.rowCount(), [&](qint64 row) { return filter.matches(snapshot, row); }, amongShown);
    }
    filter_ = std::move(filter);
    narrowable_ = true;
    shownRows_ = int(order_.shownCount(snapshot_->rowCount()));
    endResetModel();
    return true;
}

std::vector<QString> TableModel::filteredColumnNames() const
{
    std::vector<QString> names;
    for (const auto &[column, condition] : filter_.conditions())
        names.push_back(snapshot_->column(column).name);
    return names;
}

void TableModel::refilterAfterReading(const std::vector<QString> &filteredNames)
{
    // A condition whose column went, or moved, no longer fits: the filter
    // is then dropped whole rather than applied in part.
    RowFilter kept;
    bool fits = true;
    size_t i = 0;
    for (const auto &[column, condition] : filter_.conditions()) {
        const QString &name = filteredNames[i++];
        fits = fits && column < snapshot_->columnCount() && snapshot_->column(column).name == name;
        if (fits)
            kept.set(column, ColumnCondition::parse(condition.typed(), valueKindOf(snapshot_->column(column))));
    }
    filter_ = fits ? std::move(kept) : RowFilter();
    narrowable_ = true;
    if (!filter_.isEmpty()) {
        const db::TableSnapshot &snapshot = *snapshot_;
        order_.filter(snapshot.rowCount(), [&](qint64 row) { return filter_.matches(snapshot, row); }, false);
    }
    shownRows_ = int(order_.shownCount(snapshot_->rowCount()));
}
