// The model's changes beyond editing cells: new rows, deleting, undoing,
// NULL, copy and paste.
#include "editor/table_model.h"

#include "app/app_error.h"
#include "editor/cell_clipboard.h"

#include <algorithm>

void TableModel::startNewRow(int row)
{
    // The line below takes the new row's place: the current cell stays on
    // the row being typed, with a fresh line under it.
    beginInsertRows({}, row + 1, row + 1);
    newRowPending_ = true;
    pendingRow_ = row;
    endInsertRows();
}

void TableModel::dropNewRow()
{
    const int row = pendingRow_;
    pending_.clear();
    emptyTextKept_.clear();
    beginRemoveRows({}, row + 1, row + 1);
    newRowPending_ = false;
    pendingRow_ = -1;
    endRemoveRows();
    emitRowChanged(row);
}

qint64 TableModel::tableRowWhileAnnouncing(qint64 row) const
{
    // The views' row counts past the rows they do not see.
    for (qint64 unseen : unseen_) {
        if (unseen > row)
            break;
        ++row;
    }
    return (orderBefore_ ? *orderBefore_ : order_).tableRow(row);
}

void TableModel::removeRows(const std::vector<qint64> &ascendingTableRows, const std::function<void()> &keep)
{
    orderBefore_ = order_;
    std::vector<qint64> rows = order_.removeTableRows(ascendingTableRows);
    std::sort(rows.begin(), rows.end());
    // Back to front, a run of neighbours at a time, so that the numbers of
    // the runs still to come do not move.
    for (auto last = rows.rbegin(); last != rows.rend();) {
        auto first = last;
        while (std::next(first) != rows.rend() && *std::next(first) == *first - 1)
            ++first;
        beginRemoveRows({}, int(*first), int(*last));
        unseen_.insert(unseen_.begin(), first.base() - 1, last.base());
        shownRows_ -= int(*last - *first + 1);
        endRemoveRows();
        last = std::next(first);
    }
    keep();
    unseen_.clear();
    orderBefore_.reset();
}

void TableModel::restoreRows(const std::vector<qint64> &ascendingTableRows, const std::function<void()> &keep)
{
    keep();
    std::vector<qint64> rows;
    for (qint64 tableRow : ascendingTableRows) {
        // A row put back before rows put back already moves them down.
        const qint64 at = order_.insertTableRow(tableRow, filter_.matches(*snapshot_, tableRow));
        if (at < 0)
            continue; // the filter keeps it out of sight
        for (qint64 &row : rows) {
            if (row >= at)
                ++row;
        }
        rows.push_back(at);
    }
    std::sort(rows.begin(), rows.end());
    unseen_ = rows;
    // Front to back, so that each row comes in where the views will see it.
    for (qint64 row : rows) {
        beginInsertRows({}, int(row), int(row));
        unseen_.erase(unseen_.begin());
        ++shownRows_;
        endInsertRows();
    }
}

int TableModel::gridRowToRestore(qint64 tableRow) const
{
    return tableRow <= 0 ? 0 : int(order_.gridRow(tableRow - 1)) + 1;
}

bool TableModel::canSetCellOf(const QModelIndex &index)
{
    if (!index.isValid() || !snapshot_ || !takesValue(index) || isNewRowLine(index.row()))
        return false;
    // One row is edited at a time: another one pending is written first.
    return pendingRow_ < 0 || pendingRow_ == index.row() || commitPendingRow();
}

bool TableModel::setNull(const QModelIndex &index)
{
    if (!canSetCellOf(index))
        return false;
    const int row = index.row();
    emptyTextKept_.erase(index.column());
    if (!isNewRow(row) && snapshot_->isNull(tableRow(row), index.column()))
        pending_.erase(index.column());
    else
        pending_[index.column()] = QString();
    const int previousPending = pendingRow_;
    pendingRow_ = pending_.empty() && !isNewRow(row) ? -1 : row;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    if (previousPending != pendingRow_)
        emit headerDataChanged(Qt::Vertical, row, row);
    return true;
}

bool TableModel::setEmptyText(const QModelIndex &index)
{
    if (!canSetCellOf(index))
        return false;
    const int row = index.row();
    const int column = index.column();
    const qint64 target = isNewRow(row) ? -1 : tableRow(row);
    if (target >= 0 && !snapshot_->isNull(target, column) && snapshot_->text(target, column).isEmpty()) {
        pending_.erase(column);
        emptyTextKept_.erase(column);
    } else {
        pending_[column] = QStringLiteral("");
        emptyTextKept_.insert(column);
    }
    const int previousPending = pendingRow_;
    pendingRow_ = pending_.empty() && !isNewRow(row) ? -1 : row;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    if (previousPending != pendingRow_)
        emit headerDataChanged(Qt::Vertical, row, row);
    return true;
}

bool TableModel::deleteRows(std::vector<int> rows)
{
    if (!snapshot_ || !waitForWholeTable())
        return false;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [&](int row) { return row < 0 || row >= dataRowCount(); });
    if (hasPendingEdit()) {
        const auto pending = std::find(rows.begin(), rows.end(), pendingRow_);
        if (pending == rows.end()) {
            // Written first, as any move away from it would.
            if (!commitPendingRow())
                return false;
        } else {
            // What was typed into a row that goes is dropped with it.
            if (isNewRow(pendingRow_))
                rows.erase(pending);
            revertPendingRow();
        }
    }
    if (rows.empty())
        return true;
    std::vector<qint64> targets;
    for (int row : rows)
        targets.push_back(tableRow(row));
    std::sort(targets.begin(), targets.end());
    UndoHistory::Step step = UndoHistory::deletion(*snapshot_, targets);
    const db::TableSnapshot *snapshot = snapshot_.get();
    const auto rowOfFailure = [this, targets, first = rows.front()](const AppError &error) {
        // Of several rows, the one the database refused.
        const auto *conflict = dynamic_cast<const db::RowConflictError *>(&error);
        const int failed = conflict ? conflict->failedStatement() : -1;
        return failed >= 0 && failed < int(targets.size()) ? int(order_.gridRow(targets[size_t(failed)])) : first;
    };
    return callDatabase(
        {QStringLiteral("Deleting the rows..."), cancelledDeleteText, deletedBeforeCancelText},
        {rows.front(), rowOfFailure}, [snapshot, targets] { return snapshot->sendDelete(targets); },
        [&](const std::vector<qint64> &deleted) {
            history_.record(std::move(step));
            removeRows(targets, [&] { snapshot_->keepDeletedRows(deleted); });
        });
}

bool TableModel::undo()
{
    if (!snapshot_)
        return false;
    if (hasPendingEdit()) {
        revertPendingRow();
        return true;
    }
    const UndoHistory::Step *newest = history_.newest();
    if (!newest)
        return true;
    // What the keep step needs, taken now: keeping drops the step.
    const UndoHistory::Kind kind = newest->kind;
    // Rows that come and go move the rows after them, which the read appends to.
    if (kind != UndoHistory::Kind::Updated && !waitForWholeTable())
        return false;
    std::vector<qint64> rows{newest->row};
    if (kind == UndoHistory::Kind::Deleted) {
        rows.clear();
        for (const auto &removed : newest->removed)
            rows.push_back(removed.position);
    }
    const int row = kind == UndoHistory::Kind::Deleted ? gridRowToRestore(rows.empty() ? 0 : rows.front())
                                                       : int(order_.gridRow(rows.front()));
    const db::TableSnapshot *snapshot = snapshot_.get();
    return callDatabase(
        {QStringLiteral("Writing the row..."), cancelledUndoText, undoneBeforeCancelText}, {row},
        [snapshot, step = *newest] { return UndoHistory::sendUndo(*snapshot, step); },
        [&](const UndoHistory::Sent &sent) {
            const auto keep = [&] { history_.keepUndone(*snapshot_, sent); };
            switch (kind) {
            case UndoHistory::Kind::Updated:
                keep();
                if (row >= 0)
                    emitRowChanged(row);
                else
                    // The row the filter hid changed: it may now match.
                    narrowable_ = false;
                break;
            case UndoHistory::Kind::Inserted:
                removeRows(rows, keep);
                break;
            case UndoHistory::Kind::Deleted:
                restoreRows(rows, keep);
                break;
            }
        });
}

QString TableModel::copyText(int top, int left, int bottom, int right) const
{
    std::vector<int> columns;
    for (int column = qMax(left, 0); column <= qMin(right, columnCount() - 1); ++column)
        columns.push_back(column);
    return copyText(top, bottom, columns);
}

QString TableModel::copyText(int top, int bottom, const std::vector<int> &columns) const
{
    std::vector<QStringList> rows;
    bottom = qMin(bottom, dataRowCount() - 1);
    for (int row = qMax(top, 0); row <= bottom; ++row) {
        QStringList cells;
        for (int column : columns)
            cells << cellText(row, column);
        rows.push_back(cells);
    }
    return cellsToTabText(rows);
}

bool TableModel::pasteText(int row, int column, const QString &text)
{
    std::vector<int> columns;
    for (int c = qMax(column, 0); c < columnCount(); ++c)
        columns.push_back(c);
    return pasteText(row, columns, text);
}

bool TableModel::pasteText(int row, const std::vector<int> &columns, const QString &text)
{
    if (!snapshot_)
        return false;
    // Rows pasted past the last are inserted, at the end the read has not reached.
    if (isReading() && row + qsizetype(cellsFromTabText(text).size()) > shownRows_ && !waitForWholeTable())
        return false;
    // Columns whose cells did not take the text pasted over them, in order.
    std::vector<int> leftOut;
    const auto reportLeftOut = [&] {
        if (leftOut.empty())
            return;
        std::sort(leftOut.begin(), leftOut.end());
        QStringList names;
        for (int c : leftOut)
            names << QStringLiteral("\"%1\"").arg(snapshot_->column(c).name);
        emit pasteLeftOut(pasteLeftOutText.toString().arg(names.join(QStringLiteral(", "))));
    };
    for (const QStringList &cells : cellsFromTabText(text)) {
        if (row > dataRowCount())
            break;
        std::vector<std::pair<int, QString>> notTaken;
        for (int j = 0; j < cells.size() && size_t(j) < columns.size(); ++j) {
            const int c = columns[size_t(j)];
            const QModelIndex target = index(row, c);
            if (!(flags(target) & Qt::ItemIsEditable)) {
                notTaken.emplace_back(c, cells[j]);
                continue;
            }
            if (!setData(target, cells[j])) {
                reportLeftOut();
                return false;
            }
        }
        if (pendingRow_ == row && !commitPendingRow()) {
            reportLeftOut();
            return false;
        }
        // Text the cell holds once the row is written (a computed value
        // pasted with the values it follows from) loses nothing.
        for (const auto &[c, pasted] : notTaken) {
            const bool lost = isNewRowLine(row) ? !pasted.isEmpty() : pasted != cellText(row, c);
            if (lost && std::find(leftOut.begin(), leftOut.end(), c) == leftOut.end())
                leftOut.push_back(c);
        }
        // Nothing pasted into the new-row line leaves it where it is.
        if (!isNewRowLine(row))
            ++row;
    }
    reportLeftOut();
    return true;
}
